#include "panel/panel_model.h"

#include <stdexcept>

#include "panel/handler_failure.h"

namespace intercom {

PortDialog::PortDialog(PanelModel& panel)
    : Form(panel, "Form2"),
      Label1(panel, "Form2.Label1"),
      ComboBox1(panel, "Form2.ComboBox1"),
      BitBtn1(panel, "Form2.BitBtn1"),
      Label2(panel, "Form2.Label2") {}

AddressDialog::AddressDialog(PanelModel& panel)
    : Form(panel, "Form3"),
      Label1(panel, "Form3.Label1"),
      Edit1(panel, "Form3.Edit1"),
      BitBtn1(panel, "Form3.BitBtn1") {}

namespace {

using MadeControls = std::map<std::string, std::unique_ptr<Control>, std::less<>>;

MadeControls MakeControls(PanelModel& panel, const WindowLayout& window) {
  MadeControls made;
  for (const ControlLayout& row : window.controls) {
    std::unique_ptr<Control> control;
    switch (row.kind) {
      case ViewKind::Edit:
      case ViewKind::Trace:
        control = std::make_unique<TextField>(panel, row.name);
        break;
      case ViewKind::TrackBar:
        control = std::make_unique<TrackBar>(panel, row.name, false);
        break;
      case ViewKind::Button:
      case ViewKind::StepButton:
        control = std::make_unique<Button>(panel, row.name);
        break;
      case ViewKind::CheckBox:
        control = std::make_unique<CheckBox>(panel, row.name);
        break;
      case ViewKind::GroupBox:
        control = std::make_unique<StaticControl>(panel, row.name);
        break;
      case ViewKind::PageControl:
      case ViewKind::Page:
      case ViewKind::Label:
      case ViewKind::Picture:
      case ViewKind::ComboBox:
        continue;
    }
    made.emplace(row.name, std::move(control));
  }
  return made;
}

}  // namespace

PanelModel::PanelModel(MessageBoxes& boxes, std::string applicationTitle,
                       const PanelDescription& description)
    : description_(description),
      made_(MakeControls(*this, description.MainWindow())),
      boxes_(boxes),
      title_(std::move(applicationTitle)) {
  // Nothing observes the model yet: these are its first state, not changes.
  Edit11.SetEnabled(false);
  Edit11.SetVisible(false);
  TrackBar5.SetPosition(2);
  BitBtn1.SetVisible(false);
}

Control* PanelModel::Find(std::string_view name) const {
  const auto found = made_.find(name);
  return found == made_.end() ? nullptr : found->second.get();
}

TextField& PanelModel::EditAt(int n) {
  return Made<TextField>("Edit" + std::to_string(n));
}

TrackBar& PanelModel::TrackBarAt(int n) {
  return Made<TrackBar>("TrackBar" + std::to_string(n));
}

Button& PanelModel::BitBtnAt(int n) {
  return Made<Button>("BitBtn" + std::to_string(n));
}

StaticControl& PanelModel::GroupBoxAt(int n) {
  return Made<StaticControl>("GroupBox" + std::to_string(n));
}

void PanelModel::ShowNotice(const std::string& text) {
  const BusyState::Scope asking(busy_, false);
  boxes_.Show(MessageKind::Notice, title_, text);
}

void PanelModel::ShowInformation(const std::string& text) {
  const BusyState::Scope asking(busy_, false);
  boxes_.Show(MessageKind::Information, "Information", text);
}

void PanelModel::ShowError(const std::string& text) {
  const BusyState::Scope asking(busy_, false);
  boxes_.Show(MessageKind::Error, title_, ErrorText(text));
}

bool PanelModel::Ask(const std::string& text) {
  const BusyState::Scope asking(busy_, false);
  return boxes_.Ask(title_, text);
}

std::optional<std::string> PanelModel::ChooseFile(const FileRequest& request) {
  if (chooser_ == nullptr) return std::nullopt;
  const BusyState::Scope asking(busy_, false);
  return chooser_->Choose(request);
}

void PanelModel::RunHandler(const Handler& handler) {
  // Counted down on every way out, an unexpected exception included.
  struct Depth {
    PanelModel& panel;
    explicit Depth(PanelModel& p) : panel(p) { ++panel.handlerDepth_; }
    ~Depth() {
      if (--panel.handlerDepth_ != 0) return;
      if (panel.idleObserver_) panel.idleObserver_();
      // An action may start a handler of its own, which takes up what is
      // queued by then; the rest waits for that one to return.
      while (!panel.whenIdle_.empty() && panel.handlerDepth_ == 0) {
        const std::function<void()> action = std::move(panel.whenIdle_.front());
        panel.whenIdle_.erase(panel.whenIdle_.begin());
        action();
      }
    }
  } depth(*this);
  // Ends before the idle observer runs: the input that waited is handled
  // with the busy cursor gone.
  const BusyState::Scope running(busy_, true);
  try {
    handler();
  } catch (const HandlerFailure& failure) {
    ShowError(failure.Message());
  }
}

void PanelModel::WhenIdle(std::function<void()> action) {
  if (HandlerRunning()) {
    whenIdle_.push_back(std::move(action));
  } else {
    action();
  }
}

}  // namespace intercom
