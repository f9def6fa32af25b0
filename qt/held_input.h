// Input that arrives while a handler runs waits for it. A handler runs to
// completion, but its message boxes run an event loop meanwhile: a click or a
// key meant for the panel that is handled there would start a second action
// in the middle of the first one (between two requests of a write). While any
// handler of the panel runs, user input for every window except the open
// message box is held, and delivered in order of arrival once the outermost
// handler has returned. A held key goes to the shortcuts first (the menu
// bar's Alt key among them), as it would have had it not waited.
//
// The open box or dialog takes its input as usual, and so does everything
// that belongs to it: its own widgets and the windows it opens for itself (a
// completer's list, a drop-down, a context menu).
//
// Input given before a box opens waits too, even when the window system
// hands it over only once the box is up (the handler does not read input
// while it pauses between requests): just before the box opens, what the
// window system has by then is taken in and held. Input given to another
// window while the box is open is ignored, as the box is modal.
//
// While an action runs and does not wait for the user, the busy cursor shows
// that input waits.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <utility>
#include <vector>

#include "panel/panel_model.h"
#include "qt/busy_cursor.h"

class QEvent;

namespace intercom {

class HeldInput : public QObject {
 public:
  // Watches every event of the application and becomes `panel`'s idle and
  // busy observer; all end with this object. `panel` must outlive it.
  explicit HeldInput(PanelModel& panel, QObject* parent = nullptr);
  HeldInput(const HeldInput&) = delete;
  HeldInput& operator=(const HeldInput&) = delete;
  ~HeldInput() override;

  // Events waiting for the running handler.
  size_t HeldCount() const { return held_.size(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Delivers one released event, or holds it again when a handler runs by then.
  bool event(QEvent* event) override;

 private:
  // Posts the held events to their widgets, oldest first.
  void Release();
  // Follows PanelModel::Busy; when an action starts to wait for the user,
  // first takes in the input the window system has for the program.
  void BusyChanged(bool busy);

  PanelModel& panel_;
  BusyCursor cursor_;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

}  // namespace intercom
