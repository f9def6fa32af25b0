// intercom-config: configures one intercom device on the serial port named in
// COM.ini in the working directory.
#include <QApplication>

#include "protocol/session.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"
#include "serial/process_signals.h"
#include "windows/qt_message_boxes.h"
#include "windows/window_observer.h"
#include "workflow/handlers.h"

int main(int argc, char** argv) {
  intercom::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  // Closing a message box of the start-up, the only window then, must not end the program.
  QApplication::setQuitOnLastWindowClosed(false);

  intercom::QtMessageBoxes boxes;
  intercom::PanelModel panel(boxes, intercom::ApplicationTitle(argv[0]));
  intercom::PosixSerialPort port(intercom::PosixSerialPort::kSystemLockFolder);
  intercom::Session session(panel, port, intercom::SleepPause);
  intercom::BindHandlers(session);

  intercom::TForm1 form1(panel);
  intercom::TForm2 form2(panel);
  intercom::TForm3 form3(panel);
  intercom::ObservePanel(panel, form1, form2, form3, [] { QCoreApplication::quit(); });

  // The start-up runs here, before the window appears.
  panel.Form1.Show();
  const int status = panel.Form1.Visible() ? app.exec() : 0;
  intercom::ForgetWindows(panel);
  return status;
}
