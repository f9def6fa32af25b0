// The state of every control of the main window (TForm1) and of the two
// dialogs (TForm2, port choice; TForm3, device address), named as the windows
// name them. The logic works only on this model; the window code displays it
// and feeds user input into it. No toolkit here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "panel/busy_state.h"
#include "panel/controls.h"
#include "panel/file_chooser.h"
#include "panel/message_boxes.h"

namespace intercom {

// Port dialog.
struct PortDialog {
  explicit PortDialog(PanelModel& panel);
  Window Form;
  StaticControl Label1;
  ComboBox ComboBox1;
  Button BitBtn1;  // "Выбрать"
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
 public:
  // `boxes` must outlive the model; `applicationTitle` is the caption of the
  // notice and error boxes.
  PanelModel(MessageBoxes& boxes, std::string applicationTitle);
  PanelModel(const PanelModel&) = delete;
  PanelModel& operator=(const PanelModel&) = delete;

  // Main window. Its OnShow is FormShow.
  Window Form1{*this, "Form1"};
  PageControl PageControl1{*this, "PageControl1", 2};
  // The menu "Настройки": the port choice, then the settings file entries and
  // the exchange log.
  Button COM1{*this, "COM1"};
  Button SaveSettings{*this, "SaveSettings"};
  Button LoadSettings{*this, "LoadSettings"};
  CheckBox ExchangeLog{*this, "ExchangeLog"};

  TextField Edit1{*this, "Edit1"}, Edit2{*this, "Edit2"}, Edit3{*this, "Edit3"},
      Edit4{*this, "Edit4"}, Edit5{*this, "Edit5"}, Edit6{*this, "Edit6"}, Edit7{*this, "Edit7"},
      Edit8{*this, "Edit8"}, Edit9{*this, "Edit9"}, Edit10{*this, "Edit10"};
  TextField Edit11{*this, "Edit11", false, false};
  TextField Edit12{*this, "Edit12"};  // request trace
  TextField Edit13{*this, "Edit13"};  // reply trace
  TextField Edit14{*this, "Edit14"}, Edit15{*this, "Edit15"}, Edit16{*this, "Edit16"},
      Edit17{*this, "Edit17"}, Edit18{*this, "Edit18"}, Edit19{*this, "Edit19"},
      Edit20{*this, "Edit20"};

  // The belt pack's volume starts at position 2, every other slider at 0.
  TrackBar TrackBar1{*this, "TrackBar1", false}, TrackBar2{*this, "TrackBar2", false},
      TrackBar3{*this, "TrackBar3", false}, TrackBar4{*this, "TrackBar4", false},
      TrackBar5{*this, "TrackBar5", 2, false}, TrackBar6{*this, "TrackBar6", false},
      TrackBar7{*this, "TrackBar7", false}, TrackBar8{*this, "TrackBar8", false},
      TrackBar9{*this, "TrackBar9", false};

  CheckBox CheckBox1{*this, "CheckBox1"};

  StaticControl GroupBox1{*this, "GroupBox1"}, GroupBox2{*this, "GroupBox2"},
      GroupBox3{*this, "GroupBox3"}, GroupBox4{*this, "GroupBox4"}, GroupBox5{*this, "GroupBox5"},
      GroupBox6{*this, "GroupBox6"}, GroupBox7{*this, "GroupBox7"};
  StaticControl Label1{*this, "Label1", true, false}, Label4{*this, "Label4", true, false};

  Button BitBtn1{*this, "BitBtn1", true, false};
  Button BitBtn2{*this, "BitBtn2"}, BitBtn3{*this, "BitBtn3"}, BitBtn4{*this, "BitBtn4"},
      BitBtn5{*this, "BitBtn5"}, BitBtn6{*this, "BitBtn6"}, BitBtn7{*this, "BitBtn7"},
      BitBtn8{*this, "BitBtn8"}, BitBtn9{*this, "BitBtn9"}, BitBtn10{*this, "BitBtn10"},
      BitBtn11{*this, "BitBtn11"}, BitBtn12{*this, "BitBtn12"}, BitBtn13{*this, "BitBtn13"},
      BitBtn14{*this, "BitBtn14"}, BitBtn15{*this, "BitBtn15"}, BitBtn16{*this, "BitBtn16"},
      BitBtn17{*this, "BitBtn17"}, BitBtn18{*this, "BitBtn18"}, BitBtn19{*this, "BitBtn19"},
      BitBtn20{*this, "BitBtn20"}, BitBtn21{*this, "BitBtn21"}, BitBtn22{*this, "BitBtn22"},
      BitBtn23{*this, "BitBtn23"}, BitBtn24{*this, "BitBtn24"}, BitBtn25{*this, "BitBtn25"};

  PortDialog Form2{*this};
  AddressDialog Form3{*this};

  // Numbered access: EditAt(14) is Edit14, TrackBarAt(5) is TrackBar5, and so on;
  // a number that names no control throws std::out_of_range.
  TextField& EditAt(int n);
  TrackBar& TrackBarAt(int n);
  Button& BitBtnAt(int n);
  StaticControl& GroupBoxAt(int n);

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
