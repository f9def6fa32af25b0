// intercom-config: configures one intercom device on the serial port named in
// COM.ini in the working directory.
#include <QApplication>
#include <QSocketNotifier>

#include <iostream>
#include <memory>
#include <optional>

#include "app/application_identity.h"
#include "app/program_options.h"
#include "qt/control_views.h"
#include "qt/qt_file_chooser.h"
#include "qt/qt_message_boxes.h"
#include "qt/window_observer.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "serial/termination_signals.h"
#include "workflow/handlers.h"
#include "workflow/port_link.h"
#include "workflow/program_context.h"

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
  intercom::ProgramContext session(panel, *port, intercom::SleepPause);
  intercom::BindHandlers(session);

  // SIGTERM, SIGINT and SIGHUP end the program through its loop, so that the
  // port is given back (exclusive use cleared, lock file removed) rather than
  // left held by the killed process. A request that arrives during an action
  // is taken up when the action is over.
  intercom::TerminationSignals termination;
  bool terminating = false;
  std::optional<QSocketNotifier> terminationNotifier;
  if (termination.Installed()) {
    terminationNotifier.emplace(termination.ReadyDescriptor(), QSocketNotifier::Read);
    QObject::connect(&*terminationNotifier, &QSocketNotifier::activated, [&] {
      if (intercom::ReleasePortOnTermination(session, termination) == 0) return;
      terminating = true;
      QCoreApplication::exit(0);
    });
  }

  // The start-up runs here, before the window appears. It works on the model
  // alone, and the widgets only show the model, so they are built after it:
  // the device is probed without waiting for them, and the window comes up
  // showing whatever the start-up left in the model. A termination request
  // answered in one of its message boxes ends the program before the loop.
  panel.Form1.Show();
  if (!panel.Form1.Visible() || terminating) return 0;

  intercom::TForm1 form1(panel);
  intercom::TForm2 form2(panel);
  intercom::TForm3 form3(panel);
  intercom::ObservePanel(panel, form1, form2, form3, [] { QCoreApplication::quit(); });
  form1.Refresh(panel.Form1);
  const int status = app.exec();
  intercom::ForgetWindows(panel);
  return status;
}
