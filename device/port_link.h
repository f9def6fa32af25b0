// Opening, configuring and closing the line's port, and the level scale set
// before the first exchange. Failures go to the line's observer as notices
// (the window's boxes); the caller goes on.
#pragma once

#include "protocol/device_line.h"
#include "protocol/session_state.h"
#include "serial/termination_signals.h"

namespace intercom {

// The line settings and time-outs the device needs.
inline constexpr uint32_t kBaudRate = 38400;
inline constexpr uint16_t kXonLim = 512;
inline constexpr uint16_t kXoffLim = 512;
CommTimeouts DeviceTimeouts();

// A port name as failure messages show it: whole up to kPortNameShownLength
// bytes, otherwise its first bytes (never half a UTF-8 character) and "…".
// A longer name cannot be a device path anyway, and laying out a huge one
// would freeze the message box.
inline constexpr size_t kPortNameShownLength = 256;
std::string PortNameForMessage(const std::string& name);

// Opens state.PortName (closing whatever was open). On failure shows
// "Can't open port " + PortNameForMessage(PortName) and returns false.
bool OpenPort(const DeviceLine& line);

// Reads the line state and sets 38400 8N1 (XonLim/XoffLim 512), keeping every
// other setting as the port reported it, then sets the time-outs. Returns false
// when the line state could not be read ("Can't get port state: " + code) or
// set ("Can't set new port settings: " + code); a time-out failure shows
// "Can't write to port: " + code and still returns true.
bool ConfigurePort(const DeviceLine& line);

// Closes the port; nothing happens when none is open.
void ClosePort(const DeviceLine& line);

// For the programs' loops, when `termination` became readable: if a termination
// request is pending, closes the line's port (giving the tty back, ending
// its exclusive use, removing the lock file) and returns the signal, after
// which the program ends normally; 0 when there was none.
int ReleasePortOnTermination(const DeviceLine& line, TerminationSignals& termination);

// LevelBase 32, LevelMax 255, LevelStep 14: set before the first exchange.
void SetLevelConstants(SessionState& state);

// The port steps of the start-up: opens state.PortName, Pause(100), then the
// line settings and time-outs. True when they could be read and set (the
// start-up then goes on to discovery); every failure is shown as a notice.
bool StartLink(const DeviceLine& line);

}  // namespace intercom
