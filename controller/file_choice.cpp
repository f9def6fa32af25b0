#include "controller/file_choice.h"

#include <filesystem>

namespace intercom {
namespace {

FileFilter AnyFile() {
  return {"Все файлы", {"*"}};
}

}  // namespace

FileRequest SettingsFileRequest(FileUse use, const std::string& caption) {
  FileRequest request;
  request.use = use;
  request.caption = caption;
  request.filters = {{"Настройки устройства", {"*.json"}}, AnyFile()};
  if (use == FileUse::Save) request.defaultSuffix = "json";
  return request;
}

FileRequest LogFileRequest(const std::string& caption) {
  FileRequest request;
  request.use = FileUse::Append;
  request.caption = caption;
  request.filters = {{"Журнал", {"*.log", "*.txt"}}, AnyFile()};
  return request;
}

std::optional<std::string> ChooseFile(ProgramContext& context, FileRequest request) {
  if (request.folder.empty()) request.folder = context.lastFileFolder;
  std::optional<std::string> path = context.panel.ChooseFile(request);
  if (path) {
    // The dialogs answer absolute paths; a relative one still names a folder.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(*path, error);
    if (!error) context.lastFileFolder = absolute.parent_path().string();
  }
  return path;
}

}  // namespace intercom
