// The system's name for a user id. POSIX only.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace intercom {

// The user name of `uid` ("root") from the user database; nullopt when it
// has none, so each caller says the bare id its own way.
std::optional<std::string> SystemUserName(uid_t uid);

}  // namespace intercom
