#include "win32/win32_file_chooser.h"

#include <commdlg.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

#include "serial/wide_text.h"

namespace intercom {
namespace {

// The dialog's type list: pairs of shown text and patterns, each ended by a
// NUL, the list by one more.
std::wstring FilterList(const std::vector<FileFilter>& filters) {
  std::wstring list;
  for (const FileFilter& filter : filters) {
    list += Wide(FilterText(filter));
    list += L'\0';
    for (size_t i = 0; i < filter.patterns.size(); ++i) {
      if (i > 0) list += L';';
      list += Wide(filter.patterns[i]);
    }
    list += L'\0';
  }
  list += L'\0';
  return list;
}

// Without it the dialog opens in the working folder, which for the installed
// program is its hidden configuration folder.
std::wstring DocumentsFolder() {
  PWSTR found = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &found))) folder = found;
  CoTaskMemFree(found);
  return folder;
}

}  // namespace

std::optional<std::string> Win32FileChooser::Choose(const FileRequest& request) {
  // Long paths are rare but legal; the buffer is the dialog's only limit.
  std::vector<wchar_t> path(32768, L'\0');
  const std::wstring start = Wide(request.proposed);
  if (start.size() < path.size()) start.copy(path.data(), start.size());
  const std::wstring title = Wide(request.caption);
  const std::wstring filters = FilterList(request.filters);
  const std::wstring folder = request.folder.empty() ? DocumentsFolder() : Wide(request.folder);
  const std::wstring suffix = Wide(request.defaultSuffix);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_ != nullptr && IsWindowVisible(owner_) ? owner_ : nullptr;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrFilter = request.filters.empty() ? nullptr : filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
  dialog.Flags = OFN_NOCHANGEDIR | OFN_EXPLORER;
  BOOL chosen = FALSE;
  switch (request.use) {
    case FileUse::Open:
      dialog.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
      chosen = GetOpenFileNameW(&dialog);
      break;
    case FileUse::Save:
      dialog.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
      chosen = GetSaveFileNameW(&dialog);
      break;
    case FileUse::Append:
      dialog.Flags |= OFN_PATHMUSTEXIST;
      chosen = GetSaveFileNameW(&dialog);
      break;
  }
  if (!chosen) return std::nullopt;
  return Narrow(path.data());
}

}  // namespace intercom
