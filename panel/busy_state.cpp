#include "panel/busy_state.h"

namespace intercom {

BusyState::Scope::Scope(BusyState& state, bool busy) : state_(state), before_(state.busy_) {
  ++state_.scopes_;
  state_.Set(busy);
}

BusyState::Scope::~Scope() {
  --state_.scopes_;
  state_.Set(before_);
}

void BusyState::Set(bool busy) {
  if (busy_ == busy) return;
  busy_ = busy;
  if (observer_) observer_(busy);
}

}  // namespace intercom
