#include "serial/user_name.h"

#include <pwd.h>

namespace intercom {

std::optional<std::string> SystemUserName(uid_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
    return std::string(found->pw_name);
  }
  return std::nullopt;
}

}  // namespace intercom
