#include "qt/held_input.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace intercom {
namespace {

bool IsHeldInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
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

// The open message box and whatever lies inside it take their input as usual.
bool InOpenBox(const QWidget& widget) {
  const QWidget* box = QApplication::activeModalWidget();
  return box != nullptr && box->isVisible() && (box == &widget || box->isAncestorOf(&widget));
}

}  // namespace

HeldInput::HeldInput(PanelModel& panel, QObject* parent) : QObject(parent), panel_(panel) {
  qApp->installEventFilter(this);
  panel_.SetIdleObserver([this] { Release(); });
}

HeldInput::~HeldInput() {
  panel_.SetIdleObserver(nullptr);
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

bool HeldInput::eventFilter(QObject* watched, QEvent* event) {
  if (!panel_.HandlerRunning() || !watched->isWidgetType()) return false;
  const auto* widget = static_cast<QWidget*>(watched);
  if (InOpenBox(*widget)) return false;
  if (event->type() == QEvent::ShortcutOverride) {
    // Claimed for the widget, so that no shortcut fires now; the key itself
    // arrives next and waits with the rest.
    event->accept();
    return true;
  }
  if (!IsHeldInput(event->type())) return false;
  held_.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
  return true;
}

void HeldInput::Release() {
  // Posted rather than sent: each runs from the event loop, after the handler
  // that held it has unwound, and one that starts another handler holds the
  // rest again in the same order.
  auto held = std::exchange(held_, {});
  for (auto& [receiver, event] : held) {
    if (receiver) QCoreApplication::postEvent(receiver, event.release());
  }
}

}  // namespace intercom
