// Where the platform itself keeps the current user's settings of programs.
#pragma once

#include <optional>
#include <string>

namespace intercom {

// The platform's own folder for the current user's settings, when it names
// one: %APPDATA% on Windows, empty when that is not set. None on the other
// platforms, whose programs follow the XDG rule instead.
std::optional<std::string> PlatformSettingsFolder();
// Likewise for the current user's state kept on this machine alone:
// %LOCALAPPDATA% on Windows.
std::optional<std::string> PlatformStateFolder();

// An XDG base folder: `variable`'s value when it is an absolute path (a
// relative one is ignored, as the XDG rule says), else `underHome` in
// `home`; empty when neither gives a folder. Either may be null (not set).
std::string XdgBaseFolder(const char* variable, const char* home, const char* underHome);

}  // namespace intercom
