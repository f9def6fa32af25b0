// COM.ini: the chosen port name as one line (name + CR LF) in the working
// directory. Any I/O failure throws FileIoFailure, which ends the calling handler.
#pragma once

#include <string>
#include <vector>

#include "protocol/session.h"

namespace intercom {

// Sets state.PortName from the file's first line (up to LF or CR LF, or the
// end), exactly as it stands. If the file does not exist, creates it with the
// first of `ports` (the empty name when there are none) and takes that name.
void LoadPortChoice(SessionState& state, const std::vector<std::string>& ports,
                    const std::string& path = kPortChoiceFile);

// Writes the file anew: state.PortName followed by CR LF.
void SavePortChoice(const SessionState& state, const std::string& path = kPortChoiceFile);

// The message code of a failed file operation's errno: ENOENT 2,
// ENAMETOOLONG/EINVAL 3, EMFILE/ENFILE 4, EACCES/EPERM/EROFS 5, ENOSPC 101;
// 0 for any other errno, which is reported as "I/O error <errno>".
int FileIoCode(int error);

}  // namespace intercom
