// Where the program works: the installed program keeps COM.ini and its
// settings in the user's own folder %APPDATA%\intercom-config however it is
// started (from the Start menu, by a double click, from a console), as the
// Linux launcher does; any other copy (the portable zip) works in the folder
// it is started in. The program is the installed one when the installer's
// uninstall entry names the program's own folder as InstallLocation.
#pragma once

#include <filesystem>
#include <optional>

namespace intercom {

// The uninstall entry the installer writes for the current user.
inline constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\intercom-config";

// The per-user folder when the program in `programFolder` is the installed
// one; none for any other copy, or when %APPDATA% is not set.
std::optional<std::filesystem::path> InstalledWorkFolder(
    const std::filesystem::path& programFolder);

// Creates `folder` when it is missing and makes it the working folder. Throws
// std::filesystem::filesystem_error on failure.
void EnterWorkFolder(const std::filesystem::path& folder);

}  // namespace intercom
