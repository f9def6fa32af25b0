// The busy cursor over every window of the program, for as long as an action
// runs (PanelModel::Busy).
#pragma once

namespace intercom {

class BusyCursor {
 public:
  BusyCursor() = default;
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  // Gives the cursor back when it is still shown.
  ~BusyCursor();

  // Shows the busy cursor, or gives back the one before it; showing it twice
  // or giving it back twice does nothing more.
  void Show(bool busy);

 private:
  bool shown_ = false;
};

}  // namespace intercom
