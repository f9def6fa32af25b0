// COM.ini: the chosen port name as one line (name + CR LF) in the working
// directory. Any I/O failure throws FileIoFailure, which ends the calling
// handler. Only the first 64 KiB of the file are read; a COM.ini that is not a
// regular file (a FIFO, a link to a device) is "File access denied".
#pragma once

#include <string>
#include <vector>

#include "controller/program_context.h"
#include "serial/guarded_file.h"  // FileIoCode, the message code of a failed file operation

namespace intercom {

// Sets state.PortName from the file's first line (up to LF or CR LF, or the
// end), exactly as it stands. If the file does not exist, creates it with the
// first of `ports` (the empty name when there are none) and takes that name.
void LoadPortChoice(SessionState& state, const std::vector<std::string>& ports,
                    const std::string& path = kPortChoiceFile);

// Writes the file anew: state.PortName followed by CR LF. The old file is
// replaced whole or, on any failure, left as it was.
void SavePortChoice(const SessionState& state, const std::string& path = kPortChoiceFile);

}  // namespace intercom
