#include "controller/exchange_log.h"

#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "controller/file_choice.h"

namespace intercom {
namespace {

// The program's settings are "Name=value" lines; this is the log's.
constexpr std::string_view kLogKey = "ExchangeLog=";

std::vector<std::string> SettingsLines(const std::string& settingsPath) {
  std::vector<std::string> lines;
  std::ifstream in(settingsPath, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Keeps every other setting as it was. False when the file cannot be written.
bool Remember(const std::string& settingsPath, const std::string& logPath) {
  std::ostringstream text;
  for (const std::string& line : SettingsLines(settingsPath)) {
    if (line.rfind(kLogKey, 0) != 0) text << line << "\r\n";
  }
  text << kLogKey << logPath << "\r\n";
  std::ofstream out(settingsPath, std::ios::binary | std::ios::trunc);
  out << text.str();
  out.close();
  return static_cast<bool>(out);
}

// Why `path` cannot take the log, in the command line's words; empty when it can.
std::string Unusable(std::ofstream& log, const std::string& path) {
  // Looking first keeps a FIFO or a device from being opened at all.
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return path + ": not a regular file";
  }
  log.open(path, std::ios::app | std::ios::binary);
  if (!log) return path + ": cannot be opened for writing";
  return {};
}

}  // namespace

std::string RememberedExchangeLog(const std::string& settingsPath) {
  for (const std::string& line : SettingsLines(settingsPath)) {
    if (line.rfind(kLogKey, 0) == 0) return line.substr(kLogKey.size());
  }
  return {};
}

void ExchangeLogClick(ProgramContext& context) {
  PanelModel& panel = context.panel;
  if (!panel.ExchangeLog.Checked()) {
    context.loggedPort.SetLog(nullptr);
    context.exchangeLog.close();
    context.exchangeLog.clear();
    context.binding.SetLogHint("");
    return;
  }
  FileRequest request = LogFileRequest("Журнал обмена");
  // The remembered log is proposed where it is.
  if (const std::string remembered = RememberedExchangeLog(context.programSettingsPath);
      !remembered.empty()) {
    std::error_code error;
    const std::filesystem::path where = std::filesystem::absolute(remembered, error);
    request.folder = where.parent_path().string();
    request.proposed = where.filename().string();
  }
  const std::optional<std::string> path = ChooseFile(context, request);
  if (!path) {
    context.binding.UncheckExchangeLog();
    return;
  }
  if (const std::string why = Unusable(context.exchangeLog, *path); !why.empty()) {
    panel.ShowError(why);
    context.binding.UncheckExchangeLog();
    return;
  }
  context.loggedPort.SetLog(&context.exchangeLog, WallClockStamp(context.localTime));
  context.binding.SetLogHint("Журнал обмена: " + *path);
  if (!Remember(context.programSettingsPath, *path)) {
    panel.ShowNotice(context.programSettingsPath +
                     ": cannot be written; the log's file is not remembered");
  }
}

}  // namespace intercom
