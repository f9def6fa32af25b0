// Input that arrives while a handler runs waits for it. A handler runs to
// completion, but its message boxes run an event loop meanwhile: a click or a
// key meant for the panel that is handled there would start a second action
// in the middle of the first one (between two requests of a write). While any
// handler of the panel runs, user input for every window except the open
// message box is held, and delivered in order of arrival once the outermost
// handler has returned. A held key goes to the shortcuts first (the menu
// bar's Alt key among them), as it would have had it not waited.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <utility>
#include <vector>

#include "panel/panel_model.h"

class QEvent;

namespace intercom {

class HeldInput : public QObject {
 public:
  // Watches every event of the application and becomes `panel`'s idle
  // observer; both end with this object. `panel` must outlive it.
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

  PanelModel& panel_;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

}  // namespace intercom
