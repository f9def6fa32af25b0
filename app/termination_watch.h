// How the window program meets SIGTERM, SIGINT and SIGHUP: it ends through its
// loop and gives the port back (exclusive use cleared, lock file removed)
// rather than leaving it held by a killed process. A request that arrives
// while an action runs, a message box of it waiting for its OK included,
// is taken up once the action is over, so that no write is cut in half.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <optional>

#include "controller/program_context.h"
#include "serial/termination_signals.h"

namespace intercom {

class TerminationWatch {
 public:
  // Watches `termination` from the Qt event loop (also the nested loops of
  // message boxes). On a request, once no handler of `context.panel` runs,
  // closes the context's port and calls `end` (which ends the loop). Nothing
  // is watched when `termination` is not installed. Both must outlive this.
  TerminationWatch(ProgramContext& context, TerminationSignals& termination,
                   std::function<void()> end);

  // True once a request was taken up: the port is closed and `end` was called.
  bool Ended() const { return ended_; }

 private:
  void TakeRequest();

  ProgramContext& context_;
  TerminationSignals& termination_;
  std::function<void()> end_;
  std::optional<QSocketNotifier> notifier_;
  bool requested_ = false;
  bool ended_ = false;
};

}  // namespace intercom
