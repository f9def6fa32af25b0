#include "qt/trace_accessible.h"

#include <QAccessibleWidget>
#include <algorithm>

#include "qt/trace_view.h"

namespace intercom {
namespace {

class TraceInterface : public QAccessibleWidget,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface {
 public:
  explicit TraceInterface(TraceView* view)
      : QAccessibleWidget(view, QAccessible::EditableText), view_(view) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface) {
      return static_cast<QAccessibleEditableTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.selectableText = true;
    return state;
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return view_->text();
    return QAccessibleWidget::text(kind);
  }

  void setText(QAccessible::Text kind, const QString& text) override {
    if (kind != QAccessible::Value) return;
    view_->replace(0, static_cast<int>(view_->text().size()), text);
  }

  // Text.
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !view_->hasSelectedText()) return;
    *start = view_->selectionStart();
    *end = *start + static_cast<int>(view_->selectedText().size());
  }
  int selectionCount() const override { return view_->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0) view_->setCursorPosition(view_->cursorPosition());
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) view_->setSelection(start, end);
  }
  int cursorPosition() const override { return view_->cursorPosition(); }
  void setCursorPosition(int position) override { view_->setCursorPosition(position); }
  QString text(int start, int end) const override {
    const int size = static_cast<int>(view_->text().size());
    start = std::clamp(start, 0, size);
    end = std::clamp(end, start, size);
    return view_->text().mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(view_->text().size()); }
  QRect characterRect(int offset) const override {
    const QRect box = view_->characterRect(offset);
    return QRect(view_->mapToGlobal(box.topLeft()), box.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return view_->positionAt(view_->mapFromGlobal(point));
  }
  void scrollToSubstring(int start, int end) override { view_->scrollToRange(start, end); }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return QString();
  }

  // Editable text.
  void deleteText(int start, int end) override { view_->replace(start, end - start, QString()); }
  void insertText(int offset, const QString& text) override { view_->replace(offset, 0, text); }
  void replaceText(int start, int end, const QString& text) override {
    view_->replace(start, end - start, text);
  }

 private:
  TraceView* view_;
};

}  // namespace

QAccessibleInterface* TraceAccessible(const QString&, QObject* object) {
  auto* view = qobject_cast<TraceView*>(object);
  return view == nullptr ? nullptr : new TraceInterface(view);
}

}  // namespace intercom
