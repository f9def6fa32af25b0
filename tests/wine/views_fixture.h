// The native windows of the program made over a simulated device, for the
// Wine tests: the device is intercom-sim on INTERCOM_TEST_PORT (run under
// tests/wine/run.sh with --sim), named in a COM.ini of the test's own; the
// start-up runs, its boxes answered with OK, then the windows are made and
// driven through their controls with SendMessage and read back through Win32
// queries. Message boxes run on this thread's loop; a timer window answers
// them as a user would.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controller/handlers.h"
#include "controller/program_context.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "serial/wide_text.h"
#include "tests/support/temp_dir.h"
#include "win32/message_target.h"
#include "win32/win32_message_boxes.h"
#include "win32/win32_views.h"

namespace intercom::testing {

// COM for this thread and the common controls the views use, as the program
// starts them; false when COM could not start.
inline bool StartComAndControls() {
  if (!SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return false;
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  return true;
}

// The main window's control of that name; a test failure when there is none.
inline HWND MainWindowControl(Win32Views& views, std::string_view name) {
  const HWND found = views.Form1().Views().Find(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

inline std::string Text(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

inline std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Narrow(name);
}

// A message box as the user saw it.
struct SeenBox {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
};

// Answers every message box of this thread soon after it comes up: records
// it, then presses `answer` (IDOK, IDYES, IDNO). Runs inside the box's own loop.
class BoxAnswerer : public MessageTarget {
 public:
  explicit BoxAnswerer(int answer) : answer_(answer) {
    RegisterTargetClass(L"IntercomTestBoxAnswerer", nullptr);
    window_ = CreateTargetWindow(*this, L"IntercomTestBoxAnswerer", L"", 0, 0, {0, 0, 0, 0},
                                 HWND_MESSAGE, nullptr);
    SetTimer(window_, 1, 50, nullptr);
  }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;
  ~BoxAnswerer() { DestroyWindow(window_); }

  const std::vector<SeenBox>& Seen() const { return seen_; }
  // Called while a box is up, before it is answered.
  std::function<void()> whileOpen;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TIMER) {
      EnumThreadWindows(GetCurrentThreadId(), AnswerBox, reinterpret_cast<LPARAM>(this));
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

 private:
  static BOOL CALLBACK AnswerBox(HWND window, LPARAM self) {
    if (ClassOf(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
    auto& answerer = *reinterpret_cast<BoxAnswerer*>(self);
    SeenBox box{Text(window), {}, {}};
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (ClassOf(child) == "Button") box.buttons.push_back(Text(child));
      if (ClassOf(child) == "Static" && Text(child).size() > box.text.size())
        box.text = Text(child);
    }
    answerer.seen_.push_back(box);
    if (answerer.whileOpen) std::exchange(answerer.whileOpen, nullptr)();
    SendMessageW(GetDlgItem(window, answerer.answer_), BM_CLICK, 0, 0);
    return FALSE;
  }

  int answer_;
  HWND window_;
  std::vector<SeenBox> seen_;
};

class WindowsOverDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartComAndControls());
    const std::string port = PortInIni();
    ASSERT_FALSE(port.empty()) << "run under tests/wine/run.sh with --sim";
    folder_ = testing::MakeTempDir("win32-views");
    ASSERT_FALSE(folder_.empty());
    std::ofstream(folder_ / "COM.ini", std::ios::binary) << port << "\r\n";
    context_.portChoicePath = (folder_ / "COM.ini").string();
    context_.programSettingsPath = (folder_ / "intercom-config.ini").string();
    BindHandlers(context_);
    {
      const BoxAnswerer startupBoxes(IDOK);
      panel_.Form1.Show();
      startupBoxes_ = startupBoxes.Seen();
    }
    ASSERT_TRUE(panel_.Form1.Visible());
    views_ = std::make_unique<Win32Views>(panel_);
    views_->RefreshAll();
  }

  // What COM.ini names when the program starts: the simulated device.
  virtual std::string PortInIni() const {
    const char* device = std::getenv("INTERCOM_TEST_PORT");
    return device != nullptr ? device : "";
  }

  void TearDown() override {
    views_.reset();
    port_->Close();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    CoUninitialize();
  }

  HWND Control(std::string_view name) const { return MainWindowControl(*views_, name); }

  void Type(std::string_view edit, const std::string& text) {
    SetWindowTextW(Control(edit), Wide(text).c_str());
  }

  void Press(std::string_view button) { SendMessageW(Control(button), BM_CLICK, 0, 0); }

  // Runs after each pause of an exchange, while the action reads no messages.
  std::function<void()> duringPause_;
  Win32MessageBoxes boxes_;
  PanelModel panel_{boxes_, "Intercom-config"};
  std::unique_ptr<SerialPort> port_ = MakeSerialPort();
  ProgramContext context_{panel_, *port_, [this](int ms) {
                            SleepPause(ms);
                            if (duringPause_) duringPause_();
                          }};
  std::filesystem::path folder_;
  // The boxes the start-up showed, answered with OK.
  std::vector<SeenBox> startupBoxes_;
  std::unique_ptr<Win32Views> views_;
};

inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The edit field inside a drop-down combo box.
inline HWND ComboEdit(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(combo, &info);
  return info.hwndItem;
}

// Replaces an edit's text as typing does, one character at a time.
inline void TypeInto(HWND edit, const std::string& text) {
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_CHAR, VK_BACK, 0);
  for (const wchar_t character : Wide(text)) SendMessageW(edit, WM_CHAR, character, 0);
}

// Puts the pointer on the middle of `window`, as the user moves the mouse.
inline void PointAt(HWND window) {
  RECT place;
  GetWindowRect(window, &place);
  SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
}

// A click of the left mouse button on the middle of `window`, given to the
// system as the mouse gives it: it reaches the window through the thread's
// queue, when the thread next reads it.
inline void ClickWithMouse(HWND window) {
  PointAt(window);
  INPUT clicks[2] = {};
  clicks[0].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].type = INPUT_MOUSE;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, clicks, sizeof(INPUT));
}

// One simulated device serves a whole group, in the order its tests are
// registered: a group's discovery test comes before anything that writes.
using SubscriberSet = WindowsOverDevice;
using Splitter = WindowsOverDevice;
using BeltPack = WindowsOverDevice;
using Switch = WindowsOverDevice;

}  // namespace intercom::testing
