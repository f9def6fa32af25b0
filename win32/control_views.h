// The native controls of one window's client area, made from the window's
// table (panel/window_layout.h) and bound to the panel model: a refresh shows
// a control's state, and the controls' notifications become the model's input.
// Input is handed to the model through PanelModel::WhenIdle: while a handler
// runs (a message box of it runs its own loop), it waits, in order, for the
// handler to return rather than start a second one inside it.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "panel/panel_model.h"
#include "panel/window_layout.h"
#include "win32/container_window.h"
#include "win32/described_list.h"
#include "win32/font_cache.h"
#include "win32/message_target.h"
#include "win32/panel_picture.h"
#include "win32/trace_control.h"

namespace intercom {

class ControlViews {
 public:
  // `panel` and `fonts` must outlive the views.
  ControlViews(PanelModel& panel, FontCache& fonts) : panel_(panel), fonts_(fonts) {}
  ControlViews(const ControlViews&) = delete;
  ControlViews& operator=(const ControlViews&) = delete;

  // The picture shown by the Picture entry `name` (the views do not own it).
  void SetPicture(std::string name, PanelPicture& picture) {
    pictures_[std::move(name)] = &picture;
  }
  // Makes every control of `layout` inside `client`, in tab order, at `dpi`
  // (the table's places and font sizes scaled from 96 dpi), and shows the
  // model's state. Notifications of controls inside containers are passed
  // to `forward`, which hands them to Notify.
  void Build(const WindowLayout& layout, HWND client, MessageTarget& forward, UINT dpi);
  // Lays every control out again at `dpi`: places, fonts and pictures.
  void Relayout(UINT dpi);
  UINT Dpi() const { return dpi_; }

  // Shows `control`'s state; false when none of these views shows it.
  bool Refresh(const Control& control);
  void RefreshAll();
  // WM_COMMAND, WM_HSCROLL or WM_NOTIFY from one of these controls: the input
  // goes to the model. False when the message is none of theirs.
  bool Notify(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_DRAWITEM: draws an item of a combo box's list. False when the control
  // is none of theirs.
  bool Draw(const DRAWITEMSTRUCT& item);

  // The native window of the table's entry `name`; null when there is none.
  HWND Find(std::string_view name) const;

 private:
  struct View {
    const ControlLayout* layout = nullptr;
    Control* control = nullptr;
    HWND window = nullptr;
    std::unique_ptr<ContainerWindow> container;
    std::unique_ptr<TraceControl> trace;
    std::unique_ptr<DescribedList> described;  // ComboBox
    std::vector<HWND> pages;                   // PageControl
    HWND tabs = nullptr;                       // Page: the tab control whose body it covers
    HBITMAP picture = nullptr;                 // Picture: the bitmap last handed to the control
  };

  void Make(View& view, HWND parent, MessageTarget& forward, int id);
  // Where the control of `view` lies at the present density.
  LayoutRect PlaceOf(const View& view) const;
  HFONT FontOf(const ControlLayout& entry) const;
  // A page covers its tab control's body.
  LayoutRect PageBody(HWND tabs) const;
  // What follows the density besides the place: font, picture, thumb.
  void Fit(View& view, bool redraw);
  void ShowPicture(View& view);
  void Show(View& view);
  void ShowPages(View& view);
  View* ViewOf(HWND window);
  HWND ParentOf(const ControlLayout& layout, HWND client, View*& tabs);

  PanelModel& panel_;
  FontCache& fonts_;
  UINT dpi_ = 96;
  std::map<std::string, PanelPicture*> pictures_;
  std::vector<std::unique_ptr<View>> views_;
  std::map<const Control*, std::vector<View*>> byControl_;
  // Set while a refresh writes a control, whose notification is then no input.
  bool refreshing_ = false;
};

}  // namespace intercom
