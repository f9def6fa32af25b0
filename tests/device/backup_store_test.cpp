// The backup folder: where it lies, the files a backup makes, what a failure
// leaves behind, and the inventory.
#include "device/backup_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/settings_json.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "serial/termination_signals.h"
#endif

namespace intercom {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

DeviceSettings Settings(DeviceKind kind,
                        std::initializer_list<std::pair<const char*, int32_t>> values) {
  DeviceSettings settings{kind, {}};
  const KindEntry* entry = StandardCatalogue().Find(kind);
  for (const auto& [name, value] : values) settings.Set(*entry->Find(name), value);
  return settings;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class BackupStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing::MakeTempDir("backup_store_test");
    ASSERT_FALSE(root_.empty());
    folder_ = root_.string() + kSeparator + "state" + kSeparator + "backups";
  }
  void TearDown() override {
#ifndef _WIN32
    chmod(folder_.c_str(), 0700);
#endif
    fs::remove_all(root_);
  }
  std::string InFolder(const std::string& name) const {
    return folder_ + kSeparator + name;
  }

  fs::path root_;
  std::string folder_;
  // 2024-03-05T10:20:30.045Z
  const system_clock::time_point now_ = sys_days(2024y / March / 5) + 10h + 20min + 30s + 45ms;
  const BackupEntry desk_{"2024-03-05T11:20:30.045+01:00", "/dev/ttyUSB0", "usb-FTDI_A1, left",
                          Settings(DeviceKind::SubscriberSet, {{"key1", 9},
                                                               {"key2", 0},
                                                               {"key3", 3},
                                                               {"key4", 4},
                                                               {"key5", 5},
                                                               {"key6", 6},
                                                               {"key7", 7},
                                                               {"key8", 8},
                                                               {"key9", 9},
                                                               {"key10", 10},
                                                               {"studio", 1},
                                                               {"device_address", 5}})};
  const BackupEntry stage_{
      "2024-03-05T11:20:31.000+01:00", "COM3", "",
      Settings(DeviceKind::Splitter,
               {{"address", 3}, {"input1", 2}, {"input2", 4}, {"input3", 6}, {"input4", 8}})};
};

TEST(BackupFolder, FollowsXdgStateHomeOrLocalAppData) {
  EXPECT_EQ(DefaultBackupFolder("/x/state", "/home/u", nullptr),
            "/x/state/intercom-config/backups");
  EXPECT_EQ(DefaultBackupFolder("state", "/home/u", nullptr),
            "/home/u/.local/state/intercom-config/backups");
  EXPECT_EQ(DefaultBackupFolder(nullptr, "/home/u", ""),
            "/home/u/.local/state/intercom-config/backups");
  EXPECT_EQ(DefaultBackupFolder("", nullptr, nullptr), "");
  EXPECT_EQ(DefaultBackupFolder(nullptr, nullptr, "C:\\Users\\u\\AppData\\Local"),
            "C:\\Users\\u\\AppData\\Local\\intercom-config\\backups");
}

TEST_F(BackupStoreTest, ASaveIsANewSettingsFileNamedByKindAddressAndTimeNeverOverwritten) {
  BackupStore store(folder_, StandardCatalogue());
  const std::string first = store.Save(desk_, now_);
  EXPECT_EQ(first, InFolder("subscriber-5-20240305T102030.045Z.json"));
  const std::string content = ReadFile(first);
  EXPECT_EQ(content, SettingsJson(StandardCatalogue(), desk_.settings));
  const DeviceSettings back = ParseSettingsJson(StandardCatalogue(), content, first);
  EXPECT_EQ(SettingsJson(StandardCatalogue(), back), content);
  EXPECT_EQ(back.values.size(), 12u);
#ifndef _WIN32
  for (const fs::path& folder : {root_ / "state", fs::path(folder_)}) {
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
  }
#endif

  // The same moment again: new names, the first file as it was.
  BackupEntry changed = desk_;
  changed.settings.Set(*changed.settings.values[0].setting, 1);
  EXPECT_EQ(store.Save(changed, now_), InFolder("subscriber-5-20240305T102030.045Z-2.json"));
  EXPECT_EQ(store.Save(changed, now_), InFolder("subscriber-5-20240305T102030.045Z-3.json"));
  EXPECT_EQ(ReadFile(first), content);

  EXPECT_EQ(store.Save(stage_, now_), InFolder("splitter-3-20240305T102030.045Z.json"));
  const BackupEntry hub{"t", "p", "", Settings(DeviceKind::Switch, {{"line1", 11}})};
  EXPECT_EQ(store.Save(hub, now_), InFolder("switch-20240305T102030.045Z.json"));
}

TEST_F(BackupStoreTest, TheInventoryGainsALineInEachFileAndRefusesAnotherHeader) {
  BackupStore store(folder_, StandardCatalogue());
  store.AddToInventory(desk_, "desk.json");
  store.AddToInventory(stage_, "stage.json");
  EXPECT_EQ(ReadFile(InFolder("inventory.csv")),
            "time,port,port_id,kind,file,key1,key2,key3,key4,key5,key6,key7,key8,key9,key10,"
            "studio,device_address,address,input1,input2,input3,input4,volume,tally,line1,line2,"
            "line3,line4,volume1,volume2,volume3,volume4\n"
            "2024-03-05T11:20:30.045+01:00,/dev/ttyUSB0,\"usb-FTDI_A1, left\",subscriber,desk.json,"
            "9,0,3,4,5,6,7,8,9,10,true,5,,,,,,,,,,,,,,,\n"
            "2024-03-05T11:20:31.000+01:00,COM3,,splitter,stage.json,,,,,,,,,,,,,3,2,4,6,8,,,,,,,"
            ",,,\n");
  EXPECT_EQ(ReadFile(InFolder("inventory.jsonl")),
            R"({"time":"2024-03-05T11:20:30.045+01:00","port":"/dev/ttyUSB0",)"
            R"("port_id":"usb-FTDI_A1, left","kind":"subscriber","file":"desk.json","settings":)"
            R"({"key1":9,"key2":0,"key3":3,"key4":4,"key5":5,"key6":6,"key7":7,"key8":8,"key9":9,)"
            R"("key10":10,"studio":true,"device_address":5}})"
            "\n"
            R"({"time":"2024-03-05T11:20:31.000+01:00","port":"COM3","port_id":"",)"
            R"("kind":"splitter","file":"stage.json","settings":)"
            R"({"address":3,"input1":2,"input2":4,"input3":6,"input4":8}})"
            "\n");

  const std::string other = "time,port,kind,file\r\n";
  std::ofstream(InFolder("inventory.csv"), std::ios::binary) << other;
  fs::remove(InFolder("inventory.jsonl"));
  try {
    store.AddToInventory(stage_, "stage.json");
    ADD_FAILURE() << "another header was taken";
  } catch (const BackupError& error) {
    EXPECT_EQ(std::string(error.what()), "cannot write " + InFolder("inventory.csv") +
                                             ": its first line is not time,port,port_id,kind,"
                                             "file,key1,key2,key3,key4,key5,key6,key7,key8,key9,"
                                             "key10,studio,device_address,address,input1,input2,"
                                             "input3,input4,volume,tally,line1,line2,line3,line4,"
                                             "volume1,volume2,volume3,volume4");
  }
  EXPECT_EQ(ReadFile(InFolder("inventory.csv")), other);
  EXPECT_FALSE(fs::exists(InFolder("inventory.jsonl")));
}

#ifndef _WIN32
TEST_F(BackupStoreTest, AFolderThatCannotBeWrittenIsNamedWithTheSystemsReason) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
  fs::create_directories(folder_);
  ASSERT_EQ(chmod(folder_.c_str(), 0500), 0);
  BackupStore store(folder_, StandardCatalogue());
  try {
    store.Save(stage_, now_);
    ADD_FAILURE() << "saved into a read-only folder";
  } catch (const BackupError& error) {
    EXPECT_EQ(
        std::string(error.what()),
        "cannot write " + InFolder("splitter-3-20240305T102030.045Z.json") + ": Permission denied");
  }
}

// A write that stops part way, as on a full disk: the file-size limit cuts
// it after 64 bytes of the document.
TEST_F(BackupStoreTest, AFileCutShortIsRemovedAndNamedWithTheSystemsReason) {
  fs::create_directories(folder_);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    IgnoreFileSizeSignal();
    const rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      BackupStore(folder_, StandardCatalogue()).Save(desk_, now_);
    } catch (const BackupError& error) {
      _exit(std::string(error.what()) == "cannot write " +
                                             InFolder("subscriber-5-20240305T102030.045Z.json") +
                                             ": File too large"
                ? 0
                : 1);
    }
    _exit(2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: another message, 2: no failure";
  EXPECT_TRUE(fs::is_empty(folder_));
}

#endif

}  // namespace
}  // namespace intercom
