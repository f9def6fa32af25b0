// The windows against a simulated subscriber set, and with no device: what
// each action sends, shows and asks, as a user meets it.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "panel/window_layout.h"
#include "serial/port_enumeration.h"
#include "tests/wine/views_fixture.h"
#include "win32/win32_file_chooser.h"

namespace intercom::testing {
namespace {

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
  context_.describePort = [](const std::string& port) {
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

TEST_F(SubscriberSet, EnterOnAFocusedDialogButtonPressesNothingAndSpacePressesIt) {
  BoxAnswerer answerer(IDOK);
  // Tab from the field before it to the button, then Enter, as the loop hands them on.
  const auto key = [this](WPARAM code) {
    for (const UINT message : {WM_KEYDOWN, WM_CHAR, WM_KEYUP}) {
      MSG typed{GetFocus(), message, code, 0, 0, {}};
      if (!views_->Navigate(typed)) DispatchMessageW(&typed);
    }
  };
  const auto enter = [&key](HWND field, HWND button) {
    SetFocus(field);
    key(VK_TAB);
    ASSERT_EQ(GetFocus(), button);
    key(VK_RETURN);
  };
  // The address dialog with an address it would write.
  const HWND addressDialog = views_->Form3().Handle();
  panel_.BitBtn1.Click();
  SetWindowTextW(views_->Form3().Views().Find("Form3.Edit1"), L"7");
  const std::string requests = panel_.Edit12.Text();
  enter(views_->Form3().Views().Find("Form3.Edit1"), views_->Form3().Views().Find("Form3.BitBtn1"));
  EXPECT_TRUE(IsWindowVisible(addressDialog));
  EXPECT_EQ(panel_.Edit12.Text(), requests);

  const HWND portDialog = views_->Form2().Handle();
  SendMessageW(views_->Form1().Handle(), WM_COMMAND, MainWindow::kPortChoice, 0);
  ASSERT_TRUE(IsWindowVisible(portDialog));
  const HWND choose = views_->Form2().Views().Find("Form2.BitBtn1");
  enter(ComboEdit(views_->Form2().Views().Find("Form2.ComboBox1")), choose);
  EXPECT_TRUE(IsWindowVisible(portDialog));
  EXPECT_TRUE(panel_.Form2.Form.Visible());
  EXPECT_EQ(panel_.Edit12.Text(), requests);
  EXPECT_TRUE(answerer.Seen().empty());

  // Space on the focused button presses it: the port opens again, discovery runs.
  SendMessageW(choose, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(choose, WM_KEYUP, VK_SPACE, 0);
  EXPECT_FALSE(IsWindowVisible(portDialog));
  EXPECT_NE(panel_.Edit12.Text(), requests);
  EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(SubscriberSet, TypingAPortNameCompletesItFromTheList) {
  SendMessageW(views_->Form1().Handle(), WM_COMMAND, MainWindow::kPortChoice, 0);
  panel_.Form2.ComboBox1.ClearItems();
  for (const char* port : {"COM3", "COM12", "COM1"}) panel_.Form2.ComboBox1.AddItem(port);
  const HWND edit = ComboEdit(views_->Form2().Views().Find("Form2.ComboBox1"));
  const auto selection = [edit] {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return std::pair<DWORD, DWORD>(start, end);
  };
  TypeInto(edit, "com1");
  EXPECT_EQ(Text(edit), "COM12");
  EXPECT_EQ(selection(), (std::pair<DWORD, DWORD>(4, 5)));
  EXPECT_EQ(panel_.Form2.ComboBox1.Text(), "COM12");
  EXPECT_EQ(panel_.Form2.ComboBox1.ItemIndex(), 1);
  // The next character replaces the completed part; nothing matches any more.
  SendMessageW(edit, WM_CHAR, L'x', 0);
  EXPECT_EQ(Text(edit), "COM1x");
  EXPECT_EQ(panel_.Form2.ComboBox1.Text(), "COM1x");
  EXPECT_EQ(panel_.Form2.ComboBox1.ItemIndex(), -1);
  // Deleting completes nothing.
  SendMessageW(edit, WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(Text(edit), "COM1");
  EXPECT_EQ(panel_.Form2.ComboBox1.ItemIndex(), 2);
}

TEST_F(SubscriberSet, EveryWindowShowsTheProgramsIcon) {
  ASSERT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);
  const auto width = [](HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0L;
    BITMAP bits{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bits, &bits);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bits.bmWidth;
  };
  for (const HWND window :
       {views_->Form1().Handle(), views_->Form2().Handle(), views_->Form3().Handle()}) {
    const auto large = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    const auto little = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(large, nullptr) << Text(window);
    ASSERT_NE(little, nullptr) << Text(window);
    EXPECT_EQ(width(large), 32);
    EXPECT_EQ(width(little), 16);
    EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0);
  }
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

TEST_F(SubscriberSet, TheWaitCursorShowsWhileAnActionRunsButNotOverItsBoxes) {
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  PointAt(Control("BitBtn4"));
  int pauses = 0;
  int waitingPauses = 0;
  duringPause_ = [&] {
    ++pauses;
    if (GetCursor() == wait) ++waitingPauses;
  };
  BoxAnswerer answerer(IDOK);
  bool waitOverBox = true;
  answerer.whileOpen = [&] { waitOverBox = GetCursor() == wait; };
  Type("Edit3", "17");
  Press("BitBtn2");
  ASSERT_EQ(answerer.Seen().size(), 1u);
  ASSERT_GT(pauses, 0);
  EXPECT_EQ(waitingPauses, pauses);
  EXPECT_FALSE(waitOverBox);
  EXPECT_NE(GetCursor(), wait);

  // A handler that ends in a failure gives the cursor back too.
  waitOverBox = true;
  answerer.whileOpen = [&] { waitOverBox = GetCursor() == wait; };
  Type("Edit3", "x");
  ASSERT_EQ(answerer.Seen().size(), 2u);
  EXPECT_EQ(answerer.Seen()[1].text, "'x' is not a valid integer value.");
  EXPECT_FALSE(waitOverBox);
  EXPECT_NE(GetCursor(), wait);
}

TEST_F(SubscriberSet, AClickDuringAnExchangeRunsAfterTheBoxTheActionShows) {
  Type("Edit3", "17");
  bool clicked = false;
  duringPause_ = [&] {
    if (!std::exchange(clicked, true)) ClickWithMouse(Control("BitBtn4"));
  };
  BoxAnswerer answerer(IDOK);
  std::string requestsAtBox;
  answerer.whileOpen = [&] { requestsAtBox = panel_.Edit12.Text(); };
  Press("BitBtn2");
  ASSERT_TRUE(clicked);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].text, "Новые настройки записаны.");
  // The click's "Считать настройки" followed the box: its first request, in
  // the trace as " E2 E4 01 03 ...", is a ReadSettings.
  const std::string requests = panel_.Edit12.Text();
  ASSERT_GT(requests.size(), requestsAtBox.size());
  const std::string after = requests.substr(requestsAtBox.size());
  const char* readSettings = " 03";
  EXPECT_EQ(after.substr(9, 3), readSettings) << after;
}

TEST_F(SubscriberSet, TheSaveDialogOffersSettingsFilesInTheDocumentsFolder) {
  Win32FileChooser files;
  files.SetOwner(views_->Form1().Handle());
  panel_.SetFileChooser(files);
  std::vector<std::string> types;
  std::string folder;
  std::string name;
  BoxAnswerer answerer(IDCANCEL);
  answerer.whileOpen = [&] {
    const HWND dialog = GetActiveWindow();
    const HWND typeList = GetDlgItem(dialog, cmb1);
    for (int i = 0; i < SendMessageW(typeList, CB_GETCOUNT, 0, 0); ++i) {
      wchar_t text[128] = {};
      SendMessageW(typeList, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      types.push_back(Narrow(text));
    }
    wchar_t path[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
    folder = Narrow(path);
    name = Text(GetDlgItem(dialog, edt1) != nullptr ? GetDlgItem(dialog, edt1)
                                                    : GetDlgItem(dialog, cmb13));
  };
  SendMessageW(views_->Form1().Handle(), WM_COMMAND, MainWindow::kSaveSettings, 0);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(types, (std::vector<std::string>{"Настройки устройства (*.json)", "Все файлы (*)"}));
  PWSTR documents = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents)));
  EXPECT_EQ(folder, Narrow(documents));
  CoTaskMemFree(documents);
  EXPECT_EQ(name, "subscriber.json");
}

}  // namespace
}  // namespace intercom::testing
