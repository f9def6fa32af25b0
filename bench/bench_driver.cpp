// intercom-bench-driver: the program's windows and controller on the real port
// named in COM.ini, pressed by the benchmark instead of a user. The start-up
// (discovery included) runs as in the program; then the chosen measurement.
// Message boxes return at once (their texts go to stderr). Every line on
// stdout is one record: a name, then CLOCK_MONOTONIC nanoseconds or figures.
//
//   intercom-bench-driver actions KIND REPEATS
//     "Считать настройки", "Записать настройки" and level steps, REPEATS each
//   intercom-bench-driver trace EXCHANGES
//     "Test" EXCHANGES times at trace lengths 0, 100 KB and 1 MB, the traces
//     hidden (normal size) and shown (maximised)
//   intercom-bench-driver memory EXCHANGES
//     resident memory after discovery and after EXCHANGES "Test" exchanges
//     run without their pauses
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/silent_boxes.h"
#include "controller/handlers.h"
#include "controller/program_context.h"
#include "qt/window_observer.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"

namespace intercom {
namespace {

using Clock = std::chrono::steady_clock;

long long Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Lets posted events run, repaints included.
void Settle() {
  QApplication::processEvents();
  QApplication::sendPostedEvents();
  QApplication::processEvents();
}

// The "+" and "-" of one level per kind; none for the subscriber set.
Button* StepButton(PanelModel& panel, const std::string& kind, bool up) {
  if (kind == "splitter") return up ? &panel.BitBtn7 : &panel.BitBtn8;
  if (kind == "beltpack") return up ? &panel.BitBtn15 : &panel.BitBtn16;
  if (kind == "switch") return up ? &panel.BitBtn17 : &panel.BitBtn14;
  return nullptr;
}

// One action between two time marks, so that the device's log can be split.
template <typename F>
void Action(const std::string& name, F&& run) {
  const long long start = Now();
  run();
  Settle();
  std::cout << "action " << name << " " << start << " " << Now() << std::endl;
}

std::string Group() {
  return " E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00";
}

}  // namespace
}  // namespace intercom

int main(int argc, char** argv) {
  using namespace intercom;
  if (argc < 3) {
    std::cerr << "usage: intercom-bench-driver actions KIND REPEATS | trace EXCHANGES | "
                 "memory EXCHANGES\n";
    return 2;
  }
  const std::string mode = argv[1];
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  SilentBoxes boxes;
  PanelModel panel(boxes, "intercom-config");
  PosixSerialPort port(PosixSerialPort::kSystemLockFolder);
  bool pausing = true;
  long long slept = 0;
  ProgramContext context(panel, port, [&](int ms) {
    if (!pausing) return;
    const long long start = Now();
    SleepPause(ms);
    slept += Now() - start;
  });
  BindHandlers(context);
  TForm1 form1(panel);
  TForm2 form2(panel);
  TForm3 form3(panel);
  ObservePanel(panel, form1, form2, form3, nullptr);

  Action("discovery", [&] { panel.Form1.Show(); });

  if (mode == "actions" && argc == 4) {
    const std::string kind = argv[2];
    const int repeats = std::atoi(argv[3]);
    for (int i = 0; i < repeats; ++i) Action("read", [&] { panel.BitBtn4.Click(); });
    for (int i = 0; i < repeats; ++i) Action("write", [&] { panel.BitBtn2.Click(); });
    if (Button* up = StepButton(panel, kind, true)) {
      Button* down = StepButton(panel, kind, false);
      // Up and down in turn: the level stays in range and every step sends.
      Action("level", [&] {
        for (int i = 0; i < 2 * repeats; ++i) {
          (i % 2 == 0 ? up : down)->Click();
          Settle();
        }
      });
    }
  } else if (mode == "trace") {
    const int exchanges = std::atoi(argv[2]);
    for (const bool shown : {false, true}) {
      if (shown) {
        form1.showMaximized();
        for (int i = 0; i < 100 && form1.centralWidget()->height() < 533; ++i) Settle();
      }
      for (const size_t length : {size_t{0}, size_t{100} * 1024, size_t{1024} * 1024}) {
        panel.BitBtn5.Click();
        const std::string group = Group();
        while (panel.Edit13.Text().size() < length) {
          panel.Edit12.Append(group);
          panel.Edit13.Append(group);
        }
        Settle();
        const std::string name =
            std::string(shown ? "shown" : "hidden") + "-" + std::to_string(length / 1024) + "KB";
        const long long start = Now();
        for (int i = 0; i < exchanges; ++i) {
          slept = 0;
          const long long begin = Now();
          panel.BitBtn18.Click();
          Settle();
          std::cout << "work " << name << " " << (Now() - begin - slept) << std::endl;
        }
        std::cout << "action " << name << " " << start << " " << Now() << std::endl;
      }
    }
  } else if (mode == "memory") {
    const int exchanges = std::atoi(argv[2]);
    Settle();
    std::cout << "rss discovery " << ResidentKb() << std::endl;
    pausing = false;
    for (int i = 0; i < exchanges; ++i) {
      panel.BitBtn18.Click();
      Settle();
    }
    std::cout << "rss exchanges " << ResidentKb() << " " << panel.Edit13.Text().size() << std::endl;
  } else {
    std::cerr << "intercom-bench-driver: unknown mode " << mode << "\n";
    return 2;
  }
  ForgetWindows(panel);
  return 0;
}
