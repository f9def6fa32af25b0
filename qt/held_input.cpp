#include "qt/held_input.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

// What QTest's key clicks go through: offers a key press to the shortcuts
// (the menu bar's Alt key among them) as a key from the window system is.
// True when a shortcut took the key.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods, const QString& text,
                                               bool autorep, ushort count);

namespace intercom {
namespace {

// One held event on its way back: posted to the HeldInput, so that it runs
// from the event loop in its turn.
class ReplayEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  ReplayEvent(QPointer<QObject> receiver, std::unique_ptr<QEvent> event)
      : QEvent(Kind()), receiver(std::move(receiver)), held(std::move(event)) {}

  QPointer<QObject> receiver;
  std::unique_ptr<QEvent> held;
};

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
    if (receiver) QCoreApplication::postEvent(this, new ReplayEvent(receiver, std::move(event)));
  }
}

bool HeldInput::event(QEvent* event) {
  if (event->type() != ReplayEvent::Kind()) return QObject::event(event);
  auto* replay = static_cast<ReplayEvent*>(event);
  if (!replay->receiver) return true;
  if (panel_.HandlerRunning()) {
    held_.emplace_back(replay->receiver, std::move(replay->held));
    return true;
  }
  // A key goes to the shortcuts first, as it would have had it not waited;
  // a key a shortcut took reaches no widget.
  if (replay->held->type() == QEvent::KeyPress) {
    const auto* key = static_cast<const QKeyEvent*>(replay->held.get());
    // The modifiers as the window system gave them: QKeyEvent::modifiers()
    // adjusts them for a modifier key itself.
    if (qt_sendShortcutOverrideEvent(replay->receiver, key->timestamp(), key->key(),
                                     key->QInputEvent::modifiers(), key->text(),
                                     key->isAutoRepeat(), static_cast<ushort>(key->count()))) {
      return true;
    }
  }
  QCoreApplication::sendEvent(replay->receiver, replay->held.get());
  return true;
}

}  // namespace intercom
