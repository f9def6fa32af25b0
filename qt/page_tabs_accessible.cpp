#include "qt/page_tabs_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QTabBar>
#include <map>
#include <vector>

namespace intercom {
namespace {

// The caption as read out: without its mnemonic marks, "&&" being an "&".
QString Spoken(const QString& caption) {
  QString spoken;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && ++i == caption.size()) break;
    spoken += caption[i];
  }
  return spoken;
}

// One tab, by its index in the tab bar. It has no object of its own, so the
// tab list owns it.
class TabInterface : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  TabInterface(QTabBar* bar, int index) : bar_(bar), index_(index) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  bool isValid() const override { return bar_ != nullptr && index_ < bar_->count(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return parent() != nullptr ? parent()->window() : nullptr; }
  QAccessibleInterface* parent() const override {
    return bar_ != nullptr ? QAccessible::queryAccessibleInterface(bar_.data()) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text kind) const override {
    if (!isValid()) return {};
    switch (kind) {
      case QAccessible::Name: {
        const QString name = bar_->accessibleTabName(index_);
        return name.isEmpty() ? Spoken(bar_->tabText(index_)) : name;
      }
      case QAccessible::Description:
        return bar_->tabToolTip(index_);
      default:
        return {};
    }
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect tab = bar_->tabRect(index_);
    return QRect(bar_->mapToGlobal(tab.topLeft()), tab.size());
  }
  QAccessible::Role role() const override { return QAccessible::PageTab; }
  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) return state;
    state.selectable = true;
    state.focusable = bar_->focusPolicy() != Qt::NoFocus;
    state.selected = bar_->currentIndex() == index_;
    state.disabled = !bar_->isEnabled() || !bar_->isTabEnabled(index_);
    state.invisible = !bar_->isVisible();
    return state;
  }

  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (isValid() && action == pressAction() && bar_->isEnabled() && bar_->isTabEnabled(index_)) {
      bar_->setCurrentIndex(index_);
    }
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<QTabBar> bar_;
  int index_;
};

class TabListInterface : public QAccessibleWidget {
 public:
  explicit TabListInterface(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
  TabListInterface(const TabListInterface&) = delete;
  TabListInterface& operator=(const TabListInterface&) = delete;
  ~TabListInterface() override {
    for (const auto& [index, id] : tabs_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return static_cast<int>(Shown().size()); }
  QAccessibleInterface* child(int n) const override {
    const std::vector<int> shown = Shown();
    if (n < 0 || n >= static_cast<int>(shown.size())) return nullptr;
    return Tab(shown[static_cast<size_t>(n)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int n = 0; n < childCount(); ++n) {
      if (this->child(n) == child) return n;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int n = 0; n < childCount(); ++n) {
      QAccessibleInterface* tab = child(n);
      if (tab->rect().contains(x, y)) return tab;
    }
    return nullptr;
  }

 private:
  QTabBar* Bar() const { return static_cast<QTabBar*>(widget()); }

  // Indexes of the tabs shown, in order.
  std::vector<int> Shown() const {
    std::vector<int> shown;
    for (int i = 0; i < Bar()->count(); ++i) {
      if (Bar()->isTabVisible(i)) shown.push_back(i);
    }
    return shown;
  }

  // Made once per tab and kept, so that each tab keeps one identity.
  QAccessibleInterface* Tab(int index) const {
    auto found = tabs_.find(index);
    if (found == tabs_.end()) {
      found = tabs_
                  .emplace(index,
                           QAccessible::registerAccessibleInterface(new TabInterface(Bar(), index)))
                  .first;
    }
    return QAccessible::accessibleInterface(found->second);
  }

  mutable std::map<int, QAccessible::Id> tabs_;
};

}  // namespace

QAccessibleInterface* PageTabsAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String("QTabBar")) return nullptr;
  auto* bar = qobject_cast<QTabBar*>(object);
  return bar != nullptr ? new TabListInterface(bar) : nullptr;
}

}  // namespace intercom
