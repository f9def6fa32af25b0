// The commands on fakes: which port a command opens when -p is not given,
// the port list's lines, apply on one port and on several at once, and the
// help's exit codes.
#include "cli/commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "sim/device_model.h"
#include "tests/support/commands_fixture.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;
using testing::Answered;
using testing::Bytes;
using testing::CsvFields;
using testing::KeptPort;

class CommandsTest : public testing::CommandsFixture {};

TEST_F(CommandsTest, WithoutPortTheOnlySerialPortIsUsed) {
  AddPort("ttyUSB3");
  EXPECT_EQ(RunDetect(env, {}), kExitDone) << err.str();
  EXPECT_EQ(out.str(), "beltpack\n");
  EXPECT_EQ(opened, (std::vector<std::vector<std::string>>{{"/dev/ttyUSB3"}}));
  EXPECT_FALSE(fs::exists(env.portChoicePath));
}

TEST_F(CommandsTest, WithSeveralPortsAndNoComIniItListsThemAndOpensNothing) {
  AddPort("ttyUSB0");
  AddPort("ttyS0");
  EXPECT_EQ(RunDetect(env, {}), kExitUsage);
  EXPECT_EQ(err.str(),
            "error: several serial ports and no COM.ini here; choose one with -p PORT:\n"
            "  /dev/ttyS0\n  /dev/ttyUSB0\n");
  EXPECT_TRUE(opened.empty());
}

TEST_F(CommandsTest, ComIniWinsOverThePortListAndPortOptionOverBoth) {
  AddPort("ttyUSB0");
  std::ofstream(env.portChoicePath, std::ios::binary) << "/dev/ttyACM7\r\nrest\n";
  EXPECT_EQ(RunDetect(env, {}), kExitDone) << err.str();
  EXPECT_EQ(RunDetect(env, {"/dev/ttyS9", ""}), kExitDone) << err.str();
  EXPECT_EQ(opened, (std::vector<std::vector<std::string>>{{"/dev/ttyACM7"}, {"/dev/ttyS9"}}));
}

TEST_F(CommandsTest, TheWindowProgramsComIniIsReadWhenTheWorkingDirectoryHasNone) {
  AddPort("ttyUSB0");
  fs::create_directories(fs::path(env.windowPortChoicePath).parent_path());
  std::ofstream(env.windowPortChoicePath, std::ios::binary) << "/dev/ttyACM3\r\n";
  EXPECT_EQ(RunDetect(env, {}), kExitDone) << err.str();
  std::ofstream(env.portChoicePath, std::ios::binary) << "/dev/ttyS4";
  EXPECT_EQ(RunDetect(env, {}), kExitDone) << err.str();
  EXPECT_EQ(opened, (std::vector<std::vector<std::string>>{{"/dev/ttyACM3"}, {"/dev/ttyS4"}}));
}

TEST_F(CommandsTest, ADanglingComIniLinkIsPassedOverAndLeftAsItIs) {
  AddPort("ttyUSB2");
  const fs::path target = root_ / "elsewhere" / "COM.ini";
  fs::create_symlink(target, env.portChoicePath);
  fs::create_directories(fs::path(env.windowPortChoicePath).parent_path());
  fs::create_symlink(target, env.windowPortChoicePath);
  EXPECT_EQ(RunDetect(env, {}), kExitDone) << err.str();
  EXPECT_EQ(opened, (std::vector<std::vector<std::string>>{{"/dev/ttyUSB2"}}));
  for (const std::string& link : {env.portChoicePath, env.windowPortChoicePath}) {
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), target);
  }
  EXPECT_FALSE(fs::exists(root_ / "elsewhere"));
}

TEST_F(CommandsTest, TheWindowProgramsComIniLiesWhereItsLauncherPutsIt) {
  EXPECT_EQ(WindowPortChoicePath("/x/conf", "/home/u"), "/x/conf/intercom-config/COM.ini");
  EXPECT_EQ(WindowPortChoicePath("conf", "/home/u"), "/home/u/.config/intercom-config/COM.ini");
  EXPECT_EQ(WindowPortChoicePath(nullptr, "/home/u"), "/home/u/.config/intercom-config/COM.ini");
  EXPECT_EQ(WindowPortChoicePath("", nullptr), "");
}

TEST_F(CommandsTest, NoPortAtAllIsAPortFailure) {
  EXPECT_EQ(RunRead(env, {}, false), kExitPort);
  EXPECT_EQ(err.str(),
            "error: no serial port found and no COM.ini here; name the port with -p PORT\n");
}

TEST_F(CommandsTest, PortsPrintsOneTabSeparatedLineEach) {
  AddPort("ttyS0");
  const fs::path usb = root_ / "devices" / "usb1";
  fs::create_directories(usb / "1-1:1.0");
  std::ofstream(usb / "idVendor") << "0403\n";
  std::ofstream(usb / "idProduct") << "6001\n";
  std::ofstream(usb / "manufacturer") << "FTDI\n";
  std::ofstream(usb / "product") << "FT232R USB UART\n";
  fs::create_directories(root_ / "tty" / "ttyUSB0");
  fs::create_directory_symlink(usb / "1-1:1.0", root_ / "tty" / "ttyUSB0" / "device");
  fs::create_directories(env.byIdDir);
  fs::create_symlink("../../ttyUSB0", fs::path(env.byIdDir) / "usb-FTDI_X-if00-port0");

  EXPECT_EQ(RunPorts(env), kExitDone);
  EXPECT_EQ(out.str(), "/dev/ttyS0\t-\t-\t-\t-\n/dev/ttyUSB0\t" + env.byIdDir +
                           "/usb-FTDI_X-if00-port0\t0403:6001\tFTDI\tFT232R USB UART\n");
}

TEST_F(CommandsTest, ApplyWaitTakesOneLostProbeReplyForTheSameDeviceNotTheNext) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\na,splitter,10\nb,splitter,11\n";
  DeviceModel splitter(DeviceKind::Splitter);
  int splitterProbes = 0;  // after the first write
  bool written = false;
  int framesAfterUnplug = 0;
  env.makePort = [&] {
    auto port = std::make_unique<KeptPort>(opened);
    port->responder = [&](const Bytes& frame) -> std::optional<Bytes> {
      const auto command = static_cast<CommandCode>(frame.at(3));
      if (command == CommandCode::WriteSettings) written = true;
      if (written && command == CommandCode::Probe && frame.at(2) == 2) ++splitterProbes;
      // Probe 1 is the read back's; 2 loses its reply; 3 and 4 are answered;
      // from 5 on the device is unplugged.
      if (splitterProbes == 2) return std::nullopt;
      if (splitterProbes >= 5) {
        ++framesAfterUnplug;
        return std::nullopt;
      }
      RequestFrame request{};
      std::copy_n(frame.begin(), request.size(), request.begin());
      const auto reply = splitter.Answer(request);
      if (!reply) return std::nullopt;
      return Bytes(reply->begin(), reply->end());
    };
    return port;
  };
  env.stopRequested = [&] { return framesAfterUnplug >= 12; };

  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, Apply((root_ / "plan.csv").string(), true, "")),
            kExitInterrupted);
  EXPECT_EQ(ReportRowsText(out.str()), "a,splitter,/dev/ttyUSB0,OK,wrote address=10 (was 3)\n");
  EXPECT_NE(err.str().find("interrupted; rows not applied: b\n"), std::string::npos) << err.str();
  EXPECT_EQ(splitter.Code("address"), EncodeAddress(10));
}

TEST_F(CommandsTest, SeveralPortsWaitingApplyEachRowOnceAcrossThem) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\na,splitter,10\nb,splitter,11\n";
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  devices.emplace("/dev/ttyUSB1", DeviceKind::Splitter);
  PortsFor(devices);
  CommonOptions options{"/dev/ttyUSB0", "", {"/dev/ttyUSB1"}};

  // Neither device is ever unplugged: each port applies one row, and the run
  // ends once both rows are taken.
  EXPECT_EQ(RunApply(env, options, Apply((root_ / "plan.csv").string(), true, "")), kExitDone)
      << err.str();
  const std::vector<std::string> lines = SortedLines(ReportRowsText(out.str()));
  ASSERT_EQ(lines.size(), 2u) << out.str();
  const uint8_t first = devices.at("/dev/ttyUSB0").Code("address");
  const uint8_t second = devices.at("/dev/ttyUSB1").Code("address");
  EXPECT_EQ(std::set<uint8_t>({first, second}),
            std::set<uint8_t>({EncodeAddress(10), EncodeAddress(11)}));
  const std::string portOfA = first == EncodeAddress(10) ? "/dev/ttyUSB0" : "/dev/ttyUSB1";
  const std::string portOfB = first == EncodeAddress(10) ? "/dev/ttyUSB1" : "/dev/ttyUSB0";
  EXPECT_EQ(lines,
            (std::vector<std::string>{"a,splitter," + portOfA + ",OK,wrote address=10 (was 3)",
                                      "b,splitter," + portOfB + ",OK,wrote address=11 (was 3)"}));
  for (const std::string& line : SortedLines(err.str())) {
    EXPECT_TRUE(line.rfind("/dev/ttyUSB0: ", 0) == 0 || line.rfind("/dev/ttyUSB1: ", 0) == 0)
        << line;
  }
}

TEST_F(CommandsTest, SeveralPortsWithoutWaitApplyOnceOnEachAndEndWithTheWorstCode) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\ns,splitter,10\nb,beltpack,12\n";
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  devices.emplace("/dev/ttyUSB1", DeviceKind::BeltPack);
  PortsFor(devices);  // /dev/ttyUSB2 stays silent
  CommonOptions options{"/dev/ttyUSB0", "", {"/dev/ttyUSB1", "/dev/ttyUSB2"}};

  EXPECT_EQ(RunApply(env, options, Apply((root_ / "plan.csv").string(), false, "")), kExitNoDevice);
  EXPECT_EQ(SortedLines(ReportRowsText(out.str())),
            (std::vector<std::string>{"b,beltpack,/dev/ttyUSB1,OK,wrote address=12 (was 7)",
                                      "s,splitter,/dev/ttyUSB0,OK,wrote address=10 (was 3)"}));
  EXPECT_NE(err.str().find("/dev/ttyUSB2: error: no device answered on /dev/ttyUSB2\n"),
            std::string::npos)
      << err.str();
}

TEST_F(CommandsTest, APortNamedTwiceIsRefusedBeforeAnyIsOpened) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\ns,splitter,10\n";
  CommonOptions options{"/dev/ttyUSB0", "", {"/dev/ttyUSB1", "/dev/ttyUSB0"}};
  EXPECT_EQ(RunApply(env, options, Apply((root_ / "plan.csv").string(), true, "")), kExitUsage);
  EXPECT_EQ(err.str(), "error: -p /dev/ttyUSB0 is given twice\n");
  EXPECT_TRUE(opened.empty());
}

TEST_F(CommandsTest, AReportOfOtherColumnsIsRefusedAndKeptAsItWas) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\ns,beltpack,10\n";
  const std::string old = "label,kind,result,details\nx,beltpack,OK,nothing to write\n";
  std::ofstream(root_ / "report.csv", std::ios::binary) << old;
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""},
                     Apply((root_ / "plan.csv").string(), false, (root_ / "report.csv").string())),
            kExitUsage);
  EXPECT_NE(err.str().find("its first line is not"), std::string::npos) << err.str();
  EXPECT_TRUE(opened.empty());
  std::ifstream in(root_ / "report.csv", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), old);
}

TEST_F(CommandsTest, AReportWithCrLfLineEndsIsAppendedTo) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\ns,beltpack,10\n";
  const std::string report = (root_ / "report.csv").string();
  ASSERT_EQ(
      RunApply(env, {"/dev/ttyUSB0", ""}, Apply((root_ / "plan.csv").string(), false, report)),
      kExitDone)
      << err.str();
  std::string old = ReadText(report);
  for (size_t at = old.find('\n'); at != std::string::npos; at = old.find('\n', at + 2)) {
    old.insert(at, "\r");
  }
  std::ofstream(report, std::ios::binary) << old;
  out.str("");
  EXPECT_EQ(
      RunApply(env, {"/dev/ttyUSB0", ""}, Apply((root_ / "plan.csv").string(), false, report)),
      kExitDone)
      << err.str();
  const std::string now = ReadText(report);
  ASSERT_EQ(now.substr(0, old.size()), old);
  EXPECT_EQ(now.substr(old.size()), out.str());
  EXPECT_EQ(ReportRows(out.str()),
            (std::vector<std::string>{"s,beltpack,/dev/ttyUSB0,OK,nothing to write"}));
}

TEST_F(CommandsTest, AReportLineReadsBackToTheLabelHoldingQuotesAndCommas) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\n\"desk \"\"A\"\", left\",beltpack,10\n";
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""},
                     Apply((root_ / "plan.csv").string(), false, (root_ / "report.csv").string())),
            kExitDone)
      << err.str();
  std::ifstream in(root_ / "report.csv", std::ios::binary);
  std::string start;
  std::string header;
  std::string line;
  ASSERT_TRUE(std::getline(in, start) && std::getline(in, header) && std::getline(in, line));
  const auto fields = CsvFields(line);
  ASSERT_TRUE(fields) << line;
  ASSERT_EQ(fields->size(), 9u) << line;
  EXPECT_EQ(fields->at(1), "desk \"A\", left");
  EXPECT_EQ(fields->at(2), "beltpack");
  EXPECT_EQ(fields->at(3), "/dev/ttyUSB0");
  EXPECT_EQ(fields->at(5), "OK");
}

TEST_F(CommandsTest, WriteRefusesBadInputWithCode4BeforeThePortIsOpened) {
  std::ofstream(root_ / "bad.json") << "{\"kind\":\"splitter\",\"address\":3x}";
  const struct {
    std::string file;
    std::vector<std::string> sets;
    std::string error;
  } cases[] = {
      {(root_ / "bad.json").string(), {}, "bad.json: after address: not a JSON document"},
      {"", {"key3"}, "--set key3: expected NAME=VALUE with a setting name"},
      {"", {"address=3", "adress=3"}, "--set adress=3: expected NAME=VALUE with a setting name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    err.str("");
    EXPECT_EQ(RunWrite(env, {"/dev/ttyUSB0", ""}, {c.file, c.sets}), kExitRefused);
    EXPECT_NE(err.str().find(c.error), std::string::npos) << err.str();
    EXPECT_TRUE(opened.empty());
  }
  EXPECT_EQ(device.Code("address"), DeviceModel(DeviceKind::BeltPack).Code("address"));
}

TEST_F(CommandsTest, AnEmptyOrBlankPortNameIsAUsageErrorBeforeAnythingIsOpened) {
  AddPort("ttyUSB0");
  std::ofstream(env.portChoicePath, std::ios::binary) << "/dev/ttyACM7\r\n";
  const std::string plan = (root_ / "plan.csv").string();
  std::ofstream(plan) << "label,kind,address\ns,beltpack,10\n";
  const std::vector<std::vector<std::string>> commandLines = {
      {"detect", "-p", ""},          {"read", "--port", " "},
      {"read", "--json", "--port="}, {"write", "-p", "\t", "--set", "address=3"},
      {"apply", "-p", "", plan},     {"apply", "-p", "/dev/ttyUSB0", "-p", " \r\n", plan},
  };
  for (const auto& commandLine : commandLines) {
    std::vector<const char*> argv{"intercom-cli"};
    for (const std::string& arg : commandLine) argv.push_back(arg.c_str());
    SCOPED_TRACE(commandLine.front());
    err.str("");
    EXPECT_EQ(RunCommandLine(static_cast<int>(argv.size()), argv.data(), env), kExitUsage);
    EXPECT_NE(err.str().find("--port"), std::string::npos) << err.str();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(out.str(), "");
  }
}

TEST_F(CommandsTest, ProgressIsShownOnlyToAPersonAtATerminal) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\ns,beltpack,10\n";
  const std::string plan = (root_ / "plan.csv").string();
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, Apply(plan, false, "")), kExitDone) << err.str();
  EXPECT_EQ(err.str().find("progress:"), std::string::npos) << err.str();
  env.errIsTerminal = true;
  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, Apply(plan, false, "")), kExitDone) << err.str();
  EXPECT_NE(err.str().find("progress: 1/1 rows done\n"), std::string::npos) << err.str();
}

TEST_F(CommandsTest, ACutReadNamesWhatWasNotReadAndExits3) {
  DeviceModel hub(DeviceKind::Switch);
  env.makePort = [&] {
    auto port = std::make_unique<KeptPort>(opened);
    port->responder = [&](const Bytes& frame) -> std::optional<Bytes> {
      auto reply = Answered(hub, frame);
      if (reply && static_cast<CommandCode>(frame.at(3)) == CommandCode::ReadSettings) {
        reply->resize(7);
      }
      return reply;
    };
    return port;
  };
  const std::string said =
      "error: the switch on /dev/ttyUSB0 did not answer every read; not read: line1, line2, "
      "line3, line4 (ReadSettings: cut after 7 bytes)\n";

  EXPECT_EQ(RunRead(env, {"/dev/ttyUSB0", ""}, false), kExitNoDevice);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), said);
  err.str("");
  EXPECT_EQ(RunDetect(env, {"/dev/ttyUSB0", ""}), kExitNoDevice);
  EXPECT_EQ(err.str(), said);
}

TEST_F(CommandsTest, AWriteWhoseReadBackDiffersExits5) {
  DeviceModel stage(DeviceKind::Splitter);
  env.makePort = [&] {
    auto port = std::make_unique<KeptPort>(opened);
    port->responder = [&](const Bytes& frame) -> std::optional<Bytes> {
      Bytes request = frame;
      // Answers the write, stores another address.
      if (static_cast<CommandCode>(frame.at(3)) == CommandCode::WriteSettings) {
        request.at(kPayloadOffset) = EncodeAddress(11);
      }
      return Answered(stage, request);
    };
    return port;
  };

  EXPECT_EQ(RunWrite(env, {"/dev/ttyUSB0", ""},
                     {.file = "", .sets = {"address=10"}, .backup = {.folder = "", .off = true}}),
            kExitDiffers);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("not written: address=10 (was 3): the read back of WriteSettings "
                           "differs\nerror: address: sent 10, the device holds 11\n"),
            std::string::npos)
      << err.str();
}

TEST_F(CommandsTest, ARowWhoseReadBackIsCutIsUnverifiedNotFailed) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\ns,splitter,10\n";
  DeviceModel stage(DeviceKind::Splitter);
  bool written = false;
  env.makePort = [&] {
    auto port = std::make_unique<KeptPort>(opened);
    port->responder = [&](const Bytes& frame) -> std::optional<Bytes> {
      const auto command = static_cast<CommandCode>(frame.at(3));
      written = written || command == CommandCode::WriteSettings;
      auto reply = Answered(stage, frame);
      if (reply && written && command == CommandCode::ReadSettings) reply->resize(7);
      return reply;
    };
    return port;
  };

  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, Apply((root_ / "plan.csv").string(), false, "")),
            kExitDiffers);
  EXPECT_EQ(ReportRowsText(out.str()),
            "s,splitter,/dev/ttyUSB0,UNVERIFIED,\"answered, not read back: address=10 (was 3); the "
            "splitter did not answer the read back whole: address (ReadSettings: cut after 7 "
            "bytes)\"\n");
  EXPECT_EQ(stage.Code("address"), EncodeAddress(10));
}

TEST_F(CommandsTest, AStopDuringTheReadBackReportsTheRowStoppedWithWhatWasAnswered) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\ns,splitter,10\nt,splitter,11\n";
  std::map<std::string, DeviceModel> devices;
  devices.emplace("/dev/ttyUSB0", DeviceKind::Splitter);
  PortsFor(devices);  // /dev/ttyUSB1 stays silent
  const auto makePort = env.makePort;
  std::atomic<bool> answered = false;
  env.makePort = [&] {
    auto port = makePort();
    auto* fake = static_cast<intercom::testing::FakeSerialPort*>(port.get());
    fake->responder = [&answered, respond = fake->responder](const Bytes& frame) {
      auto reply = respond(frame);
      if (reply && static_cast<CommandCode>(frame.at(3)) == CommandCode::WriteSettings) {
        answered = true;
      }
      return reply;
    };
    return port;
  };
  env.stopRequested = [&] { return answered.load(); };
  CommonOptions options{"/dev/ttyUSB0", "", {"/dev/ttyUSB1"}};

  EXPECT_EQ(RunApply(env, options, Apply((root_ / "plan.csv").string(), true, "")),
            kExitInterrupted);
  EXPECT_EQ(ReportRowsText(out.str()),
            "s,splitter,/dev/ttyUSB0,STOPPED,\"interrupted: answered, not read back: address; "
            "not written: nothing\"\n");
  EXPECT_EQ(devices.at("/dev/ttyUSB0").Code("address"), EncodeAddress(10));
}

// The fixture's belt pack, noting for each request that writes how many
// backups the folder then holds.
class WriteBackupTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    env.makePort = [this] {
      auto port = std::make_unique<KeptPort>(opened);
      port->responder = [this](const Bytes& frame) {
        const auto command = static_cast<CommandCode>(frame.at(3));
        if (std::set<CommandCode>{CommandCode::WriteDeviceAddress, CommandCode::WriteSettings,
                                  CommandCode::SetLevel, CommandCode::WriteStudioMode,
                                  CommandCode::WriteTallyAddress}
                .count(command) != 0) {
          backupsAtEachWrite.push_back(Backups().size());
        }
        return Answered(device, frame);
      };
      return port;
    };
  }
  // intercom-cli write -p /dev/ttyUSB0 ARGS...
  int Write(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"intercom-cli", "write", "-p", "/dev/ttyUSB0"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    return RunCommandLine(static_cast<int>(argv.size()), argv.data(), env);
  }
  std::string ReadJson() {
    out.str("");
    EXPECT_EQ(RunRead(env, {"/dev/ttyUSB0", ""}, true), kExitDone) << err.str();
    const std::string json = out.str();
    out.str("");
    return json;
  }
  // The backups in root/backups, the fixture's folder.
  std::vector<fs::path> Backups() const {
    std::vector<fs::path> files;
    if (!fs::is_directory(root_ / "backups")) return files;
    for (const auto& entry : fs::directory_iterator(root_ / "backups")) {
      if (entry.path().extension() == ".json") files.push_back(entry.path());
    }
    return files;
  }

  std::vector<size_t> backupsAtEachWrite;
};

TEST_F(WriteBackupTest, AWriteBacksUpFirstAndTheBackupWritesTheDeviceBack) {
  const std::string before = ReadJson();
  env.backupFolder = (root_ / "elsewhere").string();
  const std::string folder = (root_ / "backups").string();
  ASSERT_EQ(Write({"--backup-dir", folder, "--set", "address=12", "--set", "tally=9"}), kExitDone)
      << err.str();
  const std::vector<fs::path> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_TRUE(backups[0].filename().string().starts_with("beltpack-7-")) << backups[0];
  EXPECT_EQ(out.str(), "backup: " + backups[0].string() +
                           "\nwritten: address=12 (was 7)\nwritten: tally=9 (was 7)\n"
                           "read back: every setting matches\n");
  EXPECT_EQ(backupsAtEachWrite, (std::vector<size_t>{1, 1}));
  std::ifstream saved(backups[0], std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), before);
  EXPECT_FALSE(fs::exists(root_ / "elsewhere"));

  out.str("");
  ASSERT_EQ(Write({backups[0].string(), "--no-backup"}), kExitDone) << err.str();
  EXPECT_EQ(out.str(),
            "written: address=7 (was 12)\nwritten: tally=7 (was 9)\n"
            "read back: every setting matches\n");
  EXPECT_EQ(ReadJson(), before);
  // A write with nothing to change backs nothing up.
  ASSERT_EQ(Write({backups[0].string()}), kExitDone) << err.str();
  EXPECT_EQ(Backups().size(), 1u);
}

TEST_F(WriteBackupTest, ABackupThatCannotBeMadeSendsNoWriteAndExits1) {
  std::ofstream(root_ / "plain") << "a file, not a folder\n";
  EXPECT_EQ(Write({"--backup-dir", (root_ / "plain").string(), "--set", "address=12"}), kExitUsage);
  const std::string said = err.str();
  const std::string start = "error: cannot write " + (root_ / "plain").string() + "/beltpack-7-";
  EXPECT_TRUE(said.starts_with(start)) << said;
  EXPECT_TRUE(said.ends_with(".json: Not a directory\nerror: nothing was written\n")) << said;

  err.str("");
  env.backupFolder = "";
  EXPECT_EQ(Write({"--set", "address=12"}), kExitUsage);
  EXPECT_EQ(err.str(),
            "error: no folder for backups is known (the environment names no home folder); give "
            "--backup-dir DIR, or --no-backup to write without a backup\n"
            "error: nothing was written\n");
  EXPECT_TRUE(backupsAtEachWrite.empty());
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(device.Code("address"), EncodeAddress(7));
}

TEST_F(WriteBackupTest, CheckSaysWhatWouldChangeAndSendsNoWrite) {
  EXPECT_EQ(Write({"--check", "--set", "address=12", "--set", "volume=2", "--set", "tally=9"}),
            kExitWouldChange)
      << err.str();
  EXPECT_EQ(out.str(), "would write: address=12 (holds 7)\nwould write: tally=9 (holds 7)\n");
  out.str("");
  EXPECT_EQ(Write({"--check", "--set", "address=7", "--set", "volume=2"}), kExitDone) << err.str();
  EXPECT_EQ(out.str(), "in sync: nothing would change\n");
  out.str("");
  EXPECT_EQ(Write({"--check", "--set", "volume=17"}), kExitRefused);
  EXPECT_EQ(err.str(), "error: volume: 17 is out of range 0..16\n");
  EXPECT_EQ(out.str(), "");
  for (const char* other : {"--no-verify", "--no-backup"}) {
    EXPECT_EQ(Write({"--check", other, "--set", "address=12"}), kExitUsage) << other;
  }
  EXPECT_TRUE(backupsAtEachWrite.empty());
  EXPECT_FALSE(fs::exists(env.backupFolder));
}

TEST_F(CommandsTest, EveryCommandsHelpShowsTheSameExitCodes) {
  const std::string table =
      "Exit codes (the same for every command):\n"
      "  0      done\n"
      "  1      usage: a bad command line, or a file that cannot be read or written\n"
      "         (settings file, plan, COM.ini, report or trace file)\n"
      "  2      the port could not be opened or configured (doctor: a port cannot\n"
      "         be used)\n"
      "  3      no device answered, or it did not answer whole\n"
      "  4      input refused: out of range, not a number, wrong kind, unknown name\n"
      "  5      not all written and read back: a request unanswered, a read back\n"
      "         not whole (apply: UNVERIFIED) or one that differs\n"
      "  6      --check: a device does not hold what it would be given\n"
      "  128+N  ended by signal N between two exchanges: 130 Ctrl+C (SIGINT),\n"
      "         143 SIGTERM, 129 SIGHUP\n";
  for (const char* command :
       {"", "ports", "detect", "read", "write", "apply", "backup", "doctor"}) {
    std::ostringstream help;
    Environment helpEnv{help, err, nullptr, [](int) {}, [] { return false; }};
    std::vector<const char*> argv{"intercom-cli"};
    if (*command != '\0') argv.push_back(command);
    argv.push_back("--help");
    EXPECT_EQ(RunCommandLine(static_cast<int>(argv.size()), argv.data(), helpEnv), kExitDone);
    EXPECT_NE(help.str().find(table), std::string::npos) << command << ":\n" << help.str();
  }
}

}  // namespace
}  // namespace intercom::cli
