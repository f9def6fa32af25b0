// A Pause that records the requested delays instead of sleeping.
#pragma once

#include <vector>

#include "serial/pause.h"

namespace intercom::testing {

struct RecordingPause {
  std::vector<int> delays;
  Pause AsPause() {
    return [this](int ms) { delays.push_back(ms); };
  }
};

}  // namespace intercom::testing
