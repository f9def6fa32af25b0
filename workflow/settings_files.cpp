#include "workflow/settings_files.h"

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <system_error>

#include "workflow/device_session.h"
#include "workflow/file_choice.h"
#include "workflow/input_error.h"
#include "workflow/input_file.h"
#include "workflow/settings_json.h"

namespace intercom {
namespace {

// The value as the settings file writes it.
std::string ValueText(const SettingEntry& setting, int32_t value) {
  if (setting.encoding == Encoding::Studio) return value != 0 ? "true" : "false";
  return std::to_string(value);
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

std::string Confirmation(const std::string& kindName, const std::string& path,
                         const std::vector<SettingChange>& changes) {
  std::vector<std::string> lines{"Записать в " + kindName + " настройки из файла", path, "",
                                 "настройка: сейчас → будет"};
  for (const SettingChange& change : changes) {
    lines.push_back(std::string(change.setting->name) + ": " +
                    (change.now ? ValueText(*change.setting, *change.now) : "?") + " → " +
                    ValueText(*change.setting, change.wanted));
  }
  lines.insert(lines.end(), {"", "Записать?"});
  return Lines(lines);
}

// Empty when all of `text` is in the file at `path` once it is closed;
// otherwise the system's reason. A full disk shows only when the buffer is
// flushed, so the flush and the close are checked too.
std::string WriteWhole(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return std::generic_category().message(errno);
  int error = 0;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
    error = errno;
  }
  if (std::fclose(file) != 0 && error == 0) error = errno;
  return error == 0 ? std::string() : std::generic_category().message(error);
}

}  // namespace

void SaveSettingsClick(ProgramContext& session) {
  PanelModel& panel = session.panel;
  // The operations' box lines: the binding shows what the window shows.
  std::ostringstream lines;
  DeviceSession device(session.port, session.pause, lines, session.state, session.catalogue);
  device.Follow(session.binding, session.binding);
  const DeviceKind kind = device.Discover();
  if (kind == DeviceKind::None) return;
  const std::string kindName = session.catalogue.KindName(kind);
  if (!device.ReadsAnswered()) {
    panel.ShowError("the " + kindName + " did not answer every read: " + device.Unread() +
                    "; nothing was saved");
    return;
  }
  FileRequest request = SettingsFileRequest(FileUse::Save, "Сохранить настройки устройства");
  request.proposed = kindName + ".json";
  const std::optional<std::string> path = ChooseFile(session, request);
  if (!path) return;
  if (const std::string why = WriteWhole(*path, SettingsJson(session.catalogue, device.Current()));
      !why.empty()) {
    panel.ShowError("Настройки не сохранены в файл\r\n" + *path + "\r\n" + why);
    return;
  }
  panel.ShowInformation("Настройки " + kindName + " сохранены в файл\r\n" + *path);
}

void LoadSettingsClick(ProgramContext& session) {
  PanelModel& panel = session.panel;
  const std::optional<std::string> path =
      ChooseFile(session, SettingsFileRequest(FileUse::Open, "Записать настройки из файла"));
  if (!path) return;
  DeviceSettings wanted;
  try {
    wanted = ParseSettingsJson(session.catalogue, ReadInputFile(*path), *path);
  } catch (const InputError& error) {
    panel.ShowError(error.what());
    return;
  }

  std::ostringstream lines;
  DeviceSession device(session.port, session.pause, lines, session.state, session.catalogue);
  device.Follow(session.binding, session.binding);
  const DeviceKind kind = device.Discover();
  if (kind == DeviceKind::None) return;
  try {
    CheckSettingsKind(session.catalogue, wanted, kind, *path, session.state.PortName);
  } catch (const InputError& error) {
    panel.ShowError(error.what());
    return;
  }
  // A write that will refuse, or find nothing to write, sends nothing: it
  // needs no question.
  const std::vector<SettingChange> changes = device.Changes(wanted);
  if (device.ReadsAnswered() && device.Refusals(wanted).empty() && !changes.empty() &&
      !panel.Ask(Confirmation(session.catalogue.KindName(kind), *path, changes))) {
    return;
  }
  const WriteReport report = device.Write(wanted, true);
  std::vector<std::string> said;
  for (const ReportLine& line : WriteReportLines(report, true)) said.push_back(line.text);
  if (report.status == WriteReport::Status::Done) {
    panel.ShowInformation(Lines(said));
  } else {
    panel.ShowError(Lines(said));
  }
}

}  // namespace intercom
