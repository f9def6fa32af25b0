// The windows against the control table: every control where the table puts
// it (as Windows reports it and as drawn on a screenshot), and every name the
// table gives read by a screen reader.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "panel/window_layout.h"
#include "tests/wine/client_shot.h"
#include "tests/wine/views_fixture.h"

namespace intercom::testing {
namespace {

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
  for (int page = 0; page < panel_.PageControl1.PageCount(); ++page) {
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

}  // namespace
}  // namespace intercom::testing
