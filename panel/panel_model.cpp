#include "panel/panel_model.h"

#include <array>
#include <stdexcept>

#include "panel/handler_failure.h"

namespace intercom {

PortDialog::PortDialog(PanelModel& panel)
    : Form(panel, "Form2"),
      Label1(panel, "Form2.Label1"),
      ComboBox1(panel, "Form2.ComboBox1"),
      BitBtn1(panel, "Form2.BitBtn1") {}

AddressDialog::AddressDialog(PanelModel& panel)
    : Form(panel, "Form3"),
      Label1(panel, "Form3.Label1"),
      Edit1(panel, "Form3.Edit1"),
      BitBtn1(panel, "Form3.BitBtn1") {}

PanelModel::PanelModel(MessageBoxes& boxes, std::string applicationTitle)
    : boxes_(boxes), title_(std::move(applicationTitle)) {}

TextField& PanelModel::EditAt(int n) {
  const std::array<TextField*, 20> edits = {
      &Edit1,  &Edit2,  &Edit3,  &Edit4,  &Edit5,  &Edit6,  &Edit7,  &Edit8,  &Edit9,  &Edit10,
      &Edit11, &Edit12, &Edit13, &Edit14, &Edit15, &Edit16, &Edit17, &Edit18, &Edit19, &Edit20};
  return *edits.at(static_cast<size_t>(n - 1));
}

TrackBar& PanelModel::TrackBarAt(int n) {
  const std::array<TrackBar*, 9> bars = {&TrackBar1, &TrackBar2, &TrackBar3, &TrackBar4, &TrackBar5,
                                         &TrackBar6, &TrackBar7, &TrackBar8, &TrackBar9};
  return *bars.at(static_cast<size_t>(n - 1));
}

Button& PanelModel::BitBtnAt(int n) {
  const std::array<Button*, 25> buttons = {&BitBtn1,  &BitBtn2,  &BitBtn3,  &BitBtn4,  &BitBtn5,
                                           &BitBtn6,  &BitBtn7,  &BitBtn8,  &BitBtn9,  &BitBtn10,
                                           &BitBtn11, &BitBtn12, &BitBtn13, &BitBtn14, &BitBtn15,
                                           &BitBtn16, &BitBtn17, &BitBtn18, &BitBtn19, &BitBtn20,
                                           &BitBtn21, &BitBtn22, &BitBtn23, &BitBtn24, &BitBtn25};
  return *buttons.at(static_cast<size_t>(n - 1));
}

StaticControl& PanelModel::GroupBoxAt(int n) {
  const std::array<StaticControl*, 7> groups = {&GroupBox1, &GroupBox2, &GroupBox3, &GroupBox4,
                                                &GroupBox5, &GroupBox6, &GroupBox7};
  return *groups.at(static_cast<size_t>(n - 1));
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
