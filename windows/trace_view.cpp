#include "windows/trace_view.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "windows/control_views.h"
#include "windows/trace_accessible.h"

namespace intercom {
namespace {

// Characters per measured run: long enough that a screenful is two or three
// runs, short enough that re-measuring the last one on an append costs little.
constexpr int kRunLength = 128;
// The margins a line edit keeps inside its frame.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;
// The caret stops blinking (and waking the program) after this long without input.
constexpr int kBlinkingMs = 10000;

bool IsSpace(QChar c) {
  return c.isSpace();
}

// A one-line field shows line breaks as blanks.
QString OneLine(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  return text;
}

}  // namespace

TraceView::TraceView(TextField& field, QWidget* parent) : QWidget(parent), field_(field) {
  // Qt keeps accessibility factories for the process; one entry serves every view.
  [[maybe_unused]] static const bool installed = [] {
    QAccessible::installFactory(TraceAccessible);
    return true;
  }();
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setCursor(Qt::IBeamCursor);
  setBackgroundRole(QPalette::Base);
  shownRevision_ = field_.Revision();
  shownBytes_ = field_.Text().size();
  text_ = QString::fromStdString(field_.Text());
  MeasureAll();
  cursor_ = anchor_ = static_cast<int>(text_.size());
}

void TraceView::ShowField() {
  ShowState(*this, field_);
  const uint64_t revision = field_.Revision();
  // While the view writes its own edit, Edit() takes the notice.
  if (revision == shownRevision_ || writing_) return;
  const std::string& text = field_.Text();
  const bool next = revision == shownRevision_ + 1;
  const size_t keptBytes = next ? std::min(field_.KeptPrefix(), shownBytes_) : 0;
  const int keptChars =
      keptBytes == shownBytes_
          ? static_cast<int>(text_.size())
          : static_cast<int>(
                QString::fromUtf8(text.data(), static_cast<qsizetype>(keptBytes)).size());
  Splice(
      keptChars, static_cast<int>(text_.size()) - keptChars,
      QString::fromUtf8(text.data() + keptBytes, static_cast<qsizetype>(text.size() - keptBytes)));
  shownRevision_ = revision;
  shownBytes_ = text.size();
  cursor_ = anchor_ = static_cast<int>(text_.size());
  KeepCursorVisible();
  update();
}

QString TraceView::selectedText() const {
  const int from = std::min(cursor_, anchor_);
  return text_.mid(from, std::abs(cursor_ - anchor_));
}

void TraceView::selectAll() {
  anchor_ = 0;
  cursor_ = static_cast<int>(text_.size());
  KeepCursorVisible();
  update();
}

void TraceView::copy() const {
  if (hasSelectedText()) QGuiApplication::clipboard()->setText(selectedText());
}

void TraceView::setSelection(int start, int end) {
  const int size = static_cast<int>(text_.size());
  anchor_ = std::clamp(start, 0, size);
  MoveCursor(end, true);
}

void TraceView::setCursorPosition(int position) {
  MoveCursor(position, false);
}

void TraceView::replace(int position, int removed, const QString& inserted) {
  const int size = static_cast<int>(text_.size());
  position = std::clamp(position, 0, size);
  Edit(position, std::clamp(removed, 0, size - position), OneLine(inserted));
}

QRect TraceView::characterRect(int offset) const {
  const QRectF line = LineRect();
  const qreal left = line.x() - scroll_ + XOf(offset);
  const qreal right = line.x() - scroll_ + XOf(NextPosition(offset));
  return QRectF(left, line.y(), std::max<qreal>(right - left, 1), line.height()).toAlignedRect();
}

int TraceView::positionAt(const QPoint& point) const {
  return IndexAt(point.x() - LineRect().x() + scroll_);
}

void TraceView::scrollToRange(int start, int end) {
  const qreal room = LineRect().width();
  const qreal left = XOf(std::clamp(start, 0, static_cast<int>(text_.size())));
  const qreal right = XOf(std::clamp(end, 0, static_cast<int>(text_.size())));
  if (left < scroll_ || right - scroll_ > room) scroll_ = left;
  scroll_ = std::clamp(scroll_, qreal(0), std::max(qreal(0), textWidth() - room + 1));
  update();
}

qreal TraceView::textWidth() const {
  return runs_.empty() ? 0 : runs_.back().x + runs_.back().width;
}

QSize TraceView::sizeHint() const {
  const QFontMetrics metrics(font());
  QStyleOptionFrame option;
  InitStyleOption(&option);
  const QSize content(metrics.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * kHorizontalMargin,
                      metrics.height() + 2 * kVerticalMargin);
  return style()->sizeFromContents(QStyle::CT_LineEdit, &option, content, this);
}

void TraceView::Splice(int position, int removed, const QString& inserted) {
  const int oldSize = static_cast<int>(text_.size());
  if (QAccessible::isActive()) {
    QAccessibleTextUpdateEvent event(this, position, text_.mid(position, removed), inserted);
    text_.replace(position, removed, inserted);
    QAccessible::updateAccessibility(&event);
  } else {
    text_.replace(position, removed, inserted);
  }
  if (runs_.empty()) {
    MeasureAll();
    return;
  }
  // Re-measure from the start of the run holding the change's first character
  // to the end of the run holding its last one; later runs only move.
  const size_t first = RunAt(position);
  const size_t last = RunAt(std::min(position + removed, std::max(oldSize - 1, 0)));
  const int from = runs_[first].begin;
  const int delta = static_cast<int>(inserted.size()) - removed;
  const int to = runs_[last].begin + runs_[last].length + delta;

  const QFontMetricsF metrics(font());
  std::vector<Run> fresh;
  for (int begin = from; begin < to;) {
    int length = std::min(kRunLength, to - begin);
    if (begin + length < to && text_.at(begin + length).isLowSurrogate()) ++length;
    fresh.push_back({begin, length, 0, metrics.horizontalAdvance(text_.mid(begin, length))});
    begin += length;
  }
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first),
              runs_.begin() + static_cast<std::ptrdiff_t>(last + 1));
  runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
  for (size_t i = first; i < runs_.size(); ++i) {
    if (i >= first + fresh.size()) runs_[i].begin += delta;
    runs_[i].x = i == 0 ? 0 : runs_[i - 1].x + runs_[i - 1].width;
  }
}

void TraceView::MeasureAll() {
  runs_.clear();
  const QFontMetricsF metrics(font());
  const int size = static_cast<int>(text_.size());
  qreal x = 0;
  for (int begin = 0; begin < size;) {
    int length = std::min(kRunLength, size - begin);
    if (begin + length < size && text_.at(begin + length).isLowSurrogate()) ++length;
    const qreal width = metrics.horizontalAdvance(text_.mid(begin, length));
    runs_.push_back({begin, length, x, width});
    x += width;
    begin += length;
  }
}

size_t TraceView::RunAt(int index) const {
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                      [](int i, const Run& run) { return i < run.begin; });
  return after == runs_.begin() ? 0 : static_cast<size_t>(after - runs_.begin() - 1);
}

qreal TraceView::XOf(int index) const {
  if (runs_.empty()) return 0;
  const Run& run = runs_[RunAt(index)];
  const int within = std::clamp(index - run.begin, 0, run.length);
  if (within == 0) return run.x;
  if (within == run.length) return run.x + run.width;
  return run.x + QFontMetricsF(font()).horizontalAdvance(text_.mid(run.begin, within));
}

int TraceView::IndexAt(qreal x) const {
  if (runs_.empty() || x <= 0) return 0;
  if (x >= textWidth()) return static_cast<int>(text_.size());
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), x,
                                      [](qreal value, const Run& run) { return value < run.x; });
  const Run& run = *(after - 1);
  QTextLayout layout(text_.mid(run.begin, run.length), font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setFlags(QTextOption::IncludeTrailingSpaces);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  return run.begin + line.xToCursor(x - run.x);
}

void TraceView::Edit(int position, int removed, const QString& inserted) {
  if (removed == 0 && inserted.isEmpty()) return;
  Splice(position, removed, inserted);
  cursor_ = anchor_ = position + static_cast<int>(inserted.size());
  const uint64_t before = field_.Revision();
  writing_ = true;
  field_.SetText(text_.toStdString());
  writing_ = false;
  if (field_.Revision() == before + 1) {
    // The field took the view's text: nothing to read back.
    shownRevision_ = field_.Revision();
    shownBytes_ = field_.Text().size();
  } else {
    // A change handler wrote the field again; the view follows it.
    ShowField();
  }
  KeepCursorVisible();
  update();
}

void TraceView::InsertTyped(const QString& typed) {
  const int from = std::min(cursor_, anchor_);
  Edit(from, std::abs(cursor_ - anchor_), OneLine(typed));
}

void TraceView::DeleteSelection() {
  const int from = std::min(cursor_, anchor_);
  Edit(from, std::abs(cursor_ - anchor_), QString());
}

void TraceView::Paste() {
  InsertTyped(QGuiApplication::clipboard()->text());
}

void TraceView::MoveCursor(int position, bool select) {
  cursor_ = std::clamp(position, 0, static_cast<int>(text_.size()));
  if (!select) anchor_ = cursor_;
  if (QAccessible::isActive()) {
    QAccessibleTextCursorEvent event(this, cursor_);
    QAccessible::updateAccessibility(&event);
  }
  KeepCursorVisible();
  RestartBlinking();
  update();
}

int TraceView::NextPosition(int index) const {
  if (index >= text_.size()) return static_cast<int>(text_.size());
  ++index;
  if (index < text_.size() && text_.at(index).isLowSurrogate()) ++index;
  return index;
}

int TraceView::PreviousPosition(int index) const {
  if (index <= 0) return 0;
  --index;
  if (index > 0 && text_.at(index).isLowSurrogate()) --index;
  return index;
}

int TraceView::WordEnd(int index) const {
  const int size = static_cast<int>(text_.size());
  while (index < size && !IsSpace(text_.at(index))) ++index;
  while (index < size && IsSpace(text_.at(index))) ++index;
  return index;
}

int TraceView::WordStart(int index) const {
  while (index > 0 && IsSpace(text_.at(index - 1))) --index;
  while (index > 0 && !IsSpace(text_.at(index - 1))) --index;
  return index;
}

void TraceView::ScrollBy(qreal pixels) {
  const qreal room = LineRect().width();
  scroll_ = std::clamp(scroll_ + pixels, qreal(0), std::max(qreal(0), textWidth() - room + 1));
  update();
}

void TraceView::KeepCursorVisible() {
  const qreal room = LineRect().width();
  const qreal x = XOf(cursor_);
  if (x - scroll_ > room - 1) scroll_ = x - room + 1;
  if (x < scroll_) scroll_ = x;
  // No blank space right of the text while some of it lies left of the view.
  scroll_ = std::clamp(scroll_, qreal(0), std::max(qreal(0), textWidth() - room + 1));
}

void TraceView::RestartBlinking() {
  caretShown_ = true;
  blinks_ = 0;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blinkTimer_.start(flash / 2, this);
  } else {
    blinkTimer_.stop();
  }
}

void TraceView::InitStyleOption(QStyleOptionFrame* option) const {
  option->initFrom(this);
  option->rect = contentsRect();
  option->lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, option, this);
  option->midLineWidth = 0;
  option->state |= QStyle::State_Sunken;
  option->features = QStyleOptionFrame::None;
}

QRectF TraceView::LineRect() const {
  QStyleOptionFrame option;
  InitStyleOption(&option);
  const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
  const int lineHeight = QFontMetrics(font()).height();
  const int top = contents.y() + (contents.height() - lineHeight + 1) / 2;
  return QRectF(contents.x() + kHorizontalMargin, top, contents.width() - 2 * kHorizontalMargin,
                lineHeight);
}

void TraceView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionFrame option;
  InitStyleOption(&option);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
  painter.setClipRect(style()->subElementRect(QStyle::SE_LineEditContents, &option, this));

  const QRectF line = LineRect();
  const qreal origin = line.x() - scroll_;
  const qreal baseline = line.y() + QFontMetricsF(font()).ascent();
  const QPalette& palette = option.palette;

  // Only the runs that reach into the view are drawn.
  std::vector<size_t> shown;
  if (!runs_.empty()) {
    for (size_t i = RunAt(IndexAt(scroll_)); i < runs_.size(); ++i) {
      if (runs_[i].x > scroll_ + line.width()) break;
      shown.push_back(i);
    }
  }
  auto drawRuns = [&] {
    for (size_t i : shown) {
      painter.drawText(QPointF(origin + runs_[i].x, baseline),
                       text_.mid(runs_[i].begin, runs_[i].length));
    }
  };
  painter.setPen(palette.color(QPalette::Text));
  drawRuns();

  if (hasSelectedText()) {
    const qreal left = std::max(origin + XOf(std::min(cursor_, anchor_)), line.left());
    const qreal right = std::min(origin + XOf(std::max(cursor_, anchor_)), line.right() + 1);
    if (left < right) {
      const QRectF band(left, line.top(), right - left, line.height());
      painter.fillRect(band, palette.brush(QPalette::Highlight));
      painter.save();
      painter.setClipRect(band, Qt::IntersectClip);
      painter.setPen(palette.color(QPalette::HighlightedText));
      drawRuns();
      painter.restore();
    }
  }

  // Back in view (the window maximised): the caret blinks again.
  if (hasFocus() && !blinkTimer_.isActive() && blinks_ == 0) RestartBlinking();
  if (hasFocus() && caretShown_ && isEnabled()) {
    const int caretWidth = style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this);
    painter.fillRect(
        QRectF(std::floor(origin + XOf(cursor_)), line.top(), caretWidth, line.height()),
        palette.color(QPalette::Text));
  }
}

void TraceView::keyPressEvent(QKeyEvent* event) {
  const int size = static_cast<int>(text_.size());
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
    const int from = std::clamp(std::min(cursor_, anchor_) + event->replacementStart(), 0,
                                static_cast<int>(text_.size()));
    const int removed =
        hasSelectedText() ? std::abs(cursor_ - anchor_) : event->replacementLength();
    Edit(from, std::min(removed, static_cast<int>(text_.size()) - from),
         OneLine(event->commitString()));
  }
  event->accept();
}

QVariant TraceView::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return isEnabled();
    case Qt::ImCursorRectangle:
      return QRectF(LineRect().x() - scroll_ + XOf(cursor_), LineRect().y(), 1, LineRect().height())
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
  const int index = IndexAt(event->position().x() - LineRect().x() + scroll_);
  MoveCursor(index, event->modifiers().testFlag(Qt::ShiftModifier));
}

void TraceView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  // Dragging past an edge scrolls the text under the pointer.
  MoveCursor(IndexAt(event->position().x() - LineRect().x() + scroll_), true);
}

void TraceView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = IndexAt(event->position().x() - LineRect().x() + scroll_);
  int start = index;
  int end = index;
  while (start > 0 && !IsSpace(text_.at(start - 1))) --start;
  while (end < text_.size() && !IsSpace(text_.at(end))) ++end;
  anchor_ = start;
  MoveCursor(end, true);
}

void TraceView::wheelEvent(QWheelEvent* event) {
  // Either wheel scrolls the one line sideways, three characters a notch.
  const QPoint notches = event->angleDelta();
  const int delta = notches.x() != 0 ? notches.x() : notches.y();
  if (delta == 0 || textWidth() <= LineRect().width()) {
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
  all->setEnabled(!text_.isEmpty());
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

void TraceView::focusInEvent(QFocusEvent* event) {
  RestartBlinking();
  update();
  QWidget::focusInEvent(event);
}

void TraceView::focusOutEvent(QFocusEvent* event) {
  blinkTimer_.stop();
  update();
  QWidget::focusOutEvent(event);
}

void TraceView::resizeEvent(QResizeEvent* event) {
  KeepCursorVisible();
  QWidget::resizeEvent(event);
}

void TraceView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    MeasureAll();
    KeepCursorVisible();
    update();
  }
  QWidget::changeEvent(event);
}

void TraceView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != blinkTimer_.timerId()) {
    QWidget::timerEvent(event);
    return;
  }
  // A caret nobody can see (the field lies below the window's normal client
  // area) or that has blinked long enough stays on and wakes nobody.
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (visibleRegion().isEmpty()) {
    // Painted again once in view, the field restarts its blinking.
    blinkTimer_.stop();
    caretShown_ = true;
    blinks_ = 0;
  } else if (++blinks_ * flash / 2 >= kBlinkingMs) {
    blinkTimer_.stop();
    caretShown_ = true;
  } else {
    caretShown_ = !caretShown_;
  }
  update();
}

}  // namespace intercom
