#include "win32/installed_folder.h"

#include <windows.h>

#include <string>

namespace intercom {
namespace {

std::wstring InstallLocation() {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation", RRF_RT_REG_SZ, nullptr,
                   nullptr, &size) != ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation", RRF_RT_REG_SZ, nullptr,
                   value.data(), &size) != ERROR_SUCCESS) {
    return {};
  }
  value.resize(value.find(L'\0'));
  return value;
}

// The folder's identity on its volume; a name may differ in case, in short or
// long form, or by a link, and still be the same folder.
bool Identify(const std::wstring& folder, BY_HANDLE_FILE_INFORMATION& identity) {
  const HANDLE handle =
      CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(handle, &identity) != FALSE;
  CloseHandle(handle);
  return known;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  return Identify(a, first) && Identify(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

std::optional<std::filesystem::path> InstalledWorkFolder(
    const std::filesystem::path& programFolder) {
  const std::wstring installed = InstallLocation();
  if (installed.empty() || !SameFolder(installed, programFolder.wstring())) return std::nullopt;
  const DWORD length = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring appData(length, L'\0');
  appData.resize(GetEnvironmentVariableW(L"APPDATA", appData.data(), length));
  if (appData.empty()) return std::nullopt;
  return std::filesystem::path(appData) / L"intercom-config";
}

void EnterWorkFolder(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
}

}  // namespace intercom
