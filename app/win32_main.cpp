// intercom-config.exe: configures one intercom device on the serial port named
// in COM.ini in the working directory (the installed program's is the user's
// own folder), with the native Windows views.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <filesystem>
#include <iostream>
#include <memory>

#include "app/program_options.h"
#include "controller/handlers.h"
#include "controller/program_context.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "serial/wide_text.h"
#include "win32/installed_folder.h"
#include "win32/win32_file_chooser.h"
#include "win32/win32_message_boxes.h"
#include "win32/win32_views.h"

namespace {

std::filesystem::path ProgramPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = intercom::AnswerProgramOptions(argc, argv, std::cout)) return *status;

  const std::filesystem::path program = ProgramPath();
  intercom::Win32MessageBoxes boxes;
  const std::string title = intercom::ApplicationTitle(intercom::Narrow(program.wstring()));
  // Before anything reads or writes a file of the working folder.
  if (const auto folder = intercom::InstalledWorkFolder(program.parent_path())) {
    try {
      intercom::EnterWorkFolder(*folder);
    } catch (const std::filesystem::filesystem_error& error) {
      boxes.Show(
          intercom::MessageKind::Error, title,
          intercom::ErrorText("Папка настроек недоступна: " + intercom::Narrow(folder->wstring()) +
                              ": " + error.code().message()));
      return 1;
    }
  }
  intercom::PanelModel panel(boxes, title);
  intercom::Win32FileChooser files;
  panel.SetFileChooser(files);
  const std::unique_ptr<intercom::SerialPort> port = intercom::MakeSerialPort();
  intercom::ProgramContext context(panel, *port, intercom::SleepPause);
  intercom::BindHandlers(context);

  // The start-up runs here, before the window exists: it works on the model
  // alone, so the device is probed without waiting for the windows, which
  // come up showing whatever the start-up left in the model. Nothing before
  // it touches COM or the common controls: a single-threaded apartment makes
  // a window, which would connect the process to the desktop (under Wine,
  // start the desktop's process) before the first request.
  panel.Form1.Show();
  int status = 0;
  if (panel.Form1.Visible()) {
    // The picture's decoder is a COM object; the file dialogs want a
    // single-threaded apartment.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    intercom::Win32Views views(panel);
    files.SetOwner(views.Form1().Handle());
    views.RefreshAll();
    status = views.Run();
    CoUninitialize();
  }
  return status;
}
