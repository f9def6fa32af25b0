// The native windows at densities other than 96 dpi, under Wine: made at the
// system's density (run.sh --dpi sets it and passes it on as
// INTERCOM_TEST_DPI), and laid out again when told of another (WM_DPICHANGED,
// as Windows sends it when a window moves to a monitor of another density).
// Neither needs a device: the model is shown without its start-up.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "panel/window_layout.h"
#include "win32/win32_message_boxes.h"
#include "win32/win32_views.h"

namespace intercom {
namespace {

// The trackbar's own thumb at 96 dpi.
constexpr int kThumbLength = 21;

// `length` table pixels at `dpi`, unrounded.
double At(int length, UINT dpi) {
  return length * static_cast<double>(dpi) / 96.0;
}

// A setting of the program's manifest, as the loader read it; "" for none.
std::wstring ManifestSetting(const wchar_t* space, const wchar_t* name) {
  wchar_t value[128] = {};
  SIZE_T written = 0;
  if (!QueryActCtxSettingsW(0, nullptr, space, name, value, 128, &written)) return L"";
  return value;
}

int FontHeight(HWND control) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  LOGFONTW face{};
  if (font == nullptr || GetObjectW(font, sizeof face, &face) == 0) return 0;
  return static_cast<int>(std::abs(face.lfHeight));
}

struct Laid {
  const WindowLayout& layout;
  HWND window;
  const ControlViews& views;
};

// Every control of `window` at the table's place and font size times dpi/96,
// within a pixel; the client area at the table's size, rounded.
void ExpectLaidOutAt(const Laid& window, UINT dpi) {
  const std::string name = window.layout.name;
  RECT client;
  GetClientRect(window.window, &client);
  EXPECT_EQ(client.right, MulDiv(window.layout.clientWidth, dpi, 96)) << name << " at " << dpi;
  EXPECT_EQ(client.bottom, MulDiv(window.layout.clientHeight, dpi, 96)) << name << " at " << dpi;
  for (const ControlLayout& entry : window.layout.controls) {
    const std::string what = std::string(entry.name) + " at " + std::to_string(dpi);
    const HWND control = window.views.Find(entry.name);
    ASSERT_NE(control, nullptr) << what;
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    if (entry.kind == ViewKind::Page) {
      RECT body;
      GetClientRect(GetParent(control), &body);
      TabCtrl_AdjustRect(GetParent(control), FALSE, &body);
      EXPECT_TRUE(EqualRect(&place, &body)) << what;
    } else {
      EXPECT_NEAR(place.left, At(entry.place.left, dpi), 1.0) << what;
      EXPECT_NEAR(place.top, At(entry.place.top, dpi), 1.0) << what;
      EXPECT_NEAR(place.bottom - place.top, At(entry.place.height, dpi), 1.0) << what;
      if (entry.kind == ViewKind::Label) {
        EXPECT_GE(place.right - place.left, At(entry.place.width, dpi) - 1.0) << what;
      } else {
        EXPECT_NEAR(place.right - place.left, At(entry.place.width, dpi), 1.0) << what;
      }
    }
    // A trackbar shows no text.
    if (entry.kind != ViewKind::Page && entry.kind != ViewKind::Picture &&
        entry.kind != ViewKind::TrackBar) {
      EXPECT_NEAR(FontHeight(control), At(entry.fontPixels, dpi), 0.5) << what;
    }
    if (entry.kind == ViewKind::TrackBar) {
      EXPECT_NEAR(SendMessageW(control, TBM_GETTHUMBLENGTH, 0, 0), At(kThumbLength, dpi), 1.0)
          << what;
    }
    if (std::string_view(entry.name) == "Image1") {
      const auto shown =
          reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
      BITMAP bitmap{};
      ASSERT_NE(GetObjectW(shown, sizeof bitmap, &bitmap), 0) << what;
      EXPECT_NEAR(bitmap.bmWidth, At(entry.place.width, dpi), 1.0) << what;
      EXPECT_NEAR(bitmap.bmHeight, At(entry.place.height, dpi), 1.0) << what;
    }
  }
}

class Density : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    panel_.Form1.Show();
    views_ = std::make_unique<Win32Views>(panel_);
    views_->RefreshAll();
  }

  void TearDown() override {
    views_.reset();
    CoUninitialize();
  }

  Laid Window(int index) const {
    switch (index) {
      case 0:
        return {MainWindowLayout(), views_->Form1().Handle(), views_->Form1().Views()};
      case 1:
        return {PortDialogLayout(), views_->Form2().Handle(), views_->Form2().Views()};
      default:
        return {AddressDialogLayout(), views_->Form3().Handle(), views_->Form3().Views()};
    }
  }

  Win32MessageBoxes boxes_;
  PanelModel panel_{boxes_, "Intercom-config"};
  std::unique_ptr<Win32Views> views_;
};

TEST_F(Density, TheWindowsComeUpAtTheSystemsDensity) {
  const char* wanted = std::getenv("INTERCOM_TEST_DPI");
  ASSERT_NE(wanted, nullptr) << "run under tests/wine/run.sh with --dpi";
  const auto dpi = static_cast<UINT>(std::stoul(wanted));
  for (int index = 0; index < 3; ++index) {
    const Laid window = Window(index);
    EXPECT_EQ(GetDpiForWindow(window.window), dpi) << window.layout.name;
    EXPECT_EQ(window.views.Dpi(), dpi) << window.layout.name;
    ExpectLaidOutAt(window, dpi);
  }
}

// Wine makes every program per-monitor aware, manifest or not; Windows only
// those that ask.
TEST_F(Density, TheProgramAsksForPerMonitorAwareness) {
  EXPECT_EQ(
      ManifestSetting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
      L"PerMonitorV2, PerMonitor");
  EXPECT_EQ(ManifestSetting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
            L"true/pm");
}

TEST_F(Density, AMoveToAnotherDensityLaysEverythingOutAgain) {
  for (const UINT dpi : {192u, 144u, 96u}) {
    for (int index = 0; index < 3; ++index) {
      const Laid window = Window(index);
      // Windows suggests the outer frame at the new density, where the
      // window moves to.
      RECT frame{0, 0, MulDiv(window.layout.clientWidth, dpi, 96),
                 MulDiv(window.layout.clientHeight, dpi, 96)};
      AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongW(window.window, GWL_STYLE)),
                               index == 0,
                               static_cast<DWORD>(GetWindowLongW(window.window, GWL_EXSTYLE)), dpi);
      const RECT suggested{20, 10, 20 + frame.right - frame.left, 10 + frame.bottom - frame.top};
      SendMessageW(window.window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
      RECT outer;
      GetWindowRect(window.window, &outer);
      EXPECT_EQ(outer.left, 20) << window.layout.name;
      EXPECT_EQ(outer.top, 10) << window.layout.name;
      ExpectLaidOutAt(window, dpi);
    }
  }
}

}  // namespace
}  // namespace intercom
