// The port steps of device/port_link.h on the window's line, whose notices
// become the window's boxes.
#pragma once

#include "controller/program_context.h"
#include "device/port_link.h"

namespace intercom {

inline bool OpenPort(ProgramContext& context) {
  return OpenPort(context.Line());
}
inline bool ConfigurePort(ProgramContext& context) {
  return ConfigurePort(context.Line());
}
inline void ClosePort(ProgramContext& context) {
  ClosePort(context.Line());
}
inline int ReleasePortOnTermination(ProgramContext& context, TerminationSignals& termination) {
  return ReleasePortOnTermination(context.Line(), termination);
}

}  // namespace intercom
