// intercom-config: configures one intercom device on the serial port named in
// COM.ini in the working directory.
#include <QApplication>

#include <iostream>
#include <memory>

#include "app/application_identity.h"
#include "app/program_options.h"
#include "app/termination_watch.h"
#include "controller/handlers.h"
#include "controller/program_context.h"
#include "qt/control_views.h"
#include "qt/qt_file_chooser.h"
#include "qt/qt_message_boxes.h"
#include "qt/window_observer.h"
#include "serial/pause.h"
#include "serial/serial_port.h"

int main(int argc, char** argv) {
  if (const auto status = intercom::AnswerProgramOptions(argc, argv, std::cout)) return *status;

  intercom::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  intercom::SetApplicationIdentity();
  // Closing a message box of the start-up, the only window then, must not end the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // Menus and message boxes in the windows' face too: fontconfig then matches
  // and loads one family at start-up rather than also the desktop's default.
  QApplication::setFont(intercom::PanelFont(11));

  intercom::QtMessageBoxes boxes;
  intercom::PanelModel panel(boxes, intercom::ApplicationTitle(argv[0]));
  intercom::QtFileChooser files;
  panel.SetFileChooser(files);
  const std::unique_ptr<intercom::SerialPort> port = intercom::MakeSerialPort();
  intercom::ProgramContext context(panel, *port, intercom::SleepPause);
  intercom::BindHandlers(context);

  intercom::TerminationSignals termination;
  intercom::TerminationWatch watch(context, termination, [] { QCoreApplication::exit(0); });

  // The start-up runs here, before the window appears. It works on the model
  // alone, and the widgets only show the model, so they are built after it:
  // the device is probed without waiting for them, and the window comes up
  // showing whatever the start-up left in the model. A termination request
  // that came while it ran ends the program once it is over.
  panel.Form1.Show();
  if (!panel.Form1.Visible() || watch.Ended()) return 0;

  intercom::TForm1 form1(panel);
  intercom::TForm2 form2(panel, &form1);
  intercom::TForm3 form3(panel, &form1);
  boxes.SetOwner(&form1);
  intercom::ObservePanel(panel, form1, form2, form3, [] { QCoreApplication::quit(); });
  form1.Refresh(panel.Form1);
  const int status = app.exec();
  boxes.SetOwner(nullptr);
  intercom::ForgetWindows(panel);
  return status;
}
