// A whole site on fakes: dry runs, backups before writing, resumed runs, the
// backup command and a station serving adapters as they come and go.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/plan.h"
#include "cli/report_formats.h"
#include "cli/report_writer.h"
#include "device/settings_json.h"
#include "tests/support/commands_fixture.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

class StationTest : public testing::CommandsFixture {
 protected:
  std::string Plan(const std::string& text) {
    std::ofstream(root_ / "plan.csv") << text;
    return (root_ / "plan.csv").string();
  }
  std::vector<fs::path> Backups() const {
    std::vector<fs::path> files;
    if (!fs::exists(root_ / "backups")) return files;
    for (const auto& entry : fs::directory_iterator(root_ / "backups")) {
      if (entry.path().extension() == ".json") files.push_back(entry.path());
    }
    return files;
  }
};

TEST_F(StationTest, CheckSaysWhatWouldChangeWritesNothingAndExits6OnlyThen) {
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);  // address 3
  devices.emplace("/dev/ttyUSB1", DeviceKind::BeltPack);  // address 7
  PortsFor(devices);
  const CommonOptions ports{"/dev/ttyUSB0", "", {"/dev/ttyUSB1"}};
  ApplyOptions check = Apply(Plan("label,kind,address\ns,splitter,3\nb,beltpack,12\n"), false);
  check.check = true;

  EXPECT_EQ(RunApply(env, ports, check), kExitWouldChange) << err.str();
  EXPECT_EQ(SortedLines(ReportRowsText(out.str())),
            (std::vector<std::string>{
                "b,beltpack,/dev/ttyUSB1,WOULD CHANGE,would write: address=12 (holds 7)",
                "s,splitter,/dev/ttyUSB0,IN SYNC,nothing would change"}));
  EXPECT_EQ(devices.at("/dev/ttyUSB1").Code("address"), EncodeAddress(7));
  EXPECT_TRUE(Backups().empty());

  out.str("");
  check.planFile = Plan("label,kind,address\ns,splitter,3\nb,beltpack,7\n");
  EXPECT_EQ(RunApply(env, ports, check), kExitDone) << err.str();
}

TEST_F(StationTest, ARowBacksUpWhatTheDeviceHeldFirstAndABackupThatFailsStopsTheRow) {
  // The belt pack (address 7) is written; nothing is kept of a device that
  // already holds its row.
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""},
                     Apply(Plan("label,kind,address\nb,beltpack,12\n"), false)),
            kExitDone)
      << err.str();
  const std::vector<fs::path> files = Backups();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0].filename().string().starts_with("beltpack-7-")) << files[0];
  const DeviceSettings kept = ParseSettingsJson(StandardCatalogue(), ReadText(files[0]), "backup");
  EXPECT_EQ(kept.values.at(0).value, 7);
  EXPECT_NE(out.str().find(files[0].string()), std::string::npos) << out.str();
  EXPECT_EQ(device.Code("address"), EncodeAddress(12));

  out.str("");
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""},
                     Apply(Plan("label,kind,address\nb,beltpack,12\n"), false)),
            kExitDone);
  EXPECT_EQ(Backups().size(), 1u);

  // A backup folder that cannot be made: the row is not written.
  std::ofstream(root_ / "not-a-folder") << "x";
  env.backupFolder = (root_ / "not-a-folder" / "backups").string();
  out.str("");
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""},
                     Apply(Plan("label,kind,address\nb,beltpack,20\n"), false)),
            kExitUsage);
  EXPECT_EQ(device.Code("address"), EncodeAddress(12));
  const std::vector<std::string> rows = ReportRows(out.str());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(
      rows[0].starts_with("b,beltpack,/dev/ttyUSB0,FAILED,not written: the backup failed: "))
      << rows[0];
}

TEST_F(StationTest, ResumeDoesOnlyWhatIsLeftRetriesFailedRowsWhenAskedAndRefusesAnotherPlan) {
  const std::string plan =
      Plan("label,kind,address\na,splitter,10\nb,splitter,11\nc,splitter,12\n");
  const std::string report = (root_ / "report.csv").string();
  {
    const auto rows = ParsePlan(StandardCatalogue(), ReadText(plan), plan);
    ReportWriter writer;
    ASSERT_TRUE(
        writer.Open(err, report, ReportFormat::Csv, {plan, PlanHash(StandardCatalogue(), rows)}));
    for (const auto& [label, result] :
         std::vector<std::pair<std::string, std::string_view>>{{"a", kResultFailed},
                                                               {"a", kResultOk},
                                                               {"b", kResultFailed},
                                                               {"c", kResultOk},
                                                               {"c", kResultStopped}}) {
      ReportRecord record;
      record.time = "2026-12-08T09:00:00.000+00:00";
      record.label = label;
      record.kind = "splitter";
      record.result = result;
      ASSERT_TRUE(writer.Add(record));
    }
  }
  // One splitter that is never unplugged: each run ends once its rows are taken.
  ApplyOptions resume = Apply(plan, true);
  resume.resumeReport = report;
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  PortsFor(devices);
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, resume), kExitDiffers) << err.str();
  EXPECT_EQ(ReportRowsText(out.str()), "c,splitter,/dev/ttyUSB0,OK,wrote address=12 (was 3)\n");
  EXPECT_NE(err.str().find("failed before and left alone (--retry-failed retries them): b"),
            std::string::npos)
      << err.str();

  out.str("");
  resume.retryFailed = true;
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, resume), kExitDone) << err.str();
  EXPECT_EQ(ReportRowsText(out.str()), "b,splitter,/dev/ttyUSB0,OK,wrote address=11 (was 12)\n");
  const auto contents = ReadReport(err, report, ReportFormat::Csv);
  ASSERT_TRUE(contents);
  EXPECT_EQ(contents->records.size(), 7u);

  err.str("");
  resume.planFile = Plan("label,kind,address\na,splitter,10\nb,splitter,11\nc,splitter,13\n");
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, resume), kExitUsage);
  EXPECT_NE(err.str().find("is the report of another plan"), std::string::npos) << err.str();
}

// Events handed out in batches, each once its condition holds.
class ScriptedWatcher : public PortWatcher {
 public:
  struct Step {
    std::function<bool()> when;
    std::function<void()> then;  // the world changes, and then the events say so
    std::vector<PortEvent> events;
  };
  explicit ScriptedWatcher(std::deque<Step> steps) : steps_(std::move(steps)) {}
  std::vector<PortEvent> Next(int) override {
    if (steps_.empty() || !steps_.front().when()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return {};
    }
    if (steps_.front().then) steps_.front().then();
    std::vector<PortEvent> events = std::move(steps_.front().events);
    steps_.pop_front();
    return events;
  }

 private:
  std::deque<Step> steps_;
};

TEST_F(StationTest, AnyPortServesEachAdapterWhileItIsPresentNamedByItsSocket) {
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  devices.emplace("/dev/ttyUSB1", DeviceKind::BeltPack);
  std::mutex mutex;
  std::set<std::string> present{"/dev/ttyUSB0", "/dev/ttyUSB1"};
  const auto isPresent = [&](const std::string& name) {
    const std::lock_guard<std::mutex> lock(mutex);
    return present.count(name) > 0;
  };
  PortsFor(devices, isPresent);
  const auto setPresent = [&](const std::string& name, bool there) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (there)
      present.insert(name);
    else
      present.erase(name);
  };
  const WatchedPort first{"/dev/ttyUSB0", "/dev/serial/by-path/usb-0:1", "/dev/serial/by-id/a"};
  const WatchedPort second{"/dev/ttyUSB1", "/dev/serial/by-path/usb-0:2", ""};
  // The report lines are read while the ports' threads write them.
  testing::LockedText text;
  static_cast<std::ostream&>(out).rdbuf(&text);
  const auto rows = [&] { return ReportRows(text.Text()).size(); };
  std::deque<ScriptedWatcher::Step> steps{
      {[] { return true; },
       nullptr,
       {{PortEvent::Type::Added, first}, {PortEvent::Type::Added, second}}},
      // The splitter is pulled once both rows are done, and plugged back in.
      {[&] { return rows() >= 2; },
       [&] { setPresent(first.path, false); },
       {{PortEvent::Type::Removed, first}}},
      {[] { return true; },
       [&] { setPresent(first.path, true); },
       {{PortEvent::Type::Added, first}}}};
  env.makeWatcher = [&](const std::string&) -> std::unique_ptr<PortWatcher> {
    return std::make_unique<ScriptedWatcher>(std::move(steps));
  };
  ApplyOptions apply =
      Apply(Plan("label,kind,address\ns1,splitter,10\nb,beltpack,12\ns2,splitter,11\n"), true);
  apply.station.anyPort = true;

  EXPECT_EQ(RunApply(env, {}, apply), kExitDone) << err.str();
  EXPECT_EQ(SortedLines(ReportRowsText(text.Text())),
            (std::vector<std::string>{
                "b,beltpack,/dev/serial/by-path/usb-0:2,OK,wrote address=12 (was 7)",
                "s1,splitter,/dev/serial/by-path/usb-0:1,OK,wrote address=10 (was 3)",
                "s2,splitter,/dev/serial/by-path/usb-0:1,OK,wrote address=11 (was 10)"}));
  EXPECT_NE(text.Text().find(",/dev/serial/by-id/a,"), std::string::npos) << text.Text();
}

TEST_F(StationTest, AnAdapterPulledDuringARowIsReportedForItAndTheOthersGoOn) {
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  devices.emplace("/dev/ttyUSB1", DeviceKind::BeltPack);
  std::atomic<bool> pulled = false;
  PortsFor(devices, [&](const std::string& name) { return name != "/dev/ttyUSB0" || !pulled; });
  const auto makePort = env.makePort;
  env.makePort = [&] {
    auto port = makePort();
    auto* fake = static_cast<intercom::testing::FakeSerialPort*>(port.get());
    fake->responder = [&pulled, fake, respond = fake->responder](const Bytes& frame) {
      auto reply = respond(frame);
      // The splitter answers its write, and its adapter is pulled.
      if (fake->openedNames.back() == "/dev/ttyUSB0" &&
          static_cast<CommandCode>(frame.at(3)) == CommandCode::WriteSettings) {
        pulled = true;
      }
      return reply;
    };
    return port;
  };
  const WatchedPort first{"/dev/ttyUSB0", "/dev/serial/by-path/usb-0:1", ""};
  const WatchedPort second{"/dev/ttyUSB1", "/dev/serial/by-path/usb-0:2", ""};
  testing::LockedText text;
  static_cast<std::ostream&>(out).rdbuf(&text);
  std::deque<ScriptedWatcher::Step> steps{
      {[] { return true; },
       nullptr,
       {{PortEvent::Type::Added, first}, {PortEvent::Type::Added, second}}},
      {[&] { return text.Text().find(",s,") != std::string::npos; },
       nullptr,
       {{PortEvent::Type::Removed, first}}}};
  env.makeWatcher = [&](const std::string&) -> std::unique_ptr<PortWatcher> {
    return std::make_unique<ScriptedWatcher>(std::move(steps));
  };
  ApplyOptions apply = Apply(Plan("label,kind,address\ns,splitter,10\nb,beltpack,12\n"), true);
  apply.station.anyPort = true;

  EXPECT_EQ(RunApply(env, {}, apply), kExitDiffers) << err.str();
  const std::vector<std::string> rows = SortedLines(ReportRowsText(text.Text()));
  ASSERT_EQ(rows.size(), 2u) << text.Text();
  EXPECT_EQ(rows[0], "b,beltpack,/dev/serial/by-path/usb-0:2,OK,wrote address=12 (was 7)");
  EXPECT_TRUE(
      rows[1].starts_with("s,splitter,/dev/serial/by-path/usb-0:1,UNVERIFIED,\"answered, "
                          "not read back: address=10 (was 3)"))
      << rows[1];
}

// The loops do not outlive the watching: a run whose plan still has rows left
// ends with the port error instead of waiting for Ctrl+C.
TEST_F(StationTest, AnyPortEndsItsLoopsWhenTheWatchingFails) {
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  PortsFor(devices);
  testing::LockedText text;
  static_cast<std::ostream&>(out).rdbuf(&text);
  std::deque<ScriptedWatcher::Step> steps{
      {[] { return true; },
       nullptr,
       {{PortEvent::Type::Added, {"/dev/ttyUSB0", "/dev/serial/by-path/usb-0:1", ""}}}},
      {[&] { return ReportRows(text.Text()).size() >= 1; },
       [] { throw PortWatchError("the device events cannot be read"); },
       {}}};
  env.makeWatcher = [&](const std::string&) -> std::unique_ptr<PortWatcher> {
    return std::make_unique<ScriptedWatcher>(std::move(steps));
  };
  ApplyOptions apply = Apply(Plan("label,kind,address\ns1,splitter,10\ns2,splitter,11\n"), true);
  apply.station.anyPort = true;

  EXPECT_EQ(RunApply(env, {}, apply), kExitPort) << err.str();
  EXPECT_NE(err.str().find("error: watching the serial adapters failed: the device events cannot "
                           "be read\n"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(ReportRows(text.Text()).size(), 1u) << text.Text();
}

TEST_F(StationTest, BackupSavesEachDeviceMetAndAddsItToTheInventory) {
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  devices.emplace("/dev/ttyUSB1", DeviceKind::Switch);
  PortsFor(devices);
  EXPECT_EQ(RunBackup(env, {"/dev/ttyUSB0", "", {"/dev/ttyUSB1"}}, {}, {}), kExitDone) << err.str();
  ASSERT_EQ(Backups().size(), 2u);
  for (const fs::path& file : Backups()) {
    EXPECT_NE(out.str().find("backup: " + file.string() + "\n"), std::string::npos) << out.str();
    const DeviceSettings kept =
        ParseSettingsJson(StandardCatalogue(), ReadText(file), file.string());
    EXPECT_TRUE(kept.kind == DeviceKind::Splitter || kept.kind == DeviceKind::Switch);
  }
  const std::string inventory = ReadText(root_ / "backups" / "inventory.csv");
  EXPECT_EQ(std::count(inventory.begin(), inventory.end(), '\n'), 3) << inventory;
}

}  // namespace
}  // namespace intercom::cli
