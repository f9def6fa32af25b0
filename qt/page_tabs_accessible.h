// What assistive technology (screen readers, test robots) sees of a tab bar:
// a tab list whose tabs are the tabs shown, each named by its caption. The
// page control's tab for "no page" is hidden and is no tab here.
#pragma once

#include <QAccessibleInterface>

class QObject;

namespace intercom {

// The accessibility factory's entry for QTabBar; null for any other object.
QAccessibleInterface* PageTabsAccessible(const QString& className, QObject* object);

}  // namespace intercom
