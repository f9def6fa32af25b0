// The controls of the panel model: plain state with the events of a live
// window. Writes raise events only on a real change, and the handler runs to
// completion (through the panel's failure boundary) before the write returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace intercom {

class PanelModel;
using Handler = std::function<void()>;

class Control {
 public:
  Control(PanelModel& panel, std::string name, bool enabled = true, bool visible = true);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const std::string& Name() const { return name_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

 protected:
  // Tells the panel's observer (the window code) that this control changed.
  void Changed();
  // Runs a handler through the panel's failure boundary; empty handlers do nothing.
  void Raise(const Handler& handler);
  PanelModel& panel_;

 private:
  std::string name_;
  bool enabled_;
  bool visible_;
};

// TEdit: single-line text field with OnChange. The text has no length limit.
class TextField : public Control {
 public:
  using Control::Control;
  const std::string& Text() const { return text_; }
  // Equal text: nothing. Otherwise the field takes it, then OnChange runs.
  void SetText(const std::string& text);
  // SetText(Text() + tail) in time that does not grow with the text: an empty
  // tail changes nothing and raises nothing.
  void Append(const std::string& tail);
  Handler OnChange;

  // What a view needs to follow the text without reading all of it again:
  // Revision() counts the text's changes, and the change that made the current
  // revision left the first KeptPrefix() bytes as they were (a UTF-8 character
  // boundary). A view that shows revision Revision() - 1 replaces only the rest.
  uint64_t Revision() const { return revision_; }
  size_t KeptPrefix() const { return keptPrefix_; }

 private:
  void Took(size_t keptPrefix);

  std::string text_;
  uint64_t revision_ = 0;
  size_t keptPrefix_ = 0;
};

// TTrackBar: positions 0..16, no event.
class TrackBar : public Control {
 public:
  static constexpr int kMin = 0;
  static constexpr int kMax = 16;
  using Control::Control;
  TrackBar(PanelModel& panel, std::string name, int position, bool enabled)
      : Control(panel, std::move(name), enabled), position_(position) {}
  int Position() const { return position_; }
  // Values outside 0..16 are clamped.
  void SetPosition(int position);

 private:
  int position_ = 0;
};

// TCheckBox: OnClick runs on every real change of Checked.
class CheckBox : public Control {
 public:
  using Control::Control;
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  // A user's click: toggles and raises OnClick.
  void Click() { SetChecked(!checked_); }
  Handler OnClick;

 private:
  bool checked_ = false;
};

// TBitBtn and TMenuItem: Click() runs OnClick (the window delivers clicks only
// when the control is usable).
class Button : public Control {
 public:
  using Control::Control;
  void Click() { Raise(OnClick); }
  Handler OnClick;
};

// TGroupBox, TLabel, TImage: only Enabled and Visible.
class StaticControl : public Control {
 public:
  using Control::Control;
};

// A TLabel whose caption the logic sets; it wraps at its width.
class TextLabel : public Control {
 public:
  using Control::Control;
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

 private:
  std::string text_;
};

// TPageControl: one of its pages active, or none.
class PageControl : public Control {
 public:
  static constexpr int kNoPage = -1;
  PageControl(PanelModel& panel, std::string name, int initialPage, int pageCount);
  int PageCount() const { return pageCount_; }
  int ActivePage() const { return active_; }
  // 0..PageCount()-1 makes that page active; any other index leaves no page
  // active.
  void ShowPage(int index);
  // The page after the active one, the last followed by 0; page 0 when none
  // is active.
  void ShowNextPage();
  // A user's click on a tab: works only while enabled.
  void SelectTab(int index);

 private:
  int active_;
  int pageCount_;
};

// TComboBox: editable text with an item list. Each item may carry a
// description of what it names, which the view shows with the item; the text
// taken from an item is the item alone.
class ComboBox : public Control {
 public:
  using Control::Control;
  const std::vector<std::string>& Items() const { return items_; }
  // Parallel to Items(): one description an item, empty when there is none.
  const std::vector<std::string>& Descriptions() const { return descriptions_; }
  void ClearItems();
  void AddItem(const std::string& item, const std::string& description = {});
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
  // A user opening the list: OnDropDown runs before the list shows, so that it
  // may fill the list anew.
  void DropDown() { Raise(OnDropDown); }
  Handler OnDropDown;
  int ItemIndex() const { return itemIndex_; }
  // A valid index selects that item and takes its text (OnChange runs when
  // that is another); any other selects none.
  void SetItemIndex(int index);
  const std::string& Text() const { return text_; }
  // Another text than before, from the logic, the user or an item: OnChange
  // runs after it is taken.
  void SetText(const std::string& text);
  Handler OnChange;

 private:
  std::vector<std::string> items_;
  std::vector<std::string> descriptions_;
  int itemIndex_ = -1;
  std::string text_;
};

// A window: the main window or a modeless dialog.
class Window : public Control {
 public:
  Window(PanelModel& panel, std::string name);
  // Hidden: runs OnShow (a failure is reported, the window shows all the same),
  // then becomes visible. Already visible: no handler runs and no state
  // changes, but the observer hears of it, so that the view raises and
  // activates the window (it may lie hidden behind another one).
  void Show();
  // Hides the window; no handler runs. Closing the main window ends the program.
  void Close();
  Handler OnShow;

  // The text shown when the pointer rests on the window; empty: none.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);

 private:
  std::string hint_;
};

}  // namespace intercom
