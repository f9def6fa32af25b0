// Containers (group boxes, the page control) that the model disables keep
// their look and that of everything inside them; they and their contents only
// stop taking input. The toolkit's own disabling would grey them all.
#pragma once

class QWidget;

namespace intercom {

// Blocks or frees the input of `container` and of every widget inside it:
// while blocked, mouse, wheel, key and input method events meant for them are
// dropped, the focus chain passes them by and a focus inside moves on. A
// widget inside several blocked containers takes input again only when all
// of them are freed. Widgets keep their own enabled state and look.
void ShowContainerEnabled(QWidget& container, bool enabled);

// Whether `widget` takes input: enabled and inside no blocked container.
bool TakesInput(const QWidget& widget);

}  // namespace intercom
