// intercom-cli end to end: the program itself against intercom-sim on a pty,
// with real pauses. Each test gets a folder of its own, the working folder of
// the program, and a device linked at dir/port.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "device/settings_json.h"
#include "tests/support/child_process.h"
#include "tests/support/simulator_process.h"

namespace intercom::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Values = std::map<std::string, int32_t>;

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline Values ValuesOf(const std::string& json) {
  const DeviceSettings settings = ParseSettingsJson(StandardCatalogue(), json, "stdout");
  Values values{{"kind", static_cast<int32_t>(settings.kind)}};
  for (const SettingValue& v : settings.values) values[v.setting->name] = v.value;
  return values;
}

inline std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

class CliOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    simulator_ = testing::SimulatorProgram();
    if (simulator_.empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
    dir_ = fs::temp_directory_path() /
           ("cli_e2e_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // Backups of the programs this test starts stay in its folder.
    setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);
  }
  void TearDown() override {
    device_.reset();
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Starts a simulated device; its port is linked at dir/port.
  void StartDevice(const std::string& kind, std::vector<std::string> options = {}) {
    device_.reset();
    options.insert(options.begin(), {"--kind", kind, "--link", Port()});
    device_.emplace(simulator_, options);
    ASSERT_FALSE(device_->PortPath().empty()) << "intercom-sim printed no port";
  }
  void StopDevice() { device_.reset(); }

  std::string Port() const { return (dir_ / "port").string(); }

  // Backups go to dir/state/intercom-config/backups.
  Finished Cli(std::vector<std::string> args, std::chrono::milliseconds limit = 20s) {
    args.insert(args.begin(), {"/usr/bin/env", "XDG_STATE_HOME=" + (dir_ / "state").string(),
                               INTERCOM_CLI_PROGRAM});
    return Run(args, limit);
  }
  // The program with its file size limit at one block (512 or 1024 bytes).
  Finished CliWithSmallFileLimit(std::vector<std::string> args) {
    args.insert(args.begin(),
                {"/usr/bin/env", "XDG_STATE_HOME=" + (dir_ / "state").string(), "/bin/sh", "-c",
                 "ulimit -f 1 && exec \"$0\" \"$@\"", INTERCOM_CLI_PROGRAM});
    return Run(args, 20s);
  }
  Finished Run(const std::vector<std::string>& args, std::chrono::milliseconds limit,
               const fs::path& cwd = {}) {
    ChildProcess child(args, (cwd.empty() ? dir_ : cwd).string());
    EXPECT_TRUE(child.Started());
    return child.Wait(limit);
  }

  void WriteText(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  std::string simulator_;
  fs::path dir_;
  std::optional<Simulator> device_;
};

}  // namespace intercom::testing
