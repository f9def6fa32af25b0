#include "qt/trace_view.h"

#include <QAccessible>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

#include "qt/control_views.h"
#include "qt/measured_text.h"
#include "qt/trace_accessible.h"

namespace intercom {
namespace {

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

TraceView::TraceView(TextField& field, QWidget* parent)
    : QWidget(parent), field_(field), text_(font()) {
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
  text_.SetFont(font());
  text_.Replace(0, 0, QString::fromStdString(field_.Text()));
  cursor_ = anchor_ = text_.Size();
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
          ? text_.Size()
          : static_cast<int>(
                QString::fromUtf8(text.data(), static_cast<qsizetype>(keptBytes)).size());
  Splice(
      keptChars, text_.Size() - keptChars,
      QString::fromUtf8(text.data() + keptBytes, static_cast<qsizetype>(text.size() - keptBytes)));
  shownRevision_ = revision;
  shownBytes_ = text.size();
  cursor_ = anchor_ = text_.Size();
  KeepCursorVisible();
  update();
}

QString TraceView::selectedText() const {
  const int from = std::min(cursor_, anchor_);
  return text_.Text().mid(from, std::abs(cursor_ - anchor_));
}

void TraceView::selectAll() {
  anchor_ = 0;
  cursor_ = text_.Size();
  KeepCursorVisible();
  update();
}

void TraceView::copy() const {
  if (hasSelectedText()) QGuiApplication::clipboard()->setText(selectedText());
}

void TraceView::setSelection(int start, int end) {
  const int size = text_.Size();
  anchor_ = std::clamp(start, 0, size);
  MoveCursor(end, true);
}

void TraceView::setCursorPosition(int position) {
  MoveCursor(position, false);
}

void TraceView::replace(int position, int removed, const QString& inserted) {
  const int size = text_.Size();
  position = std::clamp(position, 0, size);
  Edit(position, std::clamp(removed, 0, size - position), OneLine(inserted));
}

QRect TraceView::characterRect(int offset) const {
  const QRectF line = LineRect();
  const qreal left = line.x() - scroll_ + text_.XOf(offset);
  const qreal right = line.x() - scroll_ + text_.XOf(NextPosition(offset));
  return QRectF(left, line.y(), std::max<qreal>(right - left, 1), line.height()).toAlignedRect();
}

int TraceView::positionAt(const QPoint& point) const {
  return text_.IndexAt(point.x() - LineRect().x() + scroll_);
}

void TraceView::scrollToRange(int start, int end) {
  const qreal room = LineRect().width();
  const qreal left = text_.XOf(std::clamp(start, 0, text_.Size()));
  const qreal right = text_.XOf(std::clamp(end, 0, text_.Size()));
  if (left < scroll_ || right - scroll_ > room) scroll_ = left;
  scroll_ = std::clamp(scroll_, qreal(0), std::max(qreal(0), text_.Width() - room + 1));
  update();
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
  if (QAccessible::isActive()) {
    QAccessibleTextUpdateEvent event(this, position, text_.Text().mid(position, removed), inserted);
    text_.Replace(position, removed, inserted);
    QAccessible::updateAccessibility(&event);
  } else {
    text_.Replace(position, removed, inserted);
  }
}

void TraceView::Edit(int position, int removed, const QString& inserted) {
  if (removed == 0 && inserted.isEmpty()) return;
  Splice(position, removed, inserted);
  cursor_ = anchor_ = position + static_cast<int>(inserted.size());
  const uint64_t before = field_.Revision();
  writing_ = true;
  field_.SetText(text_.Text().toStdString());
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
  cursor_ = std::clamp(position, 0, text_.Size());
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
  if (index >= text_.Size()) return text_.Size();
  ++index;
  if (index < text_.Size() && text_.Text().at(index).isLowSurrogate()) ++index;
  return index;
}

int TraceView::PreviousPosition(int index) const {
  if (index <= 0) return 0;
  --index;
  if (index > 0 && text_.Text().at(index).isLowSurrogate()) --index;
  return index;
}

int TraceView::WordEnd(int index) const {
  const int size = text_.Size();
  while (index < size && !IsSpace(text_.Text().at(index))) ++index;
  while (index < size && IsSpace(text_.Text().at(index))) ++index;
  return index;
}

int TraceView::WordStart(int index) const {
  while (index > 0 && IsSpace(text_.Text().at(index - 1))) --index;
  while (index > 0 && !IsSpace(text_.Text().at(index - 1))) --index;
  return index;
}

void TraceView::ScrollBy(qreal pixels) {
  const qreal room = LineRect().width();
  scroll_ = std::clamp(scroll_ + pixels, qreal(0), std::max(qreal(0), text_.Width() - room + 1));
  update();
}

void TraceView::KeepCursorVisible() {
  const qreal room = LineRect().width();
  const qreal x = text_.XOf(cursor_);
  if (x - scroll_ > room - 1) scroll_ = x - room + 1;
  if (x < scroll_) scroll_ = x;
  // No blank space right of the text while some of it lies left of the view.
  scroll_ = std::clamp(scroll_, qreal(0), std::max(qreal(0), text_.Width() - room + 1));
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
  const std::vector<MeasuredText::Run> shown = text_.RunsIn(scroll_, scroll_ + line.width());
  auto drawRuns = [&] {
    for (const MeasuredText::Run& run : shown) {
      painter.drawText(QPointF(origin + run.x, baseline), text_.RunText(run));
    }
  };
  painter.setPen(palette.color(QPalette::Text));
  drawRuns();

  if (hasSelectedText()) {
    const qreal left = std::max(origin + text_.XOf(std::min(cursor_, anchor_)), line.left());
    const qreal right = std::min(origin + text_.XOf(std::max(cursor_, anchor_)), line.right() + 1);
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
        QRectF(std::floor(origin + text_.XOf(cursor_)), line.top(), caretWidth, line.height()),
        palette.color(QPalette::Text));
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
    text_.SetFont(font());
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
