// Everything one exchange with a device needs: the shared state record, the
// port, the pause, who hears about the traffic and the catalogue of kinds.
// Cheap to make; every member refers to something the caller owns.
#pragma once

#include "protocol/device_settings.h"
#include "protocol/exchange_observer.h"
#include "protocol/session_state.h"
#include "serial/pause.h"
#include "serial/serial_port.h"

namespace intercom {

struct DeviceLine {
  SessionState& state;
  SerialPort& port;
  const Pause& pause;
  ExchangeObserver& observer;
  const Catalogue& catalogue;

  // The level scale the start-up set in the state.
  LevelScale Levels() const { return {state.LevelBase, state.LevelStep, state.LevelMax}; }
};

}  // namespace intercom
