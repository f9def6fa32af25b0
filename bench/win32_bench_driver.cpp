// intercom-bench-driver.exe: the Windows program's native windows and
// controller on the port named in COM.ini, pressed by the benchmark instead of
// a user. The start-up (discovery included) runs as in the program; then
//
//   intercom-bench-driver.exe trace EXCHANGES
//     "Test" EXCHANGES times at each trace length (0, 100 KB and 1 MB, in
//     turn), the traces hidden (normal size) and shown (maximised); one line
//     per exchange:
//     "work NAME NANOSECONDS", the time it took beyond its pauses.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "bench/silent_boxes.h"
#include "controller/handlers.h"
#include "controller/program_context.h"
#include "serial/pause.h"
#include "serial/serial_port.h"
#include "win32/win32_views.h"

namespace intercom {
namespace {

long long Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Runs every waiting message, then the paints they caused.
void Settle(HWND window) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Sets both trace fields to about `length` bytes of exchange groups, in one
// append each: the rounds refill them before every timed exchange.
void FillTraces(PanelModel& panel, size_t length) {
  const std::string group = " E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00";
  std::string text;
  text.reserve(length + group.size());
  while (text.size() < length) text += group;
  panel.BitBtn5.Click();
  panel.Edit12.Append(text);
  panel.Edit13.Append(text);
}

// The lengths take turns, one exchange each per round, so that whatever the
// machine does meanwhile (the simulator's replies, the X server) falls on
// all of them alike.
int TraceRun(PanelModel& panel, Win32Views& views, long long& slept, int exchanges) {
  const HWND window = views.Form1().Handle();
  const HWND strip = views.Form1().Views().Find("Edit13");
  for (const bool shown : {false, true}) {
    if (shown) {
      ShowWindow(window, SW_MAXIMIZE);
      Settle(window);
      RECT client;
      RECT trace;
      GetClientRect(window, &client);
      GetWindowRect(strip, &trace);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&trace), 2);
      if (client.bottom < trace.bottom) {
        std::cerr << "maximised, the trace strip is still out of view\n";
        return 1;
      }
    }
    for (int i = 0; i < exchanges; ++i) {
      for (const size_t length : {size_t{0}, size_t{100} * 1024, size_t{1024} * 1024}) {
        FillTraces(panel, length);
        // One exchange first, untimed: the fill left the texts no room to
        // grow, and the copy that the first append then makes happens once
        // in a long trace's life, not at every exchange.
        panel.BitBtn18.Click();
        Settle(window);
        slept = 0;
        const long long begin = Now();
        panel.BitBtn18.Click();
        Settle(window);
        std::cout << "work " << (shown ? "shown" : "hidden") << "-" << length / 1024 << "KB "
                  << (Now() - begin - slept) << std::endl;
      }
    }
  }
  return 0;
}

}  // namespace
}  // namespace intercom

int main(int argc, char** argv) {
  using namespace intercom;
  if (argc != 3 || std::string(argv[1]) != "trace") {
    std::cerr << "usage: intercom-bench-driver.exe trace EXCHANGES\n";
    return 2;
  }
  SilentBoxes boxes;
  PanelModel panel(boxes, "intercom-config");
  const std::unique_ptr<SerialPort> port = MakeSerialPort();
  long long slept = 0;
  ProgramContext context(panel, *port, [&](int ms) {
    const long long start = Now();
    SleepPause(ms);
    slept += Now() - start;
  });
  BindHandlers(context);
  panel.Form1.Show();
  if (!panel.Form1.Visible()) return 1;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  int status = 0;
  {
    Win32Views views(panel);
    views.RefreshAll();
    status = TraceRun(panel, views, slept, std::atoi(argv[2]));
  }
  CoUninitialize();
  return status;
}
