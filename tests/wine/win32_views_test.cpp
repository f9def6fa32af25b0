// The native windows under Wine, against intercom-sim on INTERCOM_TEST_PORT:
// the real windows of the program are made and driven through their controls
// with SendMessage and read back through Win32 queries. Message boxes run on
// this thread's loop; a timer window answers them as a user would.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "panel/window_layout.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "tests/support/temp_dir.h"
#include "win32/message_target.h"
#include "win32/wide_text.h"
#include "win32/win32_message_boxes.h"
#include "win32/win32_views.h"
#include "workflow/handlers.h"
#include "workflow/program_context.h"

namespace intercom {
namespace {

std::string Text(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

std::string ClassOf(HWND window) {
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
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    const char* device = std::getenv("INTERCOM_TEST_PORT");
    ASSERT_NE(device, nullptr) << "run under tests/wine/run.sh with --sim";
    folder_ = testing::MakeTempDir("win32-views");
    ASSERT_FALSE(folder_.empty());
    std::ofstream(folder_ / "COM.ini", std::ios::binary) << device << "\r\n";
    session_.portChoicePath = (folder_ / "COM.ini").string();
    session_.programSettingsPath = (folder_ / "intercom-config.ini").string();
    BindHandlers(session_);
    panel_.Form1.Show();
    ASSERT_TRUE(panel_.Form1.Visible());
    views_ = std::make_unique<Win32Views>(panel_);
    views_->RefreshAll();
  }

  void TearDown() override {
    views_.reset();
    port_->Close();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    CoUninitialize();
  }

  HWND Control(std::string_view name) const {
    const HWND found = views_->Form1().Views().Find(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  void Type(std::string_view edit, const std::string& text) {
    SetWindowTextW(Control(edit), Wide(text).c_str());
  }

  void Press(std::string_view button) { SendMessageW(Control(button), BM_CLICK, 0, 0); }

  Win32MessageBoxes boxes_;
  PanelModel panel_{boxes_, "Intercom-config"};
  std::unique_ptr<SerialPort> port_ = MakeSerialPort();
  ProgramContext session_{panel_, *port_, SleepPause};
  std::filesystem::path folder_;
  std::unique_ptr<Win32Views> views_;
};

using SubscriberSet = WindowsOverDevice;
using Splitter = WindowsOverDevice;

TEST_F(SubscriberSet, DiscoveryFillsItsPageAndShowsOnlyIt) {
  const HWND tabs = Control("PageControl1");
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindowVisible(Control("TabSheet1")));
  for (const char* other : {"TabSheet2", "TabSheet3", "TabSheet4"}) {
    EXPECT_FALSE(IsWindowVisible(Control(other))) << other;
  }
  // The simulated set's keys hold the addresses 1 to 10.
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(Text(Control("Edit" + std::to_string(n))), std::to_string(n)) << n;
  }
  EXPECT_TRUE(IsWindowVisible(views_->Form1().Handle()));
  EXPECT_EQ(Text(views_->Form1().Handle()), "Настройка конфигурации цифровой связи");
  // The request trace holds what start-up sent, readable as text.
  EXPECT_FALSE(Text(Control("Edit12")).empty());
  EXPECT_EQ(Text(Control("Edit12")), panel_.Edit12.Text());
}

TEST_F(SubscriberSet, WriteSendsTheSettingsAndShowsTheBox) {
  Type("Edit3", "17");
  ASSERT_EQ(panel_.Edit3.Text(), "17");
  BoxAnswerer answerer(IDOK);
  Press("BitBtn2");
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].text, "Новые настройки записаны.");
  EXPECT_EQ(answerer.Seen()[0].buttons, std::vector<std::string>{"OK"});

  // What the device now holds comes back with "Считать настройки".
  Type("Edit3", "3");
  Press("BitBtn4");
  EXPECT_EQ(Text(Control("Edit3")), "17");
  EXPECT_EQ(panel_.Edit3.Text(), "17");
}

TEST_F(SubscriberSet, AClickWhileABoxIsUpWaitsForTheActionToEnd) {
  BoxAnswerer answerer(IDOK);
  // While the first write's box is up, a second click on the write button is
  // dispatched by the box's loop: it must not start a write inside the first.
  answerer.whileOpen = [this, &answerer] {
    PostMessageW(Control("BitBtn2"), BM_CLICK, 0, 0);
    MSG message;
    while (PeekMessageW(&message, Control("BitBtn2"), 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    // A write started here would have put up its own box by now.
    EXPECT_EQ(answerer.Seen().size(), 1u);
    EXPECT_TRUE(panel_.HandlerRunning());
  };
  Press("BitBtn2");
  // The held click ran once the first write was over, with a box of its own.
  ASSERT_EQ(answerer.Seen().size(), 2u);
  EXPECT_EQ(answerer.Seen()[1].text, "Новые настройки записаны.");
}

TEST_F(SubscriberSet, EveryControlLiesWhereTheTableSays) {
  struct Window {
    const WindowLayout& layout;
    HWND handle;
    const ControlViews& views;
  };
  for (const Window& window :
       {Window{MainWindowLayout(), views_->Form1().Handle(), views_->Form1().Views()},
        Window{PortDialogLayout(), views_->Form2().Handle(), views_->Form2().Views()},
        Window{AddressDialogLayout(), views_->Form3().Handle(), views_->Form3().Views()}}) {
    RECT client;
    GetClientRect(window.handle, &client);
    EXPECT_EQ(client.right, window.layout.clientWidth) << window.layout.name;
    EXPECT_EQ(client.bottom, window.layout.clientHeight) << window.layout.name;
    for (const ControlLayout& entry : window.layout.controls) {
      const HWND control = window.views.Find(entry.name);
      ASSERT_NE(control, nullptr) << entry.name;
      RECT place;
      GetWindowRect(control, &place);
      MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
      if (entry.kind == ViewKind::Page) {
        // A page covers the tab control's body.
        RECT body;
        GetClientRect(GetParent(control), &body);
        TabCtrl_AdjustRect(GetParent(control), FALSE, &body);
        EXPECT_TRUE(EqualRect(&place, &body)) << entry.name;
        continue;
      }
      const std::string name = entry.name;
      EXPECT_EQ(place.left, entry.place.left) << name;
      EXPECT_EQ(place.top, entry.place.top) << name;
      EXPECT_EQ(place.bottom - place.top, entry.place.height) << name;
      if (entry.kind == ViewKind::Label) {
        // A label grows to its text.
        EXPECT_GE(place.right - place.left, entry.place.width) << name;
      } else {
        EXPECT_EQ(place.right - place.left, entry.place.width) << name;
      }
      if (entry.parent[0] != '\0') {
        EXPECT_EQ(GetParent(control), window.views.Find(entry.parent)) << name;
      }
      if (entry.caption[0] != '\0' && entry.kind != ViewKind::Page) {
        EXPECT_EQ(Text(control), entry.caption) << name;
      }
    }
  }
}

TEST_F(Splitter, StepButtonsMoveTheLevelByOne) {
  EXPECT_EQ(SendMessageW(Control("PageControl1"), TCM_GETCURSEL, 0, 0), 1);
  const HWND bar = Control("TrackBar1");
  // The level shows on a slider the user cannot drag: only the buttons move it.
  EXPECT_FALSE(IsWindowEnabled(bar));
  ASSERT_TRUE(IsWindowEnabled(Control("BitBtn7")));
  const auto before = static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0));
  ASSERT_EQ(before, panel_.TrackBar1.Position());
  ASSERT_LT(before, TrackBar::kMax);
  BoxAnswerer answerer(IDOK);
  Press("BitBtn7");
  EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), before + 1);
  EXPECT_EQ(panel_.TrackBar1.Position(), before + 1);
  Press("BitBtn8");
  EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), before);
  EXPECT_EQ(panel_.TrackBar1.Position(), before);
}

}  // namespace
}  // namespace intercom
