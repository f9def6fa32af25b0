// What assistive technology (screen readers, test robots) sees of a trace
// field: an editable text whose whole content can be read, selected and
// changed; a change made through it reaches the panel model like a typed one.
#pragma once

#include <QAccessibleInterface>

class QObject;

namespace intercom {

// The accessibility factory's entry for TraceView (installed by the view);
// null for any other object.
QAccessibleInterface* TraceAccessible(const QString& className, QObject* object);

}  // namespace intercom
