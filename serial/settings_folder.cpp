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

}  // namespace intercom
