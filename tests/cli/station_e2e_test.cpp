// A site end to end: resumed runs stopped by a signal at every row in turn, and a
// station serving the ports of a folder as they come and go, against
// intercom-sim on ptys.
#include <signal.h>

#include "tests/support/cli_over_pty.h"
#include "tests/support/report_rows.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testing::ChildProcess;
using testing::CliOverPty;
using testing::CsvFields;
using testing::Finished;
using testing::ReadFile;
using testing::Simulator;

const char* const kSite =
    "label,kind,key1,address,line2\n"
    "desk,subscriber,9,,\n"
    "stage,splitter,,12,\n"
    "hub,switch,,,20\n";
const char* const kKinds[] = {"subscriber", "splitter", "switch"};
const char* const kLabels[] = {"desk", "stage", "hub"};

// label → the results of its lines in a CSV report, in order.
std::map<std::string, std::vector<std::string>> Results(const std::string& report) {
  std::map<std::string, std::vector<std::string>> results;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#") || line.starts_with("time,")) continue;
    const auto fields = CsvFields(line);
    if (fields && fields->size() > 5) results[fields->at(1)].push_back(fields->at(5));
  }
  return results;
}

class SiteOverPty : public CliOverPty {};

TEST_F(SiteOverPty, AResumedRunStoppedAtEachRowInTurnIsFinishedByTheNextWritingEveryRowOnce) {
  WriteText("site.csv", kSite);
  // The first run is stopped before any device: its report holds no row.
  {
    ChildProcess cli({INTERCOM_CLI_PROGRAM, "apply", "site.csv", "-p", Port(), "--wait", "--report",
                      "site.csv.report"},
                     dir_.string());
    ASSERT_TRUE(cli.WaitForErr("waiting for a device", 10s)) << cli.Err();
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(10s).exitCode, 143);
  }
  // Each resumed run finishes the row the last one was stopped in, then is
  // stopped in the next one, once that row is taken: its write takes several
  // exchanges of 150 ms at least.
  for (int row = 0; row <= 3; ++row) {
    SCOPED_TRACE("resumed run " + std::to_string(row));
    ChildProcess cli({INTERCOM_CLI_PROGRAM, "apply", "site.csv", "-p", Port(), "--wait", "--resume",
                      "site.csv.report"},
                     dir_.string());
    ASSERT_TRUE(cli.Started());
    if (row > 0) {
      StartDevice(kKinds[row - 1]);
      ASSERT_TRUE(cli.ReadLine(15s)) << cli.Err();
      StopDevice();
    }
    if (row == 3) {
      const Finished end = cli.Wait(10s);
      EXPECT_EQ(end.exitCode, 0) << end.err;
      break;
    }
    StartDevice(kKinds[row]);
    ASSERT_TRUE(cli.WaitForErr(std::string("applying ") + kLabels[row], 15s)) << cli.Err();
    cli.Signal(SIGTERM);
    const Finished end = cli.Wait(10s);
    EXPECT_EQ(end.exitCode, 143) << end.err;
    StopDevice();
  }

  auto results = Results(ReadFile(dir_ / "site.csv.report"));
  for (const char* label : kLabels) {
    EXPECT_EQ(results[label], (std::vector<std::string>{"STOPPED", "OK"}))
        << label << "\n"
        << ReadFile(dir_ / "site.csv.report");
  }
}

TEST_F(SiteOverPty, AStationServesThePortsOfItsFolderAsTheyComeAndGo) {
  WriteText("site.csv", kSite);
  const fs::path folder = dir_ / "adapters";
  fs::create_directories(folder);
  const auto link = [&](const char* name) { return (folder / name).string(); };
  std::optional<Simulator> desk(
      std::in_place, simulator_,
      std::vector<std::string>{"--kind", "subscriber", "--link", link("a")});
  Simulator stage(simulator_, {"--kind", "splitter", "--link", link("b")});
  ChildProcess cli({INTERCOM_CLI_PROGRAM, "apply", "site.csv", "--wait", "--any-port",
                    "--port-folder", folder.string(), "--report", "site.csv.report"},
                   dir_.string());
  ASSERT_TRUE(cli.Started());
  std::vector<std::string> lines;
  for (int i = 0; i < 2; ++i) {
    const auto line = cli.ReadLine(15s);
    ASSERT_TRUE(line) << cli.Err();
    lines.push_back(*line);
  }
  // One adapter is pulled and another is plugged in.
  desk.reset();
  fs::remove(link("a"));
  Simulator hub(simulator_, {"--kind", "switch", "--link", link("c")});
  const auto last = cli.ReadLine(15s);
  ASSERT_TRUE(last) << cli.Err();
  lines.push_back(*last);
  const Finished end = cli.Wait(10s);
  EXPECT_EQ(end.exitCode, 0) << end.err;

  std::vector<std::string> rows;
  for (const std::string& line : lines) {
    const auto fields = CsvFields(line);
    ASSERT_TRUE(fields && fields->size() > 5) << line;
    rows.push_back(fields->at(1) + " " + fields->at(3) + " " + fields->at(5));
  }
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"desk " + link("a") + " OK", "hub " + link("c") + " OK",
                                            "stage " + link("b") + " OK"}));
}

}  // namespace
}  // namespace intercom
