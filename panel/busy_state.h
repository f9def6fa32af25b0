// Whether the program is busy with an action the user started. The window
// shows the busy cursor while it is, and takes the moment the user is asked
// (a box or a file dialog opens in the middle of an action) to collect the
// input that arrived before it, so that this input waits for the action.
#pragma once

#include <functional>

namespace intercom {

class BusyState {
 public:
  BusyState() = default;
  BusyState(const BusyState&) = delete;
  BusyState& operator=(const BusyState&) = delete;

  // True from the start of the outermost handler to its return, except while
  // it waits for the user (a message box, a question, a file dialog); true
  // again for a handler that runs while the user is asked.
  bool Busy() const { return busy_; }

  // True while the innermost scope holds the state not busy: the user is
  // asked, in the middle of an action or outside any.
  bool Asking() const { return !busy_ && scopes_ > 0; }

  // Called with the new state on every change, Asking() already telling why:
  // the false that starts a wait for the user comes before its box or dialog
  // is shown. Must not throw.
  void SetObserver(std::function<void(bool busy)> observer) { observer_ = std::move(observer); }

  // Holds the state at `busy` for its lifetime and gives back the one before
  // it at its end, on every way out (an exception included). Scopes nest.
  class Scope {
   public:
    Scope(BusyState& state, bool busy);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    BusyState& state_;
    bool before_;
  };

 private:
  void Set(bool busy);

  bool busy_ = false;
  int scopes_ = 0;
  std::function<void(bool)> observer_;
};

}  // namespace intercom
