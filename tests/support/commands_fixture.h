// The commands on fakes: a port that answers as a device model, a stand-in
// sysfs and by-id folder, COM.ini paths and a backup folder in a temporary
// folder of the test's own, and the program's streams as strings.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "sim/device_model.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/report_rows.h"

namespace intercom::cli::testing {

namespace fs = std::filesystem;
using intercom::testing::Bytes;
using intercom::testing::CsvFields;

// The commands destroy their port at the end; this one leaves the names it
// opened behind.
class KeptPort : public intercom::testing::FakeSerialPort {
 public:
  explicit KeptPort(std::vector<std::vector<std::string>>& opened) : opened_(opened) {}
  ~KeptPort() override { opened_.push_back(openedNames); }

 private:
  std::vector<std::vector<std::string>>& opened_;
};

// The model's reply to a request frame, as bytes; none when it is not the model's.
inline std::optional<Bytes> Answered(DeviceModel& model, const Bytes& frame) {
  RequestFrame request{};
  std::copy_n(frame.begin(), std::min(frame.size(), request.size()), request.begin());
  const auto reply = model.Answer(request);
  if (!reply) return std::nullopt;
  return Bytes(reply->begin(), reply->end());
}

// Text written by several threads and read while they write.
class LockedText : public std::stringbuf {
 public:
  std::string Text() {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return str();
  }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return std::stringbuf::xsputn(text, count);
  }
  int_type overflow(int_type c) override {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return std::stringbuf::overflow(c);
  }

 private:
  // Recursive: the string buffer's xsputn calls overflow.
  std::recursive_mutex mutex_;
};

class CommandsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "cli_commands_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "tty");
    env.sysfsTtyDir = (root_ / "tty").string();
    env.byIdDir = (root_ / "by-id").string();
    env.portChoicePath = (root_ / "COM.ini").string();
    env.windowPortChoicePath = (root_ / "config" / "intercom-config" / "COM.ini").string();
    env.errIsTerminal = false;
    env.backupFolder = (root_ / "backups").string();
    env.makePort = [this] {
      auto port = std::make_unique<KeptPort>(opened);
      port->responder = [this](const Bytes& frame) -> std::optional<Bytes> {
        RequestFrame request{};
        std::copy_n(frame.begin(), request.size(), request.begin());
        const auto reply = device.Answer(request);
        if (!reply) return std::nullopt;
        return Bytes(reply->begin(), reply->end());
      };
      return port;
    };
  }
  void TearDown() override { fs::remove_all(root_); }

  // An apply of `plan`, with backups in the fixture's folder.
  static ApplyOptions Apply(const std::string& plan, bool wait, const std::string& report = "") {
    ApplyOptions options;
    options.planFile = plan;
    options.station.wait = wait;
    options.reportFile = report;
    return options;
  }

  // Ports for several threads at once: each answers as the device model of
  // the name it opened (none: silence) while `present` says the device is
  // there (null: always), and every name opened is kept.
  void PortsFor(std::map<std::string, DeviceModel>& devices,
                std::function<bool(const std::string&)> present = nullptr) {
    env.makePort = [&devices, present] {
      auto port = std::make_unique<intercom::testing::FakeSerialPort>();
      intercom::testing::FakeSerialPort* self = port.get();
      port->responder = [self, &devices, present](const Bytes& frame) -> std::optional<Bytes> {
        const std::string& name = self->openedNames.back();
        const auto device = devices.find(name);
        if (device == devices.end() || (present && !present(name))) return std::nullopt;
        RequestFrame request{};
        std::copy_n(frame.begin(), request.size(), request.begin());
        const auto reply = device->second.Answer(request);
        if (!reply) return std::nullopt;
        return Bytes(reply->begin(), reply->end());
      };
      return port;
    };
  }
  // Lines of a text, sorted.
  static std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  static std::vector<std::string> ReportRows(const std::string& text) {
    return intercom::testing::ReportRows(text);
  }
  static std::string ReportRowsText(const std::string& text) {
    return intercom::testing::ReportRowsText(text);
  }

  static std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // A port entry in the fake sysfs: a tty with a `device` link.
  void AddPort(const std::string& name) {
    fs::create_directories(root_ / "devices" / name);
    fs::create_directories(root_ / "tty" / name);
    fs::create_directory_symlink(root_ / "devices" / name, root_ / "tty" / name / "device");
  }

  fs::path root_;
  DeviceModel device{DeviceKind::BeltPack};
  std::vector<std::vector<std::string>> opened;  // per port made, the names it opened
  std::ostringstream out;
  std::ostringstream err;
  Environment env{out, err, nullptr, [](int) {}, [] { return false; }};
};

}  // namespace intercom::cli::testing
