// The native windows under Wine, against intercom-sim on INTERCOM_TEST_PORT:
// the real windows of the program are made and driven through their controls
// with SendMessage and read back through Win32 queries. Message boxes run on
// this thread's loop; a timer window answers them as a user would.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "panel/window_layout.h"
#include "serial/pause.h"
#include "serial/port_enumeration.h"
#include "serial/serial_port.h"
#include "tests/support/temp_dir.h"
#include "tests/wine/client_shot.h"
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
    const std::string port = PortInIni();
    ASSERT_FALSE(port.empty()) << "run under tests/wine/run.sh with --sim";
    folder_ = testing::MakeTempDir("win32-views");
    ASSERT_FALSE(folder_.empty());
    std::ofstream(folder_ / "COM.ini", std::ios::binary) << port << "\r\n";
    session_.portChoicePath = (folder_ / "COM.ini").string();
    session_.programSettingsPath = (folder_ / "intercom-config.ini").string();
    BindHandlers(session_);
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
  // The boxes the start-up showed, answered with OK.
  std::vector<SeenBox> startupBoxes_;
  std::unique_ptr<Win32Views> views_;
};

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The edit field inside a drop-down combo box.
HWND ComboEdit(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(combo, &info);
  return info.hwndItem;
}

// Replaces an edit's text as typing does, one character at a time.
void TypeInto(HWND edit, const std::string& text) {
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_CHAR, VK_BACK, 0);
  for (const wchar_t character : Wide(text)) SendMessageW(edit, WM_CHAR, character, 0);
}

// Holds Ctrl down for this thread's keyboard state while it lives.
class ControlKeyDown {
 public:
  ControlKeyDown() {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
  }
  ControlKeyDown(const ControlKeyDown&) = delete;
  ControlKeyDown& operator=(const ControlKeyDown&) = delete;
  ~ControlKeyDown() {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }
};

std::string ClipboardText(HWND owner) {
  std::string text;
  if (!OpenClipboard(owner)) return text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = Narrow(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// What a screen reader hears as the name of `window`'s client object.
std::string AccessibleName(HWND window) {
  IAccessible* object = nullptr;
  if (const HRESULT made = AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&object));
      FAILED(made)) {
    return "(no object: " + std::to_string(static_cast<unsigned long>(made)) + ")";
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const HRESULT result = object->get_accName(self, &name);
  object->Release();
  if (result != S_OK || name == nullptr) return "(no name)";
  std::string text = Narrow(std::wstring_view(name, SysStringLen(name)));
  SysFreeString(name);
  return text;
}

// A port the machine gains while it lives: a value under the registry's
// serial port list, as a driver adds one. Wine lets anyone write there.
class AddedPort {
 public:
  AddedPort(const char* device, const char* name) : device_(device) {
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key_, device, 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                             static_cast<DWORD>(std::strlen(name) + 1)),
              ERROR_SUCCESS);
  }
  AddedPort(const AddedPort&) = delete;
  AddedPort& operator=(const AddedPort&) = delete;
  ~AddedPort() {
    RegDeleteValueA(key_, device_);
    RegCloseKey(key_);
  }

 private:
  const char* device_;
  HKEY key_ = nullptr;
};

using SubscriberSet = WindowsOverDevice;
using Splitter = WindowsOverDevice;
using BeltPack = WindowsOverDevice;
using Switch = WindowsOverDevice;

class NoDevice : public WindowsOverDevice {
 protected:
  // A port Wine does not have.
  std::string PortInIni() const override { return "COM9"; }
};

TEST_F(SubscriberSet, DiscoveryFillsItsPageAndShowsOnlyIt) {
  EXPECT_TRUE(startupBoxes_.empty());
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

TEST_F(SubscriberSet, ThePortDialogSavesTheChoiceAndConnectsAgain) {
  const char* highPort = std::getenv("INTERCOM_TEST_HIGH_PORT");
  ASSERT_NE(highPort, nullptr);
  BoxAnswerer answerer(IDOK);
  const HWND dialog = views_->Form2().Handle();
  ASSERT_FALSE(IsWindowVisible(dialog));
  SendMessageW(views_->Form1().Handle(), WM_COMMAND, MainWindow::kPortChoice, 0);
  ASSERT_TRUE(IsWindowVisible(dialog));
  const HWND combo = views_->Form2().Views().Find("Form2.ComboBox1");
  EXPECT_EQ(Text(combo), std::getenv("INTERCOM_TEST_PORT"));

  // The same device under its name past COM9; a key is changed first so
  // that the discovery after the choice shows.
  Type("Edit1", "5");
  TypeInto(ComboEdit(combo), highPort);
  EXPECT_EQ(panel_.Form2.ComboBox1.Text(), highPort);
  SendMessageW(views_->Form2().Views().Find("Form2.BitBtn1"), BM_CLICK, 0, 0);
  EXPECT_TRUE(answerer.Seen().empty());
  EXPECT_EQ(FileText(folder_ / "COM.ini"), std::string(highPort) + "\r\n");
  EXPECT_EQ(Text(Control("Edit1")), "1");
  EXPECT_EQ(IsWindowVisible(dialog) != FALSE, panel_.Form2.Form.Visible());
}

TEST_F(SubscriberSet, OpeningThePortListReadsItAgainAndTellsWhatEachPortIs) {
  session_.describePort = [](const std::string& port) {
    PortDescription description = DescribeSerialPort(port);
    if (port == "COM31") {
      description.friendlyName = "USB Serial Port (COM31)";
      description.manufacturer = "FTDI";
      description.vendorId = "0403";
      description.productId = "6001";
    }
    return description;
  };
  SendMessageW(views_->Form1().Handle(), WM_COMMAND, MainWindow::kPortChoice, 0);
  const HWND combo = views_->Form2().Views().Find("Form2.ComboBox1");
  ASSERT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"COM31")),
            CB_ERR);
  RECT box;
  GetWindowRect(combo, &box);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), box.right - box.left);
  TypeInto(ComboEdit(combo), "COM3");

  const AddedPort added("\\Device\\IntercomTest", "COM31");
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  const auto index =
      SendMessageW(combo, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"COM31"));
  ASSERT_NE(index, CB_ERR);
  EXPECT_EQ(panel_.Form2.ComboBox1.Descriptions().at(static_cast<size_t>(index)),
            "USB Serial Port (COM31)\nFTDI\nUSB 0403:6001");
  EXPECT_EQ(panel_.Form2.ComboBox1.Text(), "COM3");
  // The description is drawn after the name: the list grew wider than the box for it.
  EXPECT_GT(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), box.right - box.left);
  // The open list offers the first port that starts with the typed text;
  // closed without a choice, the field holds what was typed.
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(Text(combo), "COM3");
  EXPECT_EQ(panel_.Form2.ComboBox1.Text(), "COM3");

  // Taken from the open list, the offered port is the choice.
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(Text(combo), "COM31");
  EXPECT_EQ(panel_.Form2.ComboBox1.Text(), "COM31");
}

TEST_F(SubscriberSet, TheWindowsHintShowsOverTheWindowAndItsPages) {
  const HWND tip = views_->Form1().HintTip();
  ASSERT_NE(tip, nullptr);
  panel_.Form1.SetHint("Журнал обмена: C:\\журнал.log");
  for (const HWND tool : {views_->Form1().Handle(), Control("TabSheet1"), Control("TabSheet4")}) {
    wchar_t text[256] = {};
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = views_->Form1().Handle();
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(Narrow(text), "Журнал обмена: C:\\журнал.log");
  }
  panel_.Form1.SetHint("");
  TTTOOLINFOW info{};
  info.cbSize = sizeof info;
  wchar_t text[256] = {L'x'};
  info.hwnd = views_->Form1().Handle();
  info.uId = reinterpret_cast<UINT_PTR>(views_->Form1().Handle());
  info.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(Narrow(text), "");
}

TEST_F(SubscriberSet, MaximisedTheTraceStripIsInViewAndRestoredTheNormalSize) {
  const HWND window = views_->Form1().Handle();
  RECT normal;
  GetWindowRect(window, &normal);
  RECT strip;
  GetWindowRect(Control("Edit13"), &strip);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&strip), 2);
  RECT client;
  GetClientRect(window, &client);
  ASSERT_GT(strip.bottom, client.bottom);

  ShowWindow(window, SW_MAXIMIZE);
  GetClientRect(window, &client);
  EXPECT_GE(client.bottom, strip.bottom);
  ShowWindow(window, SW_RESTORE);
  RECT restored;
  GetWindowRect(window, &restored);
  EXPECT_EQ(restored.right - restored.left, normal.right - normal.left);
  EXPECT_EQ(restored.bottom - restored.top, normal.bottom - normal.top);
  GetClientRect(window, &client);
  EXPECT_EQ(client.bottom, MainWindowLayout().clientHeight);
}

TEST_F(SubscriberSet, TheAddressDialogWritesTheAddressAndCloses) {
  // Its button on the page stays hidden; the model opens the dialog as the button would.
  const HWND dialog = views_->Form3().Handle();
  panel_.BitBtn1.Click();
  ASSERT_TRUE(IsWindowVisible(dialog));
  SetWindowTextW(views_->Form3().Views().Find("Form3.Edit1"), L"7");
  ASSERT_EQ(panel_.Form3.Edit1.Text(), "7");
  BoxAnswerer answerer(IDOK);
  SendMessageW(views_->Form3().Views().Find("Form3.BitBtn1"), BM_CLICK, 0, 0);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_NE(answerer.Seen()[0].text.find("Новый адрес записан."), std::string::npos);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_EQ(Text(Control("Edit11")), "7");
}

TEST_F(SubscriberSet, EnterAndEscapePressNothing) {
  BoxAnswerer answerer(IDOK);
  for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    const HWND edit = Control("Edit1");
    SetFocus(edit);
    MSG message{edit, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_TRUE(views_->Navigate(message));
  }
  EXPECT_TRUE(answerer.Seen().empty());
  EXPECT_FALSE(IsWindowVisible(views_->Form2().Handle()));
  EXPECT_TRUE(IsWindowVisible(views_->Form1().Handle()));
}

TEST_F(SubscriberSet, TheTraceSelectsCopiesAndClears) {
  const HWND trace = Control("Edit12");
  const std::string requests = panel_.Edit12.Text();
  ASSERT_FALSE(requests.empty());
  SetFocus(trace);
  {
    const ControlKeyDown control;
    SendMessageW(trace, WM_KEYDOWN, 'A', 0);
    SendMessageW(trace, WM_KEYDOWN, 'C', 0);
  }
  EXPECT_EQ(ClipboardText(trace), requests);
  // Typing leaves the trace as the exchanges wrote it.
  SendMessageW(trace, WM_CHAR, L'x', 0);
  EXPECT_EQ(Text(trace), requests);

  Press("BitBtn5");
  EXPECT_EQ(panel_.Edit12.Text(), "");
  EXPECT_EQ(Text(trace), "");
  EXPECT_EQ(Text(Control("Edit13")), "");
}

TEST_F(NoDevice, TheStartUpSaysSoAndTheWindowComesUpEmpty) {
  ASSERT_EQ(startupBoxes_.size(), 2u);
  EXPECT_EQ(startupBoxes_[0].caption, "Intercom-config");
  EXPECT_EQ(startupBoxes_[0].text, "Can't open port COM9");
  EXPECT_EQ(startupBoxes_[1].text, "Can't get port state: 6");
  EXPECT_TRUE(IsWindowVisible(views_->Form1().Handle()));
  for (int n = 1; n <= 10; ++n) EXPECT_EQ(Text(Control("Edit" + std::to_string(n))), "") << n;
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

// Where the table puts `entry` in the client area of `window`: the places
// add up through the containers to the page the control is on, which covers
// the tab control's body.
RECT TablePlace(const WindowLayout& layout, const ControlLayout& entry, HWND window,
                const ControlViews& views) {
  RECT place{entry.place.left, entry.place.top, entry.place.left + entry.place.width,
             entry.place.top + entry.place.height};
  for (const ControlLayout* at = &entry; at->parent[0] != '\0';) {
    const ControlLayout& parent = LayoutOf(layout, at->parent);
    if (parent.kind == ViewKind::Page) {
      POINT origin{0, 0};
      MapWindowPoints(views.Find(parent.name), window, &origin, 1);
      OffsetRect(&place, origin.x, origin.y);
      break;
    }
    OffsetRect(&place, parent.place.left, parent.place.top);
    at = &parent;
  }
  return place;
}

std::string Describe(const RECT& rect) {
  char text[64];
  std::snprintf(text, sizeof text, "(%ld, %ld)-(%ld, %ld)", rect.left, rect.top, rect.right,
                rect.bottom);
  return text;
}

// On a screenshot of `window`, every control in view that draws a frame
// around its whole rectangle is drawn at its table place, within a pixel on
// each edge; returns how many were checked.
int ExpectFramesAtTheTable(const WindowLayout& layout, HWND window, const ControlViews& views) {
  const ClientShot shot(window);
  const COLORREF background = GetSysColor(COLOR_BTNFACE);
  int checked = 0;
  for (const ControlLayout& entry : layout.controls) {
    if (entry.kind != ViewKind::Edit && entry.kind != ViewKind::Trace &&
        entry.kind != ViewKind::Button && entry.kind != ViewKind::StepButton &&
        entry.kind != ViewKind::ComboBox) {
      continue;
    }
    const HWND control = views.Find(entry.name);
    if (!IsWindowVisible(control)) continue;
    // A control shows only inside its parent's client area (a page's lies
    // within the tab control's frame) and the window's.
    const HWND parent = GetParent(control);
    RECT shown;
    GetClientRect(parent, &shown);
    MapWindowPoints(parent, window, reinterpret_cast<POINT*>(&shown), 2);
    const RECT client{0, 0, shot.Width(), shot.Height()};
    IntersectRect(&shown, &shown, &client);
    const RECT table = TablePlace(layout, entry, window, views);
    RECT expected;
    if (!IntersectRect(&expected, &table, &shown)) continue;
    RECT around = table;
    InflateRect(&around, 3, 3);
    IntersectRect(&around, &around, &shown);
    // Whatever is not the background near the place is the control's frame.
    const RECT drawn = shot.Drawn(around, background);
    EXPECT_TRUE(std::abs(drawn.left - expected.left) <= 1 &&
                std::abs(drawn.top - expected.top) <= 1 &&
                std::abs(drawn.right - expected.right) <= 1 &&
                std::abs(drawn.bottom - expected.bottom) <= 1)
        << entry.name << " drawn at " << Describe(drawn) << ", the table says "
        << Describe(expected);
    ++checked;
  }
  return checked;
}

TEST_F(SubscriberSet, TheScreenShowsEveryFrameWhereTheTableSays) {
  const HWND window = views_->Form1().Handle();
  const WindowLayout& layout = MainWindowLayout();
  std::vector<int> checked;
  for (int page = 0; page < PageControl::kPageCount; ++page) {
    panel_.PageControl1.ShowPage(page);
    views_->RefreshAll();
    checked.push_back(ExpectFramesAtTheTable(layout, window, views_->Form1().Views()));
  }
  // Maximised, the trace strip below the normal client area is in view too.
  ShowWindow(window, SW_MAXIMIZE);
  checked.push_back(ExpectFramesAtTheTable(layout, window, views_->Form1().Views()));
  ShowWindow(window, SW_RESTORE);

  SendMessageW(window, WM_COMMAND, MainWindow::kPortChoice, 0);
  checked.push_back(ExpectFramesAtTheTable(PortDialogLayout(), views_->Form2().Handle(),
                                           views_->Form2().Views()));
  // Each page's fields and buttons with the bottom row ("Выход" cut off by
  // the client area's right edge); maximised, the last page's with the trace
  // strip, "Test" and "Clear"; the port dialog's list and button.
  EXPECT_EQ(checked, (std::vector<int>{14, 13, 8, 16, 20, 2}));
}

TEST_F(SubscriberSet, ScreenReadersHearTheTablesNames) {
  struct Window {
    const WindowLayout& layout;
    const ControlViews& views;
  };
  int named = 0;
  for (const Window& window : {Window{MainWindowLayout(), views_->Form1().Views()},
                               Window{PortDialogLayout(), views_->Form2().Views()},
                               Window{AddressDialogLayout(), views_->Form3().Views()}}) {
    for (const ControlLayout& entry : window.layout.controls) {
      if (entry.accessibleName[0] == '\0') continue;
      std::string expected = entry.accessibleName;
      if (entry.kind == ViewKind::StepButton) expected += entry.up ? ": больше" : ": меньше";
      const HWND control = window.views.Find(entry.name);
      EXPECT_EQ(AccessibleName(control), expected) << entry.name;
      if (entry.kind == ViewKind::ComboBox) {
        EXPECT_EQ(AccessibleName(ComboEdit(control)), expected) << entry.name;
      }
      ++named;
    }
  }
  EXPECT_EQ(named, 49);
  // The rest keep what the system reads for them: a button its caption.
  EXPECT_EQ(AccessibleName(Control("BitBtn2")), "Записать настройки");
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

// The page `shown` is the only one in view, its tab chosen.
void ExpectOnlyPage(HWND tabs, const ControlViews& views, int shown) {
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), shown);
  for (int page = 0; page < 4; ++page) {
    const std::string name = "TabSheet" + std::to_string(page + 1);
    EXPECT_EQ(IsWindowVisible(views.Find(name)) != FALSE, page == shown) << name;
  }
}

int SliderAt(HWND bar) {
  return static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0));
}

// One simulated device serves a whole group, in the order written: a group's
// discovery test comes before anything that writes to the device.
TEST_F(BeltPack, DiscoveryShowsOnlyItsPageAndTheStepsReachTheDevice) {
  EXPECT_TRUE(startupBoxes_.empty());
  ExpectOnlyPage(Control("PageControl1"), views_->Form1().Views(), 2);
  // The simulated belt pack's address, volume and tally input.
  EXPECT_EQ(Text(Control("Edit15")), "7");
  EXPECT_EQ(Text(Control("Edit20")), "7");
  const HWND bar = Control("TrackBar5");
  ASSERT_EQ(SliderAt(bar), 2);

  BoxAnswerer answerer(IDOK);
  Press("BitBtn15");
  Press("BitBtn15");
  Press("BitBtn16");
  EXPECT_EQ(SliderAt(bar), 3);
  EXPECT_EQ(panel_.TrackBar5.Position(), 3);
  // "Обновить" reads the volume from the device again.
  panel_.TrackBar5.SetPosition(9);
  Press("BitBtn19");
  EXPECT_EQ(SliderAt(bar), 3);
  EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(BeltPack, WriteSendsTheSettingsAndTheDeviceReadsThemBack) {
  Type("Edit15", "21");
  Type("Edit20", "18");  // 0x11: software flow control must not eat it
  BoxAnswerer answerer(IDOK);
  Press("BitBtn2");
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].text, "Новые настройки записаны.");

  Type("Edit15", "1");
  Type("Edit20", "1");
  Press("BitBtn4");
  EXPECT_EQ(Text(Control("Edit15")), "21");
  EXPECT_EQ(Text(Control("Edit20")), "18");
}

TEST_F(Switch, DiscoveryShowsOnlyItsPageAndTheStepsReachTheDevice) {
  EXPECT_TRUE(startupBoxes_.empty());
  ExpectOnlyPage(Control("PageControl1"), views_->Form1().Views(), 3);
  // The simulated switch's lines 11 to 14 at levels 1 to 4.
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(Text(Control("Edit" + std::to_string(16 + n))), std::to_string(11 + n)) << n;
    ASSERT_EQ(SliderAt(Control("TrackBar" + std::to_string(6 + n))), n + 1) << n;
  }

  BoxAnswerer answerer(IDOK);
  Press("BitBtn25");  // "+" of TrackBar9
  Press("BitBtn14");  // "-" of TrackBar6
  EXPECT_EQ(SliderAt(Control("TrackBar9")), 5);
  EXPECT_EQ(SliderAt(Control("TrackBar6")), 0);
  // "Обновить" reads the levels from the device again.
  panel_.TrackBar9.SetPosition(0);
  panel_.TrackBar6.SetPosition(9);
  Press("BitBtn19");
  EXPECT_EQ(SliderAt(Control("TrackBar9")), 5);
  EXPECT_EQ(SliderAt(Control("TrackBar6")), 0);
  EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(Switch, WriteSendsTheSettingsAndTheDeviceReadsThemBack) {
  for (int n = 16; n <= 19; ++n) Type("Edit" + std::to_string(n), std::to_string(n + 10));
  BoxAnswerer answerer(IDOK);
  Press("BitBtn2");
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].text, "Новые настройки записаны.");

  for (int n = 16; n <= 19; ++n) Type("Edit" + std::to_string(n), "1");
  Press("BitBtn4");
  for (int n = 16; n <= 19; ++n) {
    EXPECT_EQ(Text(Control("Edit" + std::to_string(n))), std::to_string(n + 10)) << n;
  }
}

}  // namespace
}  // namespace intercom
