// Start-up of the main window and the discovery of the connected device kind.
#pragma once

#include "protocol/session.h"

namespace intercom {

// The main window's show handler, run once before the window appears: level
// constants, port list, COM.ini, open, Pause(100), line settings and, when the
// line state could be read and set, DiscoverDevice. A COM.ini or port-list
// failure ends it (reported by the panel's handler boundary).
void FormShow(Session& session);

// LevelBase 32, LevelMax 255, LevelStep 14: set before the first exchange.
void SetLevelConstants(SessionState& state);

// The port steps of the start-up: opens state.PortName, Pause(100), then the
// line settings and time-outs. True when they could be read and set (the
// start-up then goes on to discovery); every failure is shown as a notice.
bool StartLink(Session& session);

// Probes kinds 1..4 (Pause(50) after the first three, ShowNextPage after the
// third and fourth), stops at the first that answers and prepares its page:
// enabled fields and groups, the initial reads, the page shown. When none
// answers: everything locked, no page, the "no device" box, PageControl1
// disabled. CurrentDevice keeps the kind found, or 4.
void DiscoverDevice(Session& session);

}  // namespace intercom
