// intercom-cli end to end: the program itself against intercom-sim on a pty,
// with real pauses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "cli/plan.h"
#include "cli/report_formats.h"
#include "device/settings_json.h"
#include "protocol/frames.h"
#include "tests/support/cli_over_pty.h"
#include "tests/support/report_rows.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::CliOverPty;
using testing::Finished;
using testing::ReadFile;
using testing::ReportRows;
using testing::ReportRowsText;
using testing::Simulator;
using testing::SortedLines;
using testing::Values;
using testing::ValuesOf;

// The command bytes of the requests in a trace file.
std::vector<int> TracedCommands(const std::string& trace) {
  std::vector<int> commands;
  std::istringstream lines(trace);
  std::string stamp;
  std::string direction;
  std::string rest;
  while (lines >> stamp >> direction && std::getline(lines, rest)) {
    if (direction != ">") continue;
    std::istringstream bytes(rest);
    std::string byte;
    for (int i = 0; i < 4 && bytes >> byte; ++i) {
      if (i == 3) commands.push_back(std::stoi(byte, nullptr, 16));
    }
  }
  return commands;
}

// The monotonic seconds of the requests in a trace whose lines start with `prefix`.
std::vector<double> RequestTimes(const std::string& trace, const std::string& prefix) {
  std::vector<double> times;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::istringstream fields(line.substr(prefix.size()));
    double stamp = 0;
    std::string direction;
    if (fields >> stamp >> direction && direction == ">") times.push_back(stamp);
  }
  return times;
}

// The lines of a trace without their timestamps: "> E2 E4 ...", "= ...", "< ...".
std::vector<std::string> TraceLines(const std::string& trace) {
  std::vector<std::string> lines;
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) {
    const size_t blank = line.find(' ');
    if (blank != std::string::npos) lines.push_back(line.substr(blank + 1));
  }
  return lines;
}

bool IsWriteCommand(int code) {
  return code == 2 || code == 4 || code == 6 || code == 9 || code == 11;
}

struct KindCase {
  std::string kind;
  Values initial;       // the simulator's starting settings
  Values written;       // a write of every setting
  std::string refused;  // one --set out of range
  std::string refusal;  // the line that names it
};

class CliPerKind : public CliOverPty, public ::testing::WithParamInterface<KindCase> {};

TEST_P(CliPerKind, ReadJsonMatchesTheSimulator) {
  StartDevice(GetParam().kind);
  const Finished run = Cli({"read", "-p", Port(), "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Values expected = GetParam().initial;
  expected["kind"] = static_cast<int32_t>(StandardCatalogue().FindByName(GetParam().kind)->kind);
  EXPECT_EQ(ValuesOf(run.out), expected);
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(fs::exists(dir_ / "COM.ini"));
}

TEST_P(CliPerKind, WriteThenReadReturnsWhatWasWritten) {
  StartDevice(GetParam().kind);
  std::string json = "{\"kind\": \"" + GetParam().kind + "\"";
  for (const auto& [name, value] : GetParam().written) {
    json += ", \"" + name + "\": " + std::to_string(value);
  }
  WriteText("settings.json", json + "}\n");

  const Finished write = Cli({"write", "-p", Port(), "settings.json"});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  EXPECT_NE(write.out.find("read back: every setting matches"), std::string::npos) << write.out;
  EXPECT_NE(write.err.find("information: Новые настройки записаны."), std::string::npos)
      << write.err;

  const Finished read = Cli({"read", "-p", Port(), "--json"});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  Values expected = GetParam().written;
  expected["kind"] = static_cast<int32_t>(StandardCatalogue().FindByName(GetParam().kind)->kind);
  EXPECT_EQ(ValuesOf(read.out), expected);

  // The backup made before the write restores what the device held.
  const std::string said = "backup: " + (dir_ / "state" / "intercom-config" / "backups").string();
  ASSERT_TRUE(write.out.starts_with(said)) << write.out;
  const std::string backup = write.out.substr(8, write.out.find('\n') - 8);
  const Finished restore = Cli({"write", "-p", Port(), "--no-backup", backup});
  ASSERT_EQ(restore.exitCode, 0) << restore.err;
  expected = GetParam().initial;
  expected["kind"] = static_cast<int32_t>(StandardCatalogue().FindByName(GetParam().kind)->kind);
  EXPECT_EQ(ValuesOf(Cli({"read", "-p", Port(), "--json"}).out), expected);
}

TEST_P(CliPerKind, AValueOutOfRangeSendsNothingAndExits4) {
  StartDevice(GetParam().kind);
  const Finished run =
      Cli({"write", "-p", Port(), "--trace", "trace.log", "--set", GetParam().refused});
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_NE(run.err.find("error: " + GetParam().refusal + "\n"), std::string::npos) << run.err;
  const std::vector<int> commands = TracedCommands(ReadFile(dir_ / "trace.log"));
  EXPECT_FALSE(commands.empty());
  for (int code : commands) EXPECT_FALSE(IsWriteCommand(code)) << "command " << code << " was sent";

  const Finished read = Cli({"read", "-p", Port(), "--json"});
  Values expected = GetParam().initial;
  expected["kind"] = static_cast<int32_t>(StandardCatalogue().FindByName(GetParam().kind)->kind);
  EXPECT_EQ(ValuesOf(read.out), expected);
}

// Every exchange of a read and a verified write over an adapter that echoes:
// each request comes back first, on a line of its own in the trace, and the
// reply after it is the one taken.
TEST_P(CliPerKind, ALineThatEchoesReadsAndWritesAsAPlainOne) {
  StartDevice(GetParam().kind, {"--echo"});
  const int32_t kind = static_cast<int32_t>(StandardCatalogue().FindByName(GetParam().kind)->kind);
  const Finished read = Cli({"read", "-p", Port(), "--json", "--trace", "trace.log"});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  Values expected = GetParam().initial;
  expected["kind"] = kind;
  EXPECT_EQ(ValuesOf(read.out), expected);
  const std::vector<std::string> lines = TraceLines(ReadFile(dir_ / "trace.log"));
  // Probes of the kinds before it are echoed and get no reply.
  size_t replies = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with("> ")) {
      ASSERT_LT(i + 1, lines.size());
      EXPECT_EQ(lines[i + 1], "= " + lines[i].substr(2));
    } else if (lines[i].starts_with("< ")) {
      ++replies;
      EXPECT_TRUE(lines[i].starts_with("< E2 E4")) << lines[i];
      EXPECT_EQ(lines[i].size(), 2u + 16u * 3u - 1u) << lines[i];
    }
  }
  EXPECT_GE(replies, 2u);

  std::vector<std::string> write{"write", "-p", Port(), "--no-backup"};
  for (const auto& [name, value] : GetParam().written) {
    write.insert(write.end(), {"--set", name + "=" + std::to_string(value)});
  }
  const Finished written = Cli(write);
  ASSERT_EQ(written.exitCode, 0) << written.err;
  EXPECT_NE(written.out.find("read back: every setting matches"), std::string::npos) << written.out;
  expected = GetParam().written;
  expected["kind"] = kind;
  EXPECT_EQ(ValuesOf(Cli({"read", "-p", Port(), "--json"}).out), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CliPerKind,
    ::testing::Values(
        KindCase{"subscriber",
                 {{"key1", 1},
                  {"key2", 2},
                  {"key3", 3},
                  {"key4", 4},
                  {"key5", 5},
                  {"key6", 6},
                  {"key7", 7},
                  {"key8", 8},
                  {"key9", 9},
                  {"key10", 10},
                  {"studio", 0},
                  {"device_address", 5}},
                 {{"key1", 32},
                  {"key2", 0},
                  {"key3", 17},
                  {"key4", 4},
                  {"key5", 1},
                  {"key6", 6},
                  {"key7", 7},
                  {"key8", 8},
                  {"key9", 9},
                  {"key10", 0},
                  {"studio", 1},
                  {"device_address", 12}},
                 "key10=33",
                 "key10: 33 is out of range 0..32"},
        KindCase{"splitter",
                 {{"address", 3}, {"input1", 2}, {"input2", 4}, {"input3", 6}, {"input4", 8}},
                 {{"address", 31}, {"input1", 0}, {"input2", 16}, {"input3", 6}, {"input4", 9}},
                 "input2=17",
                 "input2: 17 is out of range 0..16"},
        KindCase{"beltpack",
                 {{"address", 7}, {"volume", 2}, {"tally", 7}},
                 {{"address", 1}, {"volume", 15}, {"tally", 256}},
                 "tally=257",
                 "tally: 257 is out of range 1..256"},
        KindCase{"switch",
                 {{"line1", 11},
                  {"line2", 12},
                  {"line3", 13},
                  {"line4", 14},
                  {"volume1", 1},
                  {"volume2", 2},
                  {"volume3", 3},
                  {"volume4", 4}},
                 {{"line1", 0},
                  {"line2", 32},
                  {"line3", 13},
                  {"line4", 2},
                  {"volume1", 16},
                  {"volume2", 0},
                  {"volume3", 3},
                  {"volume4", 11}},
                 "line3=-1",
                 "line3: -1 is out of range 0..32"}),
    [](const ::testing::TestParamInfo<KindCase>& info) { return info.param.kind; });

TEST_F(CliOverPty, ApplyWaitsForThreeDevicesOnTheSamePath) {
  WriteText("plan.csv",
            "label,kind,key1,studio,address,input1,line2,volume4\n"
            "desk,subscriber,9,true,,,,\n"
            "stage,splitter,,,12,5,,\n"
            "hub,switch,,,,,20,16\n");
  StartDevice("subscriber");
  ChildProcess cli(
      {INTERCOM_CLI_PROGRAM, "apply", "plan.csv", "-p", Port(), "--wait", "--report", "report.csv"},
      dir_.string());
  ASSERT_TRUE(cli.Started());

  std::vector<std::string> lines;
  for (const char* next : {"splitter", "switch", ""}) {
    const auto line = cli.ReadLine(15s);
    ASSERT_TRUE(line) << "no report line; stderr:\n" << cli.Err();
    lines.push_back(*line);
    // The device is "unplugged" and another kind is plugged in on the same path.
    StopDevice();
    if (*next != '\0') StartDevice(next);
  }
  const Finished end = cli.Wait(10s);
  EXPECT_EQ(end.exitCode, 0) << end.err;

  const std::string printed = lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n";
  EXPECT_EQ(ReportRows(printed),
            (std::vector<std::string>{
                "desk,subscriber," + Port() + ",OK,wrote key1=9 (was 1); studio=1 (was 0)",
                "stage,splitter," + Port() + ",OK,wrote address=12 (was 3); input1=5 (was 2)",
                "hub,switch," + Port() + ",OK,wrote line2=20 (was 12); volume4=16 (was 4)"}));
  const std::string report = ReadFile(dir_ / "report.csv");
  EXPECT_TRUE(report.starts_with("# intercom-cli report; plan sha256=")) << report;
  EXPECT_TRUE(
      report.ends_with("\ntime,label,kind,port,port_id,result,seconds,details,backup\n" + printed))
      << report;
}

TEST_F(CliOverPty, CtrlCWhileWaitingStopsAndSaysWhatIsLeft) {
  WriteText("plan.csv", "label,kind,address\na,splitter,3\nb,beltpack,4\n");
  ChildProcess cli({INTERCOM_CLI_PROGRAM, "apply", "plan.csv", "-p", Port(), "--wait"},
                   dir_.string());
  ASSERT_TRUE(cli.Started());
  // Nothing is on the path yet: the program waits.
  std::this_thread::sleep_for(500ms);
  cli.Signal(SIGINT);
  const Finished end = cli.Wait(5s);
  EXPECT_EQ(end.exitCode, 130) << end.err;
  EXPECT_NE(end.err.find("interrupted; rows not applied: a, b\n"), std::string::npos) << end.err;
}

TEST_F(CliOverPty, ExitCodesForPortDeviceAndKind) {
  EXPECT_EQ(Cli({"read", "-p", (dir_ / "missing").string()}).exitCode, 2);

  StartDevice("switch", {"--silent"});
  const Finished silent = Cli({"detect", "-p", Port()});
  EXPECT_EQ(silent.exitCode, 3);
  EXPECT_NE(silent.err.find("information: Ни одно устройство не подключено. 1. Проверьте наличие "
                            "питания. 2. Проверьте настройки COM-порта. 3. Проверьте "
                            "соединительные кабеля..\n"),
            std::string::npos)
      << silent.err;

  StartDevice("beltpack");
  EXPECT_EQ(Cli({"detect", "-p", Port()}).out, "beltpack\n");
  WriteText("switch.json", "{\"kind\": \"switch\", \"line1\": 3}");
  const Finished wrongKind = Cli({"write", "-p", Port(), "switch.json"});
  EXPECT_EQ(wrongKind.exitCode, 4);
  EXPECT_NE(wrongKind.err.find("switch.json holds settings of a switch, but a beltpack answered"),
            std::string::npos);

  EXPECT_EQ(Cli({"write", "-p", Port()}).exitCode, 1);
  EXPECT_EQ(Cli({"frobnicate"}).exitCode, 1);
  const Finished version = Cli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, std::string("intercom-cli ") + INTERCOM_VERSION + "\n");
}

TEST_F(CliOverPty, DoctorPassesAFreePtyAndFailsAMissingNodeWithTheReason) {
  // Only the master side is open here: nothing holds the terminal.
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string pty = ptsname(master);
  const Finished free = Cli({"doctor", "-p", pty});
  close(master);
  EXPECT_EQ(free.exitCode, 0) << free.out << free.err;
  EXPECT_EQ(free.out.find("FAIL"), std::string::npos) << free.out;
  EXPECT_NE(free.out.find("  ok    open: it opens\n"), std::string::npos) << free.out;
  EXPECT_NE(free.out.find("  verdict: usable"), std::string::npos) << free.out;

  const std::string missing = (dir_ / "ttyUSB9").string();
  const Finished gone = Cli({"doctor", "-p", missing});
  EXPECT_EQ(gone.exitCode, 2);
  EXPECT_EQ(gone.out.rfind(missing + "\n  FAIL  port: no such port \u2014 ", 0), 0u) << gone.out;
  EXPECT_NE(gone.out.find("  verdict: not usable: no such port"), std::string::npos) << gone.out;
}

TEST_F(CliOverPty, APulledCableIsNotWrittenAndExits5FromWriteAndFromApply) {
  // The switch answers its probe, its two reads and one SetLevel, then no more.
  StartDevice("switch", {"--vanish-after", "4"});
  const Finished write =
      Cli({"write", "-p", Port(), "--no-backup", "--set", "volume1=13", "--set", "volume2=13"});
  EXPECT_EQ(write.exitCode, 5);
  EXPECT_EQ(write.out, "answered, not read back: volume1=13 (was 1)\n");
  EXPECT_EQ(write.err.find("not written: volume1"), std::string::npos) << write.err;
  EXPECT_NE(write.err.find("not written: volume2=13 (was 2): no whole reply to SetLevel"),
            std::string::npos)
      << write.err;

  StartDevice("switch", {"--vanish-after", "4"});
  WriteText("plan.csv", "label,kind,volume1\nhub,switch,9\n");
  const Finished apply = Cli({"apply", "plan.csv", "-p", Port(), "--wait"}, 40s);
  EXPECT_EQ(apply.exitCode, 5) << apply.err;
  // Its one SetLevel was answered; the read back was not.
  EXPECT_NE(ReportRowsText(apply.out).find(
                "hub,switch," + Port() +
                ",UNVERIFIED,\"answered, not read back: "
                "volume1=9 (was 1); the switch did not answer the read back whole"),
            std::string::npos)
      << apply.out;
}

TEST_F(CliOverPty, AReSentValueTheDeviceStoresDamagedFailsWriteAndApply) {
  // What the device holds after storing address `sent` damaged.
  const auto damaged = [](int sent) {
    return DecodeAddress(static_cast<uint8_t>(EncodeAddress(sent) ^ 0x01));
  };
  StartDevice("beltpack", {"--corrupt-resend"});
  EXPECT_EQ(Cli({"write", "-p", Port(), "--set", "tally=9"}).exitCode, 0);
  // The settings write re-sends address 7 as the previous one did; the device
  // stores it damaged.
  const Finished tally = Cli({"write", "-p", Port(), "--no-backup", "--set", "tally=10"});
  EXPECT_EQ(tally.exitCode, 5) << tally.err;
  EXPECT_EQ(tally.out, "written: tally=10 (was 9)\n");
  EXPECT_NE(tally.err.find("error: address: sent 7 (re-sent unchanged), the device holds " +
                           damaged(7) + "\n"),
            std::string::npos)
      << tally.err;

  StartDevice("beltpack", {"--corrupt-resend"});
  EXPECT_EQ(Cli({"write", "-p", Port(), "--set", "tally=9"}).exitCode, 0);
  WriteText("plan.csv", "label,kind,tally\nbelt,beltpack,10\n");
  const Finished apply = Cli({"apply", "plan.csv", "-p", Port()});
  EXPECT_EQ(apply.exitCode, 5) << apply.err;
  EXPECT_EQ(ReportRowsText(apply.out),
            "belt,beltpack," + Port() +
                ",FAILED,\"written: tally=10 (was 9); address: sent 7 (re-sent "
                "unchanged), the device holds " +
                damaged(7) + "\"\n");

  // A subscriber set's write of key 1 re-sends keys 2..10.
  StartDevice("subscriber", {"--corrupt-resend"});
  EXPECT_EQ(Cli({"write", "-p", Port(), "--set", "key1=6"}).exitCode, 0);
  const Finished key = Cli({"write", "-p", Port(), "--no-backup", "--set", "key1=7"});
  EXPECT_EQ(key.exitCode, 5) << key.err;
  EXPECT_EQ(key.out, "");
  EXPECT_NE(key.err.find("not written: key1=7 (was 6): the read back of WriteSettings differs\n"
                         "error: key10: sent 10 (re-sent unchanged), the device holds " +
                         damaged(10) + "\n"),
            std::string::npos)
      << key.err;
}

// An adapter that echoes with no device on it hands back each request alone:
// no answer, not a device holding the request's zeros.
TEST_F(CliOverPty, AnEchoWithNothingAfterItIsNoDevice) {
  StartDevice("subscriber", {"--echo", "--silent"});
  const Finished run = Cli({"detect", "-p", Port(), "--trace", "trace.log"});
  EXPECT_EQ(run.exitCode, 3) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("information: Ни одно устройство не подключено."), std::string::npos)
      << run.err;
  size_t echoes = 0;
  for (const std::string& line : TraceLines(ReadFile(dir_ / "trace.log"))) {
    EXPECT_FALSE(line.starts_with("< ")) << line;
    if (line.starts_with("= E2 E4")) ++echoes;
  }
  EXPECT_EQ(echoes, StandardCatalogue().Kinds().size());
}

TEST_F(CliOverPty, PortDefaultsToComIniAndLeavesItAlone) {
  StartDevice("splitter");
  WriteText("COM.ini", Port() + "\r\n");
  const Finished run = Cli({"detect"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "splitter\n");
  EXPECT_EQ(ReadFile(dir_ / "COM.ini"), Port() + "\r\n");
}

TEST_F(CliOverPty, TwoPortsAreServedAtOnceAndEachRowIsAppliedOnce) {
  WriteText("plan.csv", "label,kind,address\nstage,splitter,12\nbelt,beltpack,9\n");
  StartDevice("splitter");
  const std::string port2 = (dir_ / "port2").string();
  Simulator second(simulator_, {"--kind", "beltpack", "--link", port2});
  ASSERT_FALSE(second.PortPath().empty());

  const Finished run = Cli({"apply", "plan.csv", "--wait", "-p", Port(), "-p", port2, "--report",
                            "report.csv", "--trace", "trace.log"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines{"belt,beltpack," + port2 + ",OK,wrote address=9 (was 7)",
                                       "stage,splitter," + Port() + ",OK,wrote address=12 (was 3)"};
  EXPECT_EQ(SortedLines(ReportRowsText(run.out)), lines);
  EXPECT_EQ(SortedLines(ReportRowsText(ReadFile(dir_ / "report.csv"))), lines);
  for (const std::string& line : SortedLines(run.err)) {
    EXPECT_TRUE(line.rfind(Port() + ": ", 0) == 0 || line.rfind(port2 + ": ", 0) == 0) << line;
  }
  // Each port's requests began before the other's ended.
  const std::string trace = ReadFile(dir_ / "trace.log");
  const std::vector<double> first = RequestTimes(trace, Port() + ": ");
  const std::vector<double> other = RequestTimes(trace, port2 + ": ");
  ASSERT_FALSE(first.empty() || other.empty()) << trace;
  EXPECT_LT(other.front(), first.back());
  EXPECT_LT(first.front(), other.back());
}

TEST_F(CliOverPty, ThePortComesFromTheWindowProgramsComIniFromAnyFolder) {
  StartDevice("splitter");
  const fs::path config = dir_ / "config" / "intercom-config";
  fs::create_directories(config);
  std::ofstream(config / "COM.ini", std::ios::binary) << Port() << "\r\n";
  fs::create_directories(dir_ / "elsewhere");
  const Finished run = Run({"/usr/bin/env", "XDG_CONFIG_HOME=" + (dir_ / "config").string(),
                            INTERCOM_CLI_PROGRAM, "detect"},
                           20s, dir_ / "elsewhere");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "splitter\n");
  EXPECT_EQ(ReadFile(config / "COM.ini"), Port() + "\r\n");
  EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
}

TEST_F(CliOverPty, AFifoAsTraceOrReportIsRefusedAtOnce) {
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  WriteText("plan.csv", "label,kind,address\na,splitter,3\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"detect", "-p", Port(), "--trace", "fifo"},
        std::vector<std::string>{"apply", "plan.csv", "-p", Port(), "--report", "fifo"}}) {
    const Finished run = Cli(args, 5s);
    EXPECT_EQ(run.exitCode, 1) << args[0] << ": " << run.err;
    EXPECT_EQ(run.err, "error: fifo: not a regular file\n");
  }
}

TEST_F(CliOverPty, AReportThatCannotBeWrittenEndsTheRunBeforeTheNextDevice) {
  WriteText("plan.csv", "label,kind,address\na,beltpack,3\nb,beltpack,4\n");
  StartDevice("beltpack", {"--log-requests", (dir_ / "requests.log").string()});
  const Finished full = Cli({"apply", "plan.csv", "-p", Port(), "--report", "/dev/full"});
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_EQ(full.err, "error: /dev/full: not a regular file\n");
  EXPECT_EQ(ReadFile(dir_ / "requests.log"), "");

  // A report already past the file size limit takes no line more.
  const std::string plan = ReadFile(dir_ / "plan.csv");
  const cli::ReportHeader header{
      "plan.csv",
      cli::PlanHash(StandardCatalogue(), cli::ParsePlan(StandardCatalogue(), plan, "plan.csv"))};
  cli::ReportRecord padding{"2026-12-08T09:00:00.000+00:00",
                            "a",
                            "beltpack",
                            Port(),
                            "",
                            std::string(cli::kResultFailed),
                            1.0,
                            std::string(4096, '#'),
                            ""};
  const std::string old = cli::ReportStartText(cli::ReportFormat::Csv, header) +
                          cli::ReportLineText(cli::ReportFormat::Csv, padding) + "\n";
  WriteText("report.csv", old);
  const Finished limited = CliWithSmallFileLimit(
      {"apply", "plan.csv", "-p", Port(), "--wait", "--report", "report.csv"});
  EXPECT_EQ(limited.exitCode, 1) << limited.err;
  EXPECT_EQ(ReportRowsText(limited.out), "a,beltpack," + Port() + ",OK,wrote address=3 (was 7)\n");
  EXPECT_NE(limited.err.find("error: report.csv: could not be written whole (disk full or file "
                             "size limit?); stopped; rows not applied: b\n"),
            std::string::npos)
      << limited.err;
  EXPECT_EQ(limited.err.find("unplug"), std::string::npos) << limited.err;
  EXPECT_EQ(ReadFile(dir_ / "report.csv"), old);
}

TEST_F(CliOverPty, ATraceThatCannotBeWrittenStopsBeforeTheFirstRequest) {
  StartDevice("switch", {"--log-requests", (dir_ / "requests.log").string()});
  const std::string old = std::string(4096, '#') + "\n";
  WriteText("trace.log", old);
  const Finished run = CliWithSmallFileLimit({"detect", "-p", Port(), "--trace", "trace.log"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("error: trace.log: could not be written whole; stopped before the next "
                         "request\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFile(dir_ / "requests.log"), "");
  EXPECT_EQ(ReadFile(dir_ / "trace.log"), old);
}

TEST_F(CliOverPty, TraceDashGoesToStandardError) {
  StartDevice("beltpack");
  const Finished run = Cli({"detect", "-p", Port(), "--trace", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "beltpack\n");
  const std::vector<int> commands = TracedCommands(run.err);
  EXPECT_FALSE(commands.empty()) << run.err;
  EXPECT_FALSE(fs::exists(dir_ / "-"));
}

}  // namespace
}  // namespace intercom
