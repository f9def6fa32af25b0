// Containers (group boxes, the page control) that the model disables keep
// their look and that of everything inside them, while they and their
// contents are really disabled: they take no input, the focus passes them by,
// and assistive technology hears "not enabled, not focusable". The toolkit's
// own look of disabling would grey them all.
#pragma once

class QWidget;

namespace intercom {

// Disables or enables `container` and, with it, every widget inside it. While
// disabled the container and what it holds are drawn as if enabled (the
// application's style is wrapped for that the first time), their focus policy
// is none and a focus inside moves on. A widget inside several disabled
// containers takes input again only when all of them are enabled. A widget
// disabled in its own right (ShowOwnEnabled) keeps its disabled look inside.
void ShowContainerEnabled(QWidget& container, bool enabled);

// Enables or disables `widget` in its own right, as the model's control says.
void ShowOwnEnabled(QWidget& widget, bool enabled);

// Whether `widget` takes input: enabled and inside no disabled container.
bool TakesInput(const QWidget& widget);

}  // namespace intercom
