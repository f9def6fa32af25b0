#include "win32/control_views.h"

#include <commctrl.h>

#include "panel/list_completion.h"
#include "panel/model_controls.h"
#include "serial/wide_text.h"
#include "win32/accessible_name.h"
#include "win32/dpi_scale.h"

namespace intercom {
namespace {

// Control identifiers start above IDOK and IDCANCEL, which the dialog
// navigation sends for Enter and Escape: those press nothing.
constexpr int kFirstId = 100;
// The drop-down list below a combo box's field.
constexpr int kListHeight = 160;
// The common controls' own trackbar thumb at 96 dpi, in a control as high as
// the table's.
constexpr int kThumbLength = 21;

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void ShowState(HWND window, const Control& control) {
  if ((IsWindowEnabled(window) != FALSE) != control.Enabled()) {
    EnableWindow(window, control.Enabled());
  }
  const bool shown = (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown != control.Visible()) ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE);
}

HWND CreateChild(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                 const LayoutRect& place, HWND parent, int id) {
  return CreateWindowExW(exStyle, className, caption.c_str(), WS_CHILD | WS_VISIBLE | style,
                         place.left, place.top, place.width, place.height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

// A step button's name says which way it moves, as the Qt views say it.
std::string AccessibleNameOf(const ControlLayout& entry) {
  std::string name = entry.accessibleName;
  if (entry.kind == ViewKind::StepButton) name += entry.up ? ": больше" : ": меньше";
  return name;
}

void MoveTo(HWND window, const LayoutRect& place) {
  SetWindowPos(window, nullptr, place.left, place.top, place.width, place.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The thumb, and so the ticks below it, at the density: left to the control
// at 96 dpi, where its own size is the one wanted.
void SizeThumb(HWND bar, UINT dpi) {
  const LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
  const bool fixed = (style & TBS_FIXEDLENGTH) != 0;
  if (dpi == kTableDpi && !fixed) return;
  if (!fixed) SetWindowLongPtrW(bar, GWL_STYLE, style | TBS_FIXEDLENGTH);
  SendMessageW(bar, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scaled(kThumbLength, dpi)), 0);
}

HWND ComboEditOf(HWND combo) {
  COMBOBOXINFO parts{};
  parts.cbSize = sizeof parts;
  return GetComboBoxInfo(combo, &parts) ? parts.hwndItem : nullptr;
}

// After a typed character the field of `combo` completes from its list;
// deleting completes nothing, and nor does typing before the end.
void CompleteTyped(HWND edit, HWND combo) {
  const std::wstring typed = WindowText(edit);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start != end || end != typed.size()) return;
  std::vector<std::string> items;
  const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring item(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
    item.resize(static_cast<size_t>(
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
    items.push_back(Narrow(item));
  }
  const auto completed = CompleteFromList(items, Narrow(typed));
  if (!completed) return;
  const std::wstring shown = Wide(*completed);
  if (shown == typed) return;
  // Replaced as an edit, not set: only an edit reaches the model, through
  // the combo box's notification, as the typing did.
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
  SendMessageW(edit, EM_SETSEL, typed.size(), -1);
}

LRESULT CALLBACK CompletingEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR combo) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, CompletingEditProc, id);
  const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
  if (message == WM_CHAR && wParam >= L' ' && wParam != 0x7F) {
    CompleteTyped(edit, reinterpret_cast<HWND>(combo));
  }
  return result;
}

}  // namespace

HWND ControlViews::ParentOf(const ControlLayout& layout, HWND client, View*& tabs) {
  if (layout.parent[0] == '\0') return client;
  for (const auto& view : views_) {
    if (std::string_view(view->layout->name) != layout.parent) continue;
    if (view->layout->kind == ViewKind::PageControl) tabs = view.get();
    return view->window;
  }
  return client;
}

void ControlViews::Build(const WindowLayout& layout, HWND client, MessageTarget& forward,
                         UINT dpi) {
  dpi_ = dpi;
  int id = kFirstId;
  for (const ControlLayout& entry : layout.controls) {
    auto view = std::make_unique<View>();
    view->layout = &entry;
    view->control = ModelControl(panel_, entry.name);
    View* tabs = nullptr;
    const HWND parent = ParentOf(entry, client, tabs);
    if (entry.kind == ViewKind::Page && tabs != nullptr) {
      // A page is a window of its own over the tab control's body.
      const std::wstring caption = Wide(entry.caption);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(caption.c_str());
      const int index = static_cast<int>(tabs->pages.size());
      SendMessageW(tabs->window, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
      view->container = std::make_unique<ContainerWindow>(
          entry, PageBody(tabs->window), tabs->window, FontOf(entry), dpi_, forward);
      view->window = view->container->Handle();
      view->tabs = tabs->window;
      tabs->pages.push_back(view->window);
    } else {
      Make(*view, parent, forward, id);
    }
    ++id;
    if (view->control != nullptr) byControl_[view->control].push_back(view.get());
    views_.push_back(std::move(view));
  }
  RefreshAll();
}

void ControlViews::Relayout(UINT dpi) {
  dpi_ = dpi;
  for (const auto& view : views_) {
    // The tab control before its pages: their body follows its new font.
    MoveTo(view->window, view->tabs != nullptr ? PageBody(view->tabs) : PlaceOf(*view));
    Fit(*view, true);
  }
}

HFONT ControlViews::FontOf(const ControlLayout& entry) const {
  return fonts_.Get(Scaled(entry.fontPixels, dpi_), entry.kind == ViewKind::StepButton);
}

LayoutRect ControlViews::PageBody(HWND tabs) const {
  RECT body;
  GetClientRect(tabs, &body);
  TabCtrl_AdjustRect(tabs, FALSE, &body);
  return {body.left, body.top, body.right - body.left, body.bottom - body.top};
}

LayoutRect ControlViews::PlaceOf(const View& view) const {
  const ControlLayout& entry = *view.layout;
  LayoutRect place = Scaled(entry.place, dpi_);
  if (entry.kind == ViewKind::Label) {
    // Grows to its text from its left top corner.
    place.width = std::max(place.width, TextWidth(FontOf(entry), Wide(entry.caption)));
  } else if (entry.kind == ViewKind::ComboBox) {
    place.height += Scaled(kListHeight, dpi_);
  }
  return place;
}

void ControlViews::Fit(View& view, bool redraw) {
  const ControlLayout& entry = *view.layout;
  const HFONT font = FontOf(entry);
  switch (entry.kind) {
    case ViewKind::Page:
    case ViewKind::GroupBox:
      if (view.container != nullptr) view.container->SetLook(font, dpi_);
      break;
    case ViewKind::Trace:
      view.trace->SetLook(font, dpi_);
      break;
    case ViewKind::Picture:
      ShowPicture(view);
      break;
    case ViewKind::TrackBar:
      SizeThumb(view.window, dpi_);
      break;
    default:
      break;
  }
  SendMessageW(view.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
  if (entry.kind == ViewKind::ComboBox) {
    view.described->SetFont(font);
    // The closed box as high as the table says: its field is the frame's six
    // pixels less at 96 dpi; at other densities the frame is measured.
    const int height = Scaled(entry.place, dpi_).height;
    SendMessageW(view.window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - 6);
    RECT closed;
    GetWindowRect(view.window, &closed);
    if (const int error = height - static_cast<int>(closed.bottom - closed.top); error != 0) {
      SendMessageW(view.window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - 6 + error);
    }
  }
}

void ControlViews::ShowPicture(View& view) {
  const auto it = pictures_.find(view.layout->name);
  if (it == pictures_.end()) return;
  const HBITMAP bitmap = it->second->Bitmap(dpi_);
  const auto old = reinterpret_cast<HBITMAP>(
      SendMessageW(view.window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  // The control's own copy of the previous picture, when it made one.
  if (old != nullptr && old != view.picture) DeleteObject(old);
  view.picture = bitmap;
  // STM_SETIMAGE sizes the control to the picture; the table's box stands.
  const LayoutRect place = PlaceOf(view);
  MoveWindow(view.window, place.left, place.top, place.width, place.height, FALSE);
}

void ControlViews::Make(View& view, HWND parent, MessageTarget& forward, int id) {
  const ControlLayout& entry = *view.layout;
  const std::wstring caption = Wide(entry.caption);
  const HFONT font = FontOf(entry);
  const LayoutRect place = PlaceOf(view);
  switch (entry.kind) {
    case ViewKind::PageControl:
      view.window = CreateChild(WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                WS_EX_CONTROLPARENT, place, parent, id);
      break;
    case ViewKind::Page:
    case ViewKind::GroupBox:
      view.container = std::make_unique<ContainerWindow>(entry, place, parent, font, dpi_, forward);
      view.window = view.container->Handle();
      break;
    case ViewKind::Label:
      view.window = CreateChild(L"STATIC", caption, SS_LEFT | SS_NOPREFIX, 0, place, parent, id);
      break;
    case ViewKind::Picture:
      view.window = CreateChild(L"STATIC", L"", SS_BITMAP, 0, place, parent, id);
      break;
    case ViewKind::Edit:
      view.window = CreateChild(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, place,
                                parent, id);
      break;
    case ViewKind::Trace:
      view.trace = std::make_unique<TraceControl>(
          static_cast<TextField&>(*view.control), place, parent, font, dpi_,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
      view.window = view.trace->Handle();
      break;
    case ViewKind::Button:
    case ViewKind::StepButton:
      view.window =
          CreateChild(L"BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON, 0, place, parent, id);
      break;
    case ViewKind::TrackBar:
      view.window =
          CreateChild(TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS, 0,
                      place, parent, id);
      SendMessageW(view.window, TBM_SETRANGE, FALSE, MAKELPARAM(TrackBar::kMin, TrackBar::kMax));
      SendMessageW(view.window, TBM_SETTICFREQ, 1, 0);
      SendMessageW(view.window, TBM_SETPAGESIZE, 0, 1);
      SendMessageW(view.window, TBM_SETLINESIZE, 0, 1);
      break;
    case ViewKind::CheckBox:
      view.window = CreateChild(L"BUTTON", caption, WS_TABSTOP | BS_CHECKBOX, 0, place, parent, id);
      break;
    case ViewKind::ComboBox:
      view.window = CreateChild(
          L"COMBOBOX", L"",
          WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL | DescribedList::kStyle, 0,
          place, parent, id);
      view.described = std::make_unique<DescribedList>(view.window);
      SetWindowSubclass(ComboEditOf(view.window), CompletingEditProc, 0,
                        reinterpret_cast<DWORD_PTR>(view.window));
      break;
  }
  Fit(view, false);
  if (entry.accessibleName[0] != '\0') {
    const std::wstring name = Wide(AccessibleNameOf(entry));
    SetAccessibleName(view.window, name);
    if (entry.kind == ViewKind::ComboBox) {
      // The focus is in the box's own edit field, which the reader names too.
      if (const HWND edit = ComboEditOf(view.window)) SetAccessibleName(edit, name);
    }
  }
}

bool ControlViews::Refresh(const Control& control) {
  const auto it = byControl_.find(&control);
  if (it == byControl_.end()) return false;
  for (View* view : it->second) Show(*view);
  return true;
}

void ControlViews::RefreshAll() {
  for (const auto& view : views_) {
    if (view->control != nullptr) Show(*view);
  }
}

void ControlViews::Show(View& view) {
  refreshing_ = true;
  const HWND window = view.window;
  switch (view.layout->kind) {
    case ViewKind::Edit: {
      const std::wstring text = Wide(static_cast<const TextField&>(*view.control).Text());
      if (WindowText(window) != text) SetWindowTextW(window, text.c_str());
      break;
    }
    case ViewKind::Trace:
      view.trace->ShowField();
      break;
    case ViewKind::TrackBar:
      SendMessageW(window, TBM_SETPOS, TRUE,
                   static_cast<const TrackBar&>(*view.control).Position());
      break;
    case ViewKind::CheckBox:
      SendMessageW(
          window, BM_SETCHECK,
          static_cast<const CheckBox&>(*view.control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ViewKind::ComboBox: {
      const auto& list = static_cast<const ComboBox&>(*view.control);
      bool same = SendMessageW(window, CB_GETCOUNT, 0, 0) == list.Count();
      for (int i = 0; same && i < list.Count(); ++i) {
        std::wstring item(static_cast<size_t>(SendMessageW(window, CB_GETLBTEXTLEN, i, 0)) + 1,
                          L'\0');
        item.resize(static_cast<size_t>(
            SendMessageW(window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
        same = item == Wide(list.Item(i));
      }
      if (!same) {
        SendMessageW(window, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : list.Items()) {
          SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
        }
      }
      if (!same || !view.described->Shows(list.Descriptions())) {
        view.described->Show(list.Descriptions());
      }
      const std::wstring text = Wide(list.Text());
      if (WindowText(window) != text) {
        SendMessageW(window, CB_SETCURSEL, list.ItemIndex(), 0);
        SetWindowTextW(window, text.c_str());
      }
      break;
    }
    case ViewKind::PageControl:
      ShowPages(view);
      break;
    case ViewKind::Label:
      // Most labels say what the table says; a TextLabel what the logic sets.
      if (const auto* label = dynamic_cast<const TextLabel*>(view.control)) {
        const std::wstring text = Wide(label->Text());
        if (WindowText(window) != text) SetWindowTextW(window, text.c_str());
      }
      break;
    default:
      break;
  }
  ShowState(window, *view.control);
  refreshing_ = false;
}

void ControlViews::ShowPages(View& view) {
  const int active = static_cast<const PageControl&>(*view.control).ActivePage();
  SendMessageW(view.window, TCM_SETCURSEL, active, 0);
  for (size_t i = 0; i < view.pages.size(); ++i) {
    ShowWindow(view.pages[i], static_cast<int>(i) == active ? SW_SHOWNA : SW_HIDE);
  }
}

ControlViews::View* ControlViews::ViewOf(HWND window) {
  for (const auto& view : views_) {
    if (view->window == window) return view.get();
  }
  return nullptr;
}

bool ControlViews::Notify(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND from = reinterpret_cast<HWND>(lParam);
  if (message == WM_NOTIFY) from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
  View* view = ViewOf(from);
  if (view == nullptr || view->control == nullptr) return false;
  if (refreshing_) return true;
  Control* control = view->control;
  const int code = HIWORD(wParam);
  switch (view->layout->kind) {
    case ViewKind::Button:
    case ViewKind::StepButton:
      if (message == WM_COMMAND && code == BN_CLICKED) {
        auto* button = static_cast<Button*>(control);
        panel_.WhenIdle([button] {
          if (button->Enabled() && button->Visible()) button->Click();
        });
      }
      return true;
    case ViewKind::CheckBox:
      if (message == WM_COMMAND && code == BN_CLICKED) {
        auto* box = static_cast<CheckBox*>(control);
        panel_.WhenIdle([this, box] {
          if (box->Enabled() && box->Visible()) box->Click();
          Refresh(*box);
        });
      }
      return true;
    case ViewKind::Edit:
      if (message == WM_COMMAND && code == EN_CHANGE) {
        auto* field = static_cast<TextField*>(control);
        panel_.WhenIdle([field, text = Narrow(WindowText(from))] { field->SetText(text); });
      }
      return true;
    case ViewKind::TrackBar:
      if (message == WM_HSCROLL) {
        auto* bar = static_cast<TrackBar*>(control);
        const auto position = static_cast<int>(SendMessageW(from, TBM_GETPOS, 0, 0));
        panel_.WhenIdle([this, bar, position] {
          bar->SetPosition(position);
          Refresh(*bar);
        });
      }
      return true;
    case ViewKind::ComboBox: {
      auto* list = static_cast<ComboBox*>(control);
      if (message == WM_COMMAND && code == CBN_EDITCHANGE) {
        panel_.WhenIdle([list, text = Narrow(WindowText(from))] { list->SetText(text); });
      } else if (message == WM_COMMAND && code == CBN_SELCHANGE) {
        const auto index = static_cast<int>(SendMessageW(from, CB_GETCURSEL, 0, 0));
        panel_.WhenIdle([list, index] { list->SetItemIndex(index); });
      } else if (message == WM_COMMAND && code == CBN_DROPDOWN) {
        // Sent before the list shows: the model may fill it anew first.
        panel_.WhenIdle([list] { list->DropDown(); });
      } else if (message == WM_COMMAND && code == CBN_SELENDOK) {
        // The opening list puts the first item that starts with the typed
        // text into the field, with no notification: taken, it is the choice.
        const auto index = static_cast<int>(SendMessageW(from, CB_GETCURSEL, 0, 0));
        if (index >= 0) panel_.WhenIdle([list, index] { list->SetItemIndex(index); });
      } else if (message == WM_COMMAND && code == CBN_SELENDCANCEL) {
        // Left without a choice: the field shows the typed text again.
        panel_.WhenIdle([this, list] { Refresh(*list); });
      }
      return true;
    }
    case ViewKind::PageControl:
      if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE) {
        auto* pages = static_cast<PageControl*>(control);
        const auto index = static_cast<int>(SendMessageW(from, TCM_GETCURSEL, 0, 0));
        panel_.WhenIdle([this, pages, index] {
          pages->SelectTab(index);
          Refresh(*pages);
        });
      }
      return true;
    default:
      return true;
  }
}

bool ControlViews::Draw(const DRAWITEMSTRUCT& item) {
  const View* view = ViewOf(item.hwndItem);
  if (view == nullptr || view->described == nullptr) return false;
  view->described->Draw(item);
  return true;
}

HWND ControlViews::Find(std::string_view name) const {
  for (const auto& view : views_) {
    if (name == view->layout->name) return view->window;
  }
  return nullptr;
}

}  // namespace intercom
