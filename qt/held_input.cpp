#include "qt/held_input.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

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

// Who a widget belongs to: its parent, across windows too (a drop-down's
// list is a window of its own inside its combo box), else the window a
// parentless window stands for (its transient parent).
const QWidget* Owner(const QWidget& widget) {
  if (const QWidget* parent = widget.parentWidget()) return parent;
  const QWindow* handle = widget.windowHandle();
  const QWindow* transientParent = handle != nullptr ? handle->transientParent() : nullptr;
  if (transientParent == nullptr) return nullptr;
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (window->windowHandle() == transientParent) return window;
  }
  return nullptr;
}

// The open box or dialog, whatever lies inside it and the windows it opened
// for itself take their input as usual. A popup that is up while the box is
// open was opened from the box: nothing else takes input meanwhile.
bool BelongsToOpenBox(const QWidget& widget) {
  const QWidget* box = QApplication::activeModalWidget();
  if (box == nullptr || !box->isVisible()) return false;
  const QWidget* popup = QApplication::activePopupWidget();
  if (popup != nullptr && widget.window() == popup) return true;
  for (const QWidget* w = &widget; w != nullptr; w = Owner(*w)) {
    if (w == box) return true;
  }
  return false;
}

}  // namespace

HeldInput::HeldInput(PanelModel& panel, QObject* parent) : QObject(parent), panel_(panel) {
  qApp->installEventFilter(this);
  panel_.SetIdleObserver([this] { Release(); });
  panel_.SetBusyObserver([this](bool busy) { BusyChanged(busy); });
}

HeldInput::~HeldInput() {
  panel_.SetIdleObserver(nullptr);
  panel_.SetBusyObserver(nullptr);
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

bool HeldInput::eventFilter(QObject* watched, QEvent* event) {
  if (!panel_.HandlerRunning() || !watched->isWidgetType()) return false;
  const auto* widget = static_cast<QWidget*>(watched);
  if (BelongsToOpenBox(*widget)) return false;
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

void HeldInput::BusyChanged(bool busy) {
  cursor_.Show(busy);
  if (busy || !panel_.AskingUser()) return;
  // The box is not up yet, so whatever input this brings in is held here; once
  // it is up the toolkit would drop input meant for the other windows. The
  // round trip to the window system makes sure that what was given before now
  // has arrived.
  QGuiApplication::sync();
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
