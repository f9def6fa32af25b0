#include "controller/port_choice.h"

#include "panel/handler_failure.h"
#include "serial/guarded_file.h"

namespace intercom {
namespace {

[[noreturn]] void FailWith(int error) {
  // System codes may collide with the table's codes (EIO is 5), so unmapped
  // ones carry their own text.
  const int code = FileIoCode(error);
  if (code == 0) throw FileIoFailure(error, "I/O error " + std::to_string(error));
  throw FileIoFailure(code);
}

void WriteWhole(const std::string& path, const std::string& line) {
  if (const int error = ReplaceSettingsFile(path, line + "\r\n"); error != 0) FailWith(error);
}

}  // namespace

void LoadPortChoice(SessionState& state, const std::vector<std::string>& ports,
                    const std::string& path) {
  std::string content;
  const int error = ReadSettingsFile(path, kSettingsFileReadLimit, content);
  if (error == kFileMissing) {
    state.PortName = ports.empty() ? std::string() : ports.front();
    WriteWhole(path, state.PortName);
    return;
  }
  if (error != 0) FailWith(error);
  const size_t lineEnd = content.find('\n');
  std::string line = content.substr(0, lineEnd);
  if (lineEnd != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
  state.PortName = std::move(line);
}

void SavePortChoice(const SessionState& state, const std::string& path) {
  WriteWhole(path, state.PortName);
}

}  // namespace intercom
