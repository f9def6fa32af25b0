// The menu's check entry "Журнал обмена…": while it is on, every request and
// reply of the window goes to a file, in the lines of intercom-cli --trace but
// stamped with the local time to the millisecond, the date on a line of its own
// when the log is turned on and when a new day begins.
#pragma once

#include <string>

#include "controller/program_context.h"

namespace intercom {

// On: asks for a log file (the one remembered in the program's settings
// proposed, in its folder), opens it for appending and logs to it from the next exchange
// on, flushed after each; the main window's hint names it and the program's
// settings remember it. No file chosen, or one that cannot take the log (not a
// regular file, which is never opened, or one that cannot be opened), turns the
// entry off again. Off: the log stops and its file is closed.
void ExchangeLogClick(ProgramContext& context);

// The exchange log's file remembered in the program's settings at
// `settingsPath`; empty when there is none.
std::string RememberedExchangeLog(const std::string& settingsPath);

}  // namespace intercom
