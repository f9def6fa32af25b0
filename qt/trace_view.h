// The request and reply traces (Edit12, Edit13): a one-line text field that
// holds its field's whole text, however long, and whose cost does not grow with
// it. The text is measured in short runs, once, when it arrives; painting and
// hit-testing touch only the runs in view, so an append measures only the
// appended part and a repaint draws only what is visible.
#pragma once

#include <QBasicTimer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "panel/controls.h"
#include "qt/measured_text.h"

class QStyleOptionFrame;

namespace intercom {

class TraceView : public QWidget {
  Q_OBJECT

 public:
  // `field` must outlive the view. The view starts showing the field's text.
  TraceView(TextField& field, QWidget* parent);

  // Brings the view in line with the field: reads only what changed since the
  // last call (Revision and KeptPrefix). A write by the logic puts the caret at
  // the end and clears the selection, as a line edit's setText does.
  void ShowField();

  const QString& text() const { return text_.Text(); }
  int cursorPosition() const { return cursor_; }
  bool hasSelectedText() const { return cursor_ != anchor_; }
  int selectionStart() const { return cursor_ < anchor_ ? cursor_ : anchor_; }
  QString selectedText() const;
  void selectAll();
  // Puts the selection on the clipboard; nothing when nothing is selected.
  void copy() const;
  // Selects [start, end) with the caret at `end`; offsets are clamped to the text.
  void setSelection(int start, int end);
  void setCursorPosition(int position);
  // An edit as the user makes it: the view changes, then the field takes the
  // whole text (OnChange runs). Offsets are clamped to the text.
  void replace(int position, int removed, const QString& inserted);
  // Character `offset`'s box and the offset under `point`, in widget pixels.
  QRect characterRect(int offset) const;
  int positionAt(const QPoint& point) const;
  // Scrolls so that [start, end) is in view, its start first.
  void scrollToRange(int start, int end);

  // Where the text's start lies left of the visible area's left edge, in pixels.
  qreal scrollOffset() const { return scroll_; }
  // The width of the whole text, in pixels.
  qreal textWidth() const { return text_.Width(); }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  // Replaces `removed` characters at `position` with `inserted` (assistive
  // technology is told).
  void Splice(int position, int removed, const QString& inserted);

  // User edits: change the view, then the field (the view is the field's
  // writer then, so the notice that follows changes nothing here).
  void Edit(int position, int removed, const QString& inserted);
  void InsertTyped(const QString& typed);
  void DeleteSelection();
  void Paste();

  void MoveCursor(int position, bool select);
  int NextPosition(int index) const;
  int PreviousPosition(int index) const;
  int WordEnd(int index) const;
  int WordStart(int index) const;
  void ScrollBy(qreal pixels);
  void KeepCursorVisible();
  void RestartBlinking();

  void InitStyleOption(QStyleOptionFrame* option) const;
  // The area the text is drawn in, and its baseline.
  QRectF LineRect() const;

  TextField& field_;
  MeasuredText text_;
  uint64_t shownRevision_ = 0;
  size_t shownBytes_ = 0;
  bool writing_ = false;

  int cursor_ = 0;
  int anchor_ = 0;
  qreal scroll_ = 0;
  bool caretShown_ = true;
  int blinks_ = 0;
  QBasicTimer blinkTimer_;
};

}  // namespace intercom
