#include "win32/win32_file_chooser.h"

#include <commdlg.h>

#include <vector>

#include "win32/wide_text.h"

namespace intercom {

std::optional<std::string> Win32FileChooser::Choose(FileUse use, const std::string& caption,
                                                    const std::string& proposed) {
  // Long paths are rare but legal; the buffer is the dialog's only limit.
  std::vector<wchar_t> path(32768, L'\0');
  const std::wstring start = Wide(proposed);
  if (start.size() < path.size()) start.copy(path.data(), start.size());
  const std::wstring title = Wide(caption);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_ != nullptr && IsWindowVisible(owner_) ? owner_ : nullptr;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_NOCHANGEDIR | OFN_EXPLORER;
  BOOL chosen = FALSE;
  switch (use) {
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
