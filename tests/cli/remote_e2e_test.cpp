// intercom-cli end to end through a serial server: ser2net on 127.0.0.1 in front
// of intercom-sim's ptys, reached as rfc2217://HOST:PORT and socket://HOST:PORT.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "tests/support/cli_over_pty.h"
#include "tests/support/report_rows.h"
#include "tests/support/ser2net_process.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::CliOverPty;
using testing::Finished;
using testing::FreeLoopbackPort;
using testing::ReadFile;
using testing::ReportRowsText;
using testing::Ser2net;
using testing::SerialServerMode;
using testing::Simulator;
using testing::SortedLines;
using testing::Values;
using testing::ValuesOf;

class RemoteOverPty : public CliOverPty, public ::testing::WithParamInterface<SerialServerMode> {
 protected:
  void SetUp() override {
    CliOverPty::SetUp();
    if (IsSkipped()) return;
    if (testing::Ser2netProgram().empty()) {
      GTEST_SKIP() << "ser2net is not installed (scripts/install-deps.sh installs it)";
    }
  }
  void TearDown() override {
    server_.reset();
    devices_.clear();
    CliOverPty::TearDown();
  }

  // One simulator per kind, each logging its requests to dir/KIND.log, served
  // by one ser2net in this test's mode; device i is Url(i).
  void Serve(const std::vector<std::string>& kinds, std::vector<std::string> options = {}) {
    std::vector<std::string> ptys;
    for (const std::string& kind : kinds) {
      std::vector<std::string> args{"--kind", kind, "--log-requests", Requests(kind).string()};
      args.insert(args.end(), options.begin(), options.end());
      devices_.push_back(std::make_unique<Simulator>(simulator_, args));
      ASSERT_FALSE(devices_.back()->PortPath().empty()) << "intercom-sim printed no port";
      ptys.push_back(devices_.back()->PortPath());
    }
    server_ = std::make_unique<Ser2net>(ptys, GetParam());
    ASSERT_TRUE(server_->Started()) << server_->Log();
  }
  std::string Url(size_t i) const { return server_->Url(i); }
  fs::path Requests(const std::string& kind) const { return dir_ / (kind + ".log"); }

  std::vector<std::unique_ptr<Simulator>> devices_;
  std::unique_ptr<Ser2net> server_;
};

TEST_P(RemoteOverPty, ReadGivesWhatTheDeviceHolds) {
  ASSERT_NO_FATAL_FAILURE(Serve({"splitter"}));
  const Finished run = Cli({"read", "-p", Url(0), "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err << server_->Log();
  EXPECT_EQ(ValuesOf(run.out), (Values{{"kind", 2},
                                       {"address", 3},
                                       {"input1", 2},
                                       {"input2", 4},
                                       {"input3", 6},
                                       {"input4", 8}}));
  EXPECT_EQ(run.err, "");
}

TEST_P(RemoteOverPty, WrittenValuesAreReadBackByTheNextRead) {
  ASSERT_NO_FATAL_FAILURE(Serve({"switch"}));
  const Finished write =
      Cli({"write", "-p", Url(0), "--no-backup", "--set", "line1=20", "--set", "volume3=9"});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  EXPECT_EQ(write.out,
            "written: line1=20 (was 11)\nwritten: volume3=9 (was 3)\n"
            "read back: every setting matches\n");
  const Values held = ValuesOf(Cli({"read", "-p", Url(0), "--json"}).out);
  EXPECT_EQ(held.at("line1"), 20);
  EXPECT_EQ(held.at("volume3"), 9);
}

TEST_P(RemoteOverPty, ApplyServesFourRemotePortsAtOnce) {
  WriteText("plan.csv",
            "label,kind,key1,address,line2\n"
            "desk,subscriber,9,,\nstage,splitter,,12,\nbelt,beltpack,,9,\nhub,switch,,,20\n");
  ASSERT_NO_FATAL_FAILURE(Serve({"subscriber", "splitter", "beltpack", "switch"}));
  const Finished run = Cli(
      {"apply", "plan.csv", "--wait", "-p", Url(0), "-p", Url(1), "-p", Url(2), "-p", Url(3)}, 30s);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(
      SortedLines(ReportRowsText(run.out)),
      (std::vector<std::string>{"belt,beltpack," + Url(2) + ",OK,wrote address=9 (was 7)",
                                "desk,subscriber," + Url(0) + ",OK,wrote key1=9 (was 1)",
                                "hub,switch," + Url(3) + ",OK,wrote line2=20 (was 12)",
                                "stage,splitter," + Url(1) + ",OK,wrote address=12 (was 3)"}));
  // The four conversations overlapped: each device heard its first request
  // before every other one heard its last.
  std::vector<std::pair<long long, long long>> spans;
  for (const char* kind : {"subscriber", "splitter", "beltpack", "switch"}) {
    std::istringstream log(ReadFile(Requests(kind)));
    std::vector<long long> times;
    for (std::string line; std::getline(log, line);) times.push_back(std::stoll(line));
    ASSERT_FALSE(times.empty()) << kind;
    spans.emplace_back(times.front(), times.back());
  }
  for (const auto& [first, last] : spans) {
    for (const auto& [otherFirst, otherLast] : spans) {
      EXPECT_LT(first, otherLast);
      EXPECT_LT(otherFirst, last);
    }
  }
}

// 0xFF is Telnet's IAC: through rfc2217 it is doubled on the wire both ways and
// must arrive single.
TEST_P(RemoteOverPty, ByteFFCrossesUnchangedBothWays) {
  ASSERT_NO_FATAL_FAILURE(Serve({"beltpack", "subscriber"}, {"--studio-255"}));
  // Volume 16 is level byte FF in the SetLevel request and in ReadLevels' reply.
  const Finished write = Cli({"write", "-p", Url(0), "--no-backup", "--set", "volume=16"});
  EXPECT_EQ(write.exitCode, 0) << write.err;
  EXPECT_EQ(write.out, "written: volume=16 (was 2)\nread back: every setting matches\n");
  EXPECT_NE(ReadFile(Requests("beltpack")).find(" E2 E4 03 06 0A 1A FF 00 00 00 00 00 00 00 00\n"),
            std::string::npos);

  // A studio mode reply of 255 is answered with the mode off.
  const Finished read = Cli({"read", "-p", Url(1), "--trace", "trace.log"});
  EXPECT_EQ(read.exitCode, 0) << read.err;
  EXPECT_NE(ReadFile(dir_ / "trace.log").find(" < E2 E4 01 08 0A FF 00"), std::string::npos)
      << ReadFile(dir_ / "trace.log");
  EXPECT_NE(ReadFile(Requests("subscriber")).find(" E2 E4 01 09 0A 00"), std::string::npos);
}

TEST_P(RemoteOverPty, NoServerListeningIsAPortThatCannotBeOpened) {
  const uint16_t port = FreeLoopbackPort();
  ASSERT_NE(port, 0);
  const std::string url =
      std::string(GetParam() == SerialServerMode::Rfc2217 ? "rfc2217" : "socket") +
      "://127.0.0.1:" + std::to_string(port);
  const Finished run = Cli({"read", "-p", url});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("notice: Can't open port " + url + "\nreason: "), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find(std::strerror(ECONNREFUSED)), std::string::npos) << run.err;
}

TEST_P(RemoteOverPty, AServerStoppedDuringAWriteLeavesNothingCalledWritten) {
  ASSERT_NO_FATAL_FAILURE(Serve({"switch"}));
  ChildProcess cli(
      {"/usr/bin/env", "XDG_STATE_HOME=" + (dir_ / "state").string(), INTERCOM_CLI_PROGRAM, "write",
       "-p", Url(0), "--no-backup", "--set", "volume1=13", "--set", "volume2=13", "--set",
       "volume3=13", "--set", "volume4=13"},
      dir_.string());
  // The server goes once the first SetLevel reached the device.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (ReadFile(Requests("switch")).find(" E2 E4 04 06 ") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  server_->Stop();
  const Finished run = cli.Wait(20s);
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_EQ(run.out.find("written:"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("not written: volume4=13 (was 4)"), std::string::npos) << run.err;
  // Read on the pty itself: what was called not written was not.
  EXPECT_EQ(ValuesOf(Cli({"read", "-p", devices_[0]->PortPath(), "--json"}).out).at("volume4"), 4);
}

INSTANTIATE_TEST_SUITE_P(Modes, RemoteOverPty,
                         ::testing::Values(SerialServerMode::Rfc2217, SerialServerMode::Raw),
                         [](const auto& info) {
                           return std::string(testing::SerialServerModeName(info.param));
                         });

}  // namespace
}  // namespace intercom
