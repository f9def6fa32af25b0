// Input the program refuses before anything is sent: a settings file, a plan
// or a --set that does not fit. The message is one line naming the place, the
// setting and what is allowed.
#pragma once

#include <stdexcept>
#include <string>

namespace intercom {

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace intercom
