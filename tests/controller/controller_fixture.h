// The window's context on fakes with every handler bound, the level constants set as the
// start-up sets them, COM.ini kept in a scratch folder, and helpers to look at
// the frames that went out and at what happened between them.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "controller/handlers.h"
#include "controller/port_choice.h"
#include "panel/handler_failure.h"
#include "sim/device_model.h"
#include "tests/support/context_fixture.h"
#include "tests/support/temp_dir.h"

namespace intercom::testing {

// The texts the user sees, as the tests expect them.
inline const std::string kNoDevice =
    "Ни одно устройство не подключено.\r\n"
    "1. Проверьте наличие питания.\r\n"
    "2. Проверьте настройки COM-порта.\r\n"
    "3. Проверьте соединительные кабеля..";
inline const std::string kAddressWritten =
    "                            Новый адрес записан.\r\n"
    "Адрес должен соответствовать номеру порта комутатора,\r\n"
    "                 в который будет включено устройство";
inline const std::string kDialogRange = "Адрес устройства должен быть не менее 1 и не бюолее 32";
inline const std::string kOutOfSync = "Ошибка синхронизации.";
inline const std::string kWritten = "Новые настройки записаны.";
inline const std::string kAddressRange = "Адрес должен быть задан в пределах от 1 до 32";
inline const std::string kTallyRange = "Адрес входа Tally должен быть задан в пределах от 0 до 256";

using Steps = std::vector<std::string>;

// Timeline() entries.
inline std::string Sent(CommandCode command, int kind) {
  return CommandName(command) + " to " + std::to_string(kind);
}
inline std::string Paused(int ms) {
  return "pause " + std::to_string(ms);
}
// The error box text for a COM.ini that cannot be written at `path`: the
// platform's own code decides it (a missing folder is "File not found" on
// Linux, "Invalid filename" on Windows).
inline std::string SaveFailureText(const std::string& path) {
  try {
    SavePortChoice(SessionState{}, path);
  } catch (const FileIoFailure& failure) {
    return std::string(failure.what()) + ".";
  }
  return "(saved)";
}

inline std::string PageShown(int page) {
  return "page " + std::to_string(page);
}

class ControllerTest : public ContextTest {
 protected:
  void SetUp() override {
    BindHandlers(context);
    context.state.LevelBase = 32;
    context.state.LevelStep = 14;
    context.state.LevelMax = 255;
    context.listPorts = [] { return std::vector<std::string>{}; };
    port.Open("/dev/ttyUSB0");

    scratch = MakeTempDir("intercom-controller");
    ASSERT_FALSE(scratch.empty());
    context.portChoicePath = (scratch / "COM.ini").string();

    context.pause = [this](int ms) {
      pauses.delays.push_back(ms);
      events_.push_back({port.writes.size(), Paused(ms)});
    };
    lastPage_ = panel.PageControl1.ActivePage();
    panel.SetObserver([this](const Control& control) {
      changed.push_back(control.Name());
      const int page = panel.PageControl1.ActivePage();
      if (&control == &panel.PageControl1 && page != lastPage_) {
        lastPage_ = page;
        events_.push_back({port.writes.size(), PageShown(page)});
      }
    });
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
  }

  // The reply `device` gives to one written frame, applying what it carries.
  static std::optional<Bytes> AnswerOf(DeviceModel& device, const Bytes& frame) {
    RequestFrame request{};
    std::copy_n(frame.begin(), std::min(frame.size(), request.size()), request.begin());
    const std::optional<ReplyFrame> reply = device.Answer(request);
    if (!reply) return std::nullopt;
    return Bytes(reply->begin(), reply->end());
  }

  // Lets a simulated device answer every request from now on.
  void Attach(DeviceModel& device) {
    port.responder = [&device](const Bytes& frame) { return AnswerOf(device, frame); };
  }

  // The command byte of every frame written so far.
  std::vector<CommandCode> Commands() const {
    std::vector<CommandCode> commands;
    for (const Bytes& frame : port.writes)
      commands.push_back(static_cast<CommandCode>(frame.at(3)));
    return commands;
  }
  // The kind byte of every frame written so far.
  std::vector<int> Kinds() const {
    std::vector<int> kinds;
    for (const Bytes& frame : port.writes) kinds.push_back(frame.at(2));
    return kinds;
  }
  // The ten payload bytes of the frame written `index`-th (negative: from the end).
  Bytes PayloadOf(int index) const {
    const Bytes& frame = port.writes.at(
        static_cast<size_t>(index < 0 ? static_cast<int>(port.writes.size()) + index : index));
    return Bytes(frame.begin() + kPayloadOffset, frame.begin() + kPayloadOffset + kPayloadLength);
  }

  // The frames written, the pauses and the page changes in the order they
  // happened, without the exchange's own pauses (50 right before each write,
  // 100 right after it). Meaningful only while every write reaches the port.
  Steps Timeline() const {
    Steps steps;
    size_t next = 0;
    for (size_t write = 0; write <= port.writes.size(); ++write) {
      Steps group;
      while (next < events_.size() && events_[next].writesBefore == write) {
        group.push_back(events_[next++].text);
      }
      if (write > 0 && !group.empty() && group.front() == Paused(100)) group.erase(group.begin());
      const bool beforeWrite = write < port.writes.size();
      if (beforeWrite && !group.empty() && group.back() == Paused(50)) group.pop_back();
      steps.insert(steps.end(), group.begin(), group.end());
      if (beforeWrite) {
        const Bytes& frame = port.writes[write];
        steps.push_back(Sent(static_cast<CommandCode>(frame.at(3)), frame.at(2)));
      }
    }
    return steps;
  }

  void ForgetTraffic() {
    port.writes.clear();
    pauses.delays.clear();
    boxes.shown.clear();
    events_.clear();
    changed.clear();
  }

  // The whole content of a file, or "<missing>".
  static std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Removed after the test; COM.ini lives here.
  std::filesystem::path scratch;
  // Names of the controls whose state changed, in order.
  std::vector<std::string> changed;

 private:
  struct Event {
    size_t writesBefore;
    std::string text;
  };
  std::vector<Event> events_;
  int lastPage_ = PageControl::kNoPage;
};

}  // namespace intercom::testing
