// One finding of the port doctor: a check, how it came out, what was found
// and what to do about it.
#pragma once

#include <string>

namespace intercom {

enum class FindingStatus { Ok, Warn, Fail };

struct Finding {
  std::string check;  // "access", "lock file", ...
  FindingStatus status = FindingStatus::Ok;
  std::string fact;    // what was found, English
  std::string remedy;  // what to do; empty when nothing is to be done
};

}  // namespace intercom
