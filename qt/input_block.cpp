#include "qt/input_block.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOption>
#include <QVariant>
#include <QWidget>

namespace intercom {
namespace {

constexpr char kBlocked[] = "intercomInputBlocked";
constexpr char kFocusPolicy[] = "intercomFocusPolicy";

bool InsideBlockedContainer(const QWidget& widget) {
  for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
    if (w->property(kBlocked).toBool()) return true;
    if (w->isWindow()) break;
  }
  return false;
}

// Disabled only by a blocked container, not in its own right: it is drawn
// as if enabled.
bool LooksEnabled(const QWidget* widget) {
  if (widget == nullptr || widget->isEnabled()) return false;
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (w->testAttribute(Qt::WA_ForceDisabled)) return w->property(kBlocked).toBool();
    if (w->isWindow()) break;
  }
  return false;
}

// The palette a blocked container gives what it holds: the disabled colours
// are the active ones.
QPalette WithActiveColoursWhenDisabled(QPalette palette) {
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    const auto r = static_cast<QPalette::ColorRole>(role);
    palette.setColor(QPalette::Disabled, r, palette.color(QPalette::Active, r));
  }
  return palette;
}

// The application's style, except that what a blocked container disables is
// drawn in the enabled state. The widgets themselves are really disabled, so
// that input, focus and assistive technology all see them so.
class ContainerLookStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    const Enabled drawn(option, widget);
    QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const Enabled drawn(option, widget);
    QProxyStyle::drawControl(element, option, painter, widget);
  }
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override {
    const Enabled drawn(option, widget);
    QProxyStyle::drawComplexControl(control, option, painter, widget);
  }

 private:
  // Marks the option enabled for one drawing call. The option is the
  // caller's own, made for this drawing; it is given back as it came.
  class Enabled {
   public:
    Enabled(const QStyleOption* option, const QWidget* widget)
        : option_(LooksEnabled(widget) ? const_cast<QStyleOption*>(option) : nullptr) {
      if (option_ == nullptr) return;
      saved_ = option_->state;
      option_->state |= QStyle::State_Enabled;
    }
    ~Enabled() {
      if (option_ != nullptr) option_->state = saved_;
    }
    Enabled(const Enabled&) = delete;
    Enabled& operator=(const Enabled&) = delete;

   private:
    QStyleOption* option_;
    QStyle::State saved_;
  };
};

void UseContainerLookStyle() {
  if (dynamic_cast<ContainerLookStyle*>(QApplication::style()) != nullptr) return;
  // The application owns the style from here on.
  QApplication::setStyle(new ContainerLookStyle(QApplication::style()->name()));
}

QList<QWidget*> ContainerAndInside(QWidget& container) {
  QList<QWidget*> widgets = container.findChildren<QWidget*>();
  widgets.prepend(&container);
  return widgets;
}

}  // namespace

void ShowContainerEnabled(QWidget& container, bool enabled) {
  if (container.property(kBlocked).toBool() == !enabled) return;
  UseContainerLookStyle();
  container.setProperty(kBlocked, !enabled);
  if (!enabled) {
    container.setPalette(WithActiveColoursWhenDisabled(container.palette()));
    // Not focusable either, as assistive technology reads the focus policy.
    for (QWidget* widget : ContainerAndInside(container)) {
      if (!widget->property(kFocusPolicy).isValid()) {
        widget->setProperty(kFocusPolicy, static_cast<int>(widget->focusPolicy()));
        widget->setFocusPolicy(Qt::NoFocus);
      }
    }
    container.setEnabled(false);
    return;
  }
  container.setEnabled(true);
  container.setPalette(QPalette());
  for (QWidget* widget : ContainerAndInside(container)) {
    const QVariant policy = widget->property(kFocusPolicy);
    if (!policy.isValid() || InsideBlockedContainer(*widget)) continue;
    widget->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy.toInt()));
    widget->setProperty(kFocusPolicy, QVariant());
  }
}

void ShowOwnEnabled(QWidget& widget, bool enabled) {
  if (widget.testAttribute(Qt::WA_ForceDisabled) == !enabled) return;
  widget.setEnabled(enabled);
  if (enabled) {
    widget.setPalette(QPalette());
    return;
  }
  // Its own disabled colours, not the active ones a blocked container
  // around it passes down.
  QPalette own = QApplication::palette(&widget);
  own.setResolveMask(~QPalette::ResolveMask(0));
  widget.setPalette(own);
}

bool TakesInput(const QWidget& widget) {
  return widget.isEnabled() && !InsideBlockedContainer(widget);
}

}  // namespace intercom
