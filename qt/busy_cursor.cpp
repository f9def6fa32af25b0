#include "qt/busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace intercom {

BusyCursor::~BusyCursor() {
  Show(false);
}

void BusyCursor::Show(bool busy) {
  if (shown_ == busy) return;
  shown_ = busy;
  // Nothing else in the program overrides the cursor: the top of the stack
  // is this entry.
  if (busy) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

}  // namespace intercom
