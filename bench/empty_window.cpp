// intercom-empty-window: the least a Qt Widgets program does before its window
// is on the screen. Shows one empty window of the main window's size and, when
// the window is first exposed, prints CLOCK_MONOTONIC nanoseconds and the
// process's CPU time in nanoseconds, and ends.
// The benchmark's floor for any Qt program's start-up.
#include <time.h>
#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <iostream>

namespace {

class EmptyWindow : public QWidget {
 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint) {
      if (!reported_ && windowHandle() && windowHandle()->isExposed()) {
        reported_ = true;
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        std::cout << std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() << " "
                  << cpu.tv_sec * 1000000000LL + cpu.tv_nsec << std::endl;
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
      }
    }
    return QWidget::event(event);
  }

 private:
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  EmptyWindow window;
  window.resize(778, 474);
  window.show();
  return app.exec();
}
