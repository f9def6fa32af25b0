// The window's file dialogs: what each offers, and where it opens.
#pragma once

#include <optional>
#include <string>

#include "controller/program_context.h"

namespace intercom {

// A settings file: "Настройки устройства (*.json)" first, then any file.
FileRequest SettingsFileRequest(FileUse use, const std::string& caption);
// An exchange log: "Журнал (*.log *.txt)" first, then any file.
FileRequest LogFileRequest(const std::string& caption);

// Asks with the panel's file dialog. A request that names no folder opens in
// the folder of the file last chosen in this run (the user's documents folder
// before the first); the chosen file's folder is remembered for the next.
std::optional<std::string> ChooseFile(ProgramContext& context, FileRequest request);

}  // namespace intercom
