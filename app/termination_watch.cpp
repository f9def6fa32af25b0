#include "app/termination_watch.h"

#include "controller/window_line.h"

namespace intercom {

TerminationWatch::TerminationWatch(ProgramContext& context, TerminationSignals& termination,
                                   std::function<void()> end)
    : context_(context), termination_(termination), end_(std::move(end)) {
  if (!termination_.Installed()) return;
  notifier_.emplace(termination_.ReadyDescriptor(), QSocketNotifier::Read);
  QObject::connect(&*notifier_, &QSocketNotifier::activated, [this] { TakeRequest(); });
}

void TerminationWatch::TakeRequest() {
  // Drained every time, or the descriptor would stay readable and spin the loop.
  if (termination_.Take() == 0 || requested_) return;
  requested_ = true;
  context_.panel.WhenIdle([this] {
    ClosePort(context_);
    ended_ = true;
    if (end_) end_();
  });
}

}  // namespace intercom
