#include "qt/input_block.h"

#include <QApplication>
#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace intercom {
namespace {

constexpr char kBlocked[] = "intercomInputBlocked";
constexpr char kFocusPolicy[] = "intercomFocusPolicy";
const QString kBlockName = QStringLiteral("intercomInputBlock");

bool InsideBlockedContainer(const QWidget& widget) {
  for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
    if (w->property(kBlocked).toBool()) return true;
    if (w->isWindow()) break;
  }
  return false;
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

// Drops input for widgets inside a blocked container. One per container,
// installed on the container and every widget inside it.
class InputBlock : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsUserInput(event->type()) || !watched->isWidgetType()) return false;
    return InsideBlockedContainer(*static_cast<QWidget*>(watched));
  }
};

QList<QWidget*> ContainerAndInside(QWidget& container) {
  QList<QWidget*> widgets = container.findChildren<QWidget*>();
  widgets.prepend(&container);
  return widgets;
}

}  // namespace

void ShowContainerEnabled(QWidget& container, bool enabled) {
  if (container.property(kBlocked).toBool() == !enabled) return;
  container.setProperty(kBlocked, !enabled);
  if (!enabled) {
    QObject* block = container.findChild<QObject*>(kBlockName, Qt::FindDirectChildrenOnly);
    if (block == nullptr) {
      block = new InputBlock(&container);
      block->setObjectName(kBlockName);
    }
    for (QWidget* widget : ContainerAndInside(container)) {
      widget->installEventFilter(block);
      if (!widget->property(kFocusPolicy).isValid()) {
        widget->setProperty(kFocusPolicy, static_cast<int>(widget->focusPolicy()));
        widget->setFocusPolicy(Qt::NoFocus);
      }
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && (focus == &container || container.isAncestorOf(focus))) {
      focus->clearFocus();
    }
    return;
  }
  for (QWidget* widget : ContainerAndInside(container)) {
    const QVariant policy = widget->property(kFocusPolicy);
    if (!policy.isValid() || InsideBlockedContainer(*widget)) continue;
    widget->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy.toInt()));
    widget->setProperty(kFocusPolicy, QVariant());
  }
}

bool TakesInput(const QWidget& widget) {
  return widget.isEnabled() && !InsideBlockedContainer(widget);
}

}  // namespace intercom
