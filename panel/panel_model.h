// The state of every control of the main window (TForm1) and of the two
// dialogs (TForm2, port choice; TForm3, device address), named as the windows
// name them. The logic works only on this model; the window code displays it
// and feeds user input into it. No toolkit here.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "panel/busy_state.h"
#include "panel/controls.h"
#include "panel/file_chooser.h"
#include "panel/message_boxes.h"
#include "panel/panel_description.h"

namespace intercom {

// Port dialog.
struct PortDialog {
  explicit PortDialog(PanelModel& panel);
  Window Form;
  StaticControl Label1;
  ComboBox ComboBox1;
  Button BitBtn1;  // "Выбрать"
  // Whether the port in ComboBox1 will work, in one line.
  TextLabel Label2;
};

// Device address dialog.
struct AddressDialog {
  explicit AddressDialog(PanelModel& panel);
  Window Form;
  StaticControl Label1;
  TextField Edit1;
  Button BitBtn1;  // "Записать"
};

class PanelModel {
  // Declared first: the controls named below are made from the description's
  // rows before the members that refer to them.
  const PanelDescription& description_;
  std::map<std::string, std::unique_ptr<Control>, std::less<>> made_;

 public:
  // `boxes` and `description` must outlive the model; `applicationTitle` is
  // the caption of the notice and error boxes. Every Edit, Trace, TrackBar,
  // Button, StepButton, CheckBox and GroupBox row of the description's main
  // window is a control of that name; the description must hold the rows of
  // the controls named below.
  PanelModel(MessageBoxes& boxes, std::string applicationTitle,
             const PanelDescription& description = StandardPanel());
  PanelModel(const PanelModel&) = delete;
  PanelModel& operator=(const PanelModel&) = delete;

  const PanelDescription& Description() const { return description_; }

  // Main window. Its OnShow is FormShow.
  Window Form1{*this, "Form1"};
  // It starts on the belt pack's page.
  PageControl PageControl1{*this, "PageControl1", 2, description_.PageCount()};
  // The menu "Настройки": the port choice, then the settings file entries and
  // the exchange log.
  Button COM1{*this, "COM1"};
  Button SaveSettings{*this, "SaveSettings"};
  Button LoadSettings{*this, "LoadSettings"};
  CheckBox ExchangeLog{*this, "ExchangeLog"};

  TextField &Edit1 = Made<TextField>("Edit1"), &Edit2 = Made<TextField>("Edit2"),
            &Edit3 = Made<TextField>("Edit3"), &Edit4 = Made<TextField>("Edit4"),
            &Edit5 = Made<TextField>("Edit5"), &Edit6 = Made<TextField>("Edit6"),
            &Edit7 = Made<TextField>("Edit7"), &Edit8 = Made<TextField>("Edit8"),
            &Edit9 = Made<TextField>("Edit9"), &Edit10 = Made<TextField>("Edit10");
  // Hidden and disabled at first.
  TextField& Edit11 = Made<TextField>("Edit11");
  TextField& Edit12 = Made<TextField>("Edit12");  // request trace
  TextField& Edit13 = Made<TextField>("Edit13");  // reply trace
  TextField &Edit14 = Made<TextField>("Edit14"), &Edit15 = Made<TextField>("Edit15"),
            &Edit16 = Made<TextField>("Edit16"), &Edit17 = Made<TextField>("Edit17"),
            &Edit18 = Made<TextField>("Edit18"), &Edit19 = Made<TextField>("Edit19"),
            &Edit20 = Made<TextField>("Edit20");

  // Every slider starts disabled; the belt pack's volume at position 2, every
  // other at 0.
  TrackBar &TrackBar1 = Made<TrackBar>("TrackBar1"), &TrackBar2 = Made<TrackBar>("TrackBar2"),
           &TrackBar3 = Made<TrackBar>("TrackBar3"), &TrackBar4 = Made<TrackBar>("TrackBar4"),
           &TrackBar5 = Made<TrackBar>("TrackBar5"), &TrackBar6 = Made<TrackBar>("TrackBar6"),
           &TrackBar7 = Made<TrackBar>("TrackBar7"), &TrackBar8 = Made<TrackBar>("TrackBar8"),
           &TrackBar9 = Made<TrackBar>("TrackBar9");

  CheckBox& CheckBox1 = Made<CheckBox>("CheckBox1");

  StaticControl &GroupBox1 = Made<StaticControl>("GroupBox1"),
                &GroupBox2 = Made<StaticControl>("GroupBox2"),
                &GroupBox3 = Made<StaticControl>("GroupBox3"),
                &GroupBox4 = Made<StaticControl>("GroupBox4"),
                &GroupBox5 = Made<StaticControl>("GroupBox5"),
                &GroupBox6 = Made<StaticControl>("GroupBox6"),
                &GroupBox7 = Made<StaticControl>("GroupBox7");
  StaticControl Label1{*this, "Label1", true, false}, Label4{*this, "Label4", true, false};

  // Hidden at first.
  Button& BitBtn1 = Made<Button>("BitBtn1");
  Button &BitBtn2 = Made<Button>("BitBtn2"), &BitBtn3 = Made<Button>("BitBtn3"),
         &BitBtn4 = Made<Button>("BitBtn4"), &BitBtn5 = Made<Button>("BitBtn5"),
         &BitBtn6 = Made<Button>("BitBtn6"), &BitBtn7 = Made<Button>("BitBtn7"),
         &BitBtn8 = Made<Button>("BitBtn8"), &BitBtn9 = Made<Button>("BitBtn9"),
         &BitBtn10 = Made<Button>("BitBtn10"), &BitBtn11 = Made<Button>("BitBtn11"),
         &BitBtn12 = Made<Button>("BitBtn12"), &BitBtn13 = Made<Button>("BitBtn13"),
         &BitBtn14 = Made<Button>("BitBtn14"), &BitBtn15 = Made<Button>("BitBtn15"),
         &BitBtn16 = Made<Button>("BitBtn16"), &BitBtn17 = Made<Button>("BitBtn17"),
         &BitBtn18 = Made<Button>("BitBtn18"), &BitBtn19 = Made<Button>("BitBtn19"),
         &BitBtn20 = Made<Button>("BitBtn20"), &BitBtn21 = Made<Button>("BitBtn21"),
         &BitBtn22 = Made<Button>("BitBtn22"), &BitBtn23 = Made<Button>("BitBtn23"),
         &BitBtn24 = Made<Button>("BitBtn24"), &BitBtn25 = Made<Button>("BitBtn25");

  PortDialog Form2{*this};
  AddressDialog Form3{*this};

  // Numbered access: EditAt(14) is Edit14, TrackBarAt(5) is TrackBar5, and so on;
  // a number that names no control of that type throws std::out_of_range.
  TextField& EditAt(int n);
  TrackBar& TrackBarAt(int n);
  Button& BitBtnAt(int n);
  StaticControl& GroupBoxAt(int n);
  // The control made from the description's row named `name`; null for a
  // name no such row has.
  Control* Find(std::string_view name) const;

  // Modal boxes; each returns when the user has dismissed it.
  void ShowNotice(const std::string& text);
  void ShowInformation(const std::string& text);
  void ShowError(const std::string& text);
  // A question in a box captioned with the application title; true for "Да".
  bool Ask(const std::string& text);

  // The file dialog; until one is set nothing is ever chosen.
  void SetFileChooser(FileChooser& chooser) { chooser_ = &chooser; }
  std::optional<std::string> ChooseFile(const FileRequest& request);

  // The failure boundary of every handler: a HandlerFailure stops the handler
  // where it was raised and is shown with ShowError.
  void RunHandler(const Handler& handler);

  // True from the start of a handler to its end, also while it waits in a
  // message box and while a handler runs nested inside it.
  bool HandlerRunning() const { return handlerDepth_ > 0; }
  // Called each time the outermost running handler has returned (the window
  // code then delivers the input that waited for it).
  void SetIdleObserver(std::function<void()> observer) { idleObserver_ = std::move(observer); }
  // True while an action runs and does not wait for the user: from the start
  // of the outermost handler to its return, except while a box, a question or
  // the file dialog of this model is open (BusyState).
  bool Busy() const { return busy_.Busy(); }
  // True while a box, a question or the file dialog of this model is open.
  bool AskingUser() const { return busy_.Asking(); }
  // Called with the new state on every change of Busy(). A false that comes
  // with AskingUser() comes just before the box or dialog opens.
  void SetBusyObserver(std::function<void(bool busy)> observer) {
    busy_.SetObserver(std::move(observer));
  }
  // Runs `action` now when no handler runs; otherwise once the outermost
  // running handler has returned (after the idle observer), in the order the
  // actions were given. For what must not cut an action short: ending the
  // program, closing the window. An action must not throw.
  void WhenIdle(std::function<void()> action);

  // Called after any control's state changed (the window code refreshes it).
  void SetObserver(std::function<void(const Control&)> observer) {
    observer_ = std::move(observer);
  }
  void NotifyChanged(const Control& control) {
    if (observer_) observer_(control);
  }

  const std::string& ApplicationTitle() const { return title_; }

 private:
  // The control made from the row named `name`, of type T; throws
  // std::out_of_range when there is none.
  template <typename T>
  T& Made(std::string_view name) const {
    auto* control = dynamic_cast<T*>(Find(name));
    if (control == nullptr) throw std::out_of_range("the panel has no " + std::string(name));
    return *control;
  }

  MessageBoxes& boxes_;
  FileChooser* chooser_ = nullptr;
  std::string title_;
  std::function<void(const Control&)> observer_;
  std::function<void()> idleObserver_;
  std::vector<std::function<void()>> whenIdle_;
  int handlerDepth_ = 0;
  BusyState busy_;
};

}  // namespace intercom
