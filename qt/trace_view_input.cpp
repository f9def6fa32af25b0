// The trace view's keyboard, input method, mouse and context menu: what a
// user expects of a one-line field, over a text of any length.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "qt/trace_view.h"

namespace intercom {

void TraceView::keyPressEvent(QKeyEvent* event) {
  const int size = text_.Size();
  if (event == QKeySequence::SelectAll) {
    selectAll();
  } else if (event == QKeySequence::Copy) {
    copy();
  } else if (event == QKeySequence::Cut) {
    copy();
    DeleteSelection();
  } else if (event == QKeySequence::Paste) {
    Paste();
  } else if (event == QKeySequence::MoveToNextChar) {
    MoveCursor(hasSelectedText() ? std::max(cursor_, anchor_) : NextPosition(cursor_), false);
  } else if (event == QKeySequence::MoveToPreviousChar) {
    MoveCursor(hasSelectedText() ? std::min(cursor_, anchor_) : PreviousPosition(cursor_), false);
  } else if (event == QKeySequence::SelectNextChar) {
    MoveCursor(NextPosition(cursor_), true);
  } else if (event == QKeySequence::SelectPreviousChar) {
    MoveCursor(PreviousPosition(cursor_), true);
  } else if (event == QKeySequence::MoveToNextWord) {
    MoveCursor(WordEnd(cursor_), false);
  } else if (event == QKeySequence::MoveToPreviousWord) {
    MoveCursor(WordStart(cursor_), false);
  } else if (event == QKeySequence::SelectNextWord) {
    MoveCursor(WordEnd(cursor_), true);
  } else if (event == QKeySequence::SelectPreviousWord) {
    MoveCursor(WordStart(cursor_), true);
  } else if (event == QKeySequence::MoveToStartOfLine ||
             event == QKeySequence::MoveToStartOfBlock ||
             event == QKeySequence::MoveToStartOfDocument) {
    MoveCursor(0, false);
  } else if (event == QKeySequence::MoveToEndOfLine || event == QKeySequence::MoveToEndOfBlock ||
             event == QKeySequence::MoveToEndOfDocument) {
    MoveCursor(size, false);
  } else if (event == QKeySequence::SelectStartOfLine ||
             event == QKeySequence::SelectStartOfBlock ||
             event == QKeySequence::SelectStartOfDocument) {
    MoveCursor(0, true);
  } else if (event == QKeySequence::SelectEndOfLine || event == QKeySequence::SelectEndOfBlock ||
             event == QKeySequence::SelectEndOfDocument) {
    MoveCursor(size, true);
  } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
    if (hasSelectedText()) {
      DeleteSelection();
    } else if (cursor_ > 0) {
      const int from = PreviousPosition(cursor_);
      Edit(from, cursor_ - from, QString());
    }
  } else if (event == QKeySequence::Delete) {
    if (hasSelectedText()) {
      DeleteSelection();
    } else if (cursor_ < size) {
      Edit(cursor_, NextPosition(cursor_) - cursor_, QString());
    }
  } else if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
             !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
    InsertTyped(event->text());
  } else {
    event->ignore();
    return;
  }
  RestartBlinking();
  event->accept();
}

void TraceView::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() || event->replacementLength() != 0) {
    const int from =
        std::clamp(std::min(cursor_, anchor_) + event->replacementStart(), 0, text_.Size());
    const int removed =
        hasSelectedText() ? std::abs(cursor_ - anchor_) : event->replacementLength();
    replace(from, removed, event->commitString());
  }
  event->accept();
}

QVariant TraceView::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return isEnabled();
    case Qt::ImCursorRectangle:
      return QRectF(LineRect().x() - scroll_ + text_.XOf(cursor_), LineRect().y(), 1,
                    LineRect().height())
          .toRect();
    case Qt::ImCursorPosition:
      return cursor_;
    case Qt::ImAnchorPosition:
      return anchor_;
    case Qt::ImCurrentSelection:
      return selectedText();
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhNone);
    default:
      return QWidget::inputMethodQuery(query);
  }
}

void TraceView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const int index = text_.IndexAt(event->position().x() - LineRect().x() + scroll_);
  MoveCursor(index, event->modifiers().testFlag(Qt::ShiftModifier));
}

void TraceView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  // Dragging past an edge scrolls the text under the pointer.
  MoveCursor(text_.IndexAt(event->position().x() - LineRect().x() + scroll_), true);
}

void TraceView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = text_.IndexAt(event->position().x() - LineRect().x() + scroll_);
  int start = index;
  int end = index;
  while (start > 0 && !text_.Text().at(start - 1).isSpace()) --start;
  while (end < text_.Size() && !text_.Text().at(end).isSpace()) ++end;
  anchor_ = start;
  MoveCursor(end, true);
}

void TraceView::wheelEvent(QWheelEvent* event) {
  // Either wheel scrolls the one line sideways, three characters a notch.
  const QPoint notches = event->angleDelta();
  const int delta = notches.x() != 0 ? notches.x() : notches.y();
  if (delta == 0 || text_.Width() <= LineRect().width()) {
    event->ignore();
    return;
  }
  ScrollBy(-delta / 120.0 * 3 * QFontMetricsF(font()).averageCharWidth());
  event->accept();
}

void TraceView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* cut = menu.addAction(tr("Cu&t"), QKeySequence::Cut);
  QAction* copyAction = menu.addAction(tr("&Copy"), QKeySequence::Copy);
  QAction* paste = menu.addAction(tr("&Paste"), QKeySequence::Paste);
  QAction* remove = menu.addAction(tr("Delete"));
  menu.addSeparator();
  QAction* all = menu.addAction(tr("Select All"), QKeySequence::SelectAll);
  cut->setEnabled(hasSelectedText());
  copyAction->setEnabled(hasSelectedText());
  paste->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
  remove->setEnabled(hasSelectedText());
  all->setEnabled(!text_.Text().isEmpty());
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == cut) {
    copy();
    DeleteSelection();
  } else if (chosen == copyAction) {
    copy();
  } else if (chosen == paste) {
    Paste();
  } else if (chosen == remove) {
    DeleteSelection();
  } else if (chosen == all) {
    selectAll();
  }
}

}  // namespace intercom
