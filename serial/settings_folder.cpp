#include "serial/settings_folder.h"

#include <cstdlib>

namespace intercom {

std::optional<std::string> PlatformSettingsFolder() {
#ifdef _WIN32
  const char* appData = std::getenv("APPDATA");
  return appData != nullptr ? appData : "";
#else
  return std::nullopt;
#endif
}

std::optional<std::string> PlatformStateFolder() {
#ifdef _WIN32
  const char* localAppData = std::getenv("LOCALAPPDATA");
  return localAppData != nullptr ? localAppData : "";
#else
  return std::nullopt;
#endif
}

std::string XdgBaseFolder(const char* variable, const char* home, const char* underHome) {
  if (variable != nullptr && variable[0] == '/') return variable;
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/" + underHome;
  return {};
}

}  // namespace intercom
