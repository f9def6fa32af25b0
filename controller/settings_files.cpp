#include "controller/settings_files.h"

#include <algorithm>
#include <sstream>
#include <system_error>

#include "controller/file_choice.h"
#include "device/device_conversation.h"
#include "device/input_error.h"
#include "device/input_file.h"
#include "device/setting_text.h"
#include "device/settings_json.h"
#include "panel/window_texts.h"
#include "serial/guarded_file.h"

namespace intercom {
namespace {

int32_t Wire(DeviceKind kind) {
  return static_cast<int32_t>(kind);
}

std::string Label(const PanelDescription& pages, DeviceKind kind, const SettingEntry& setting) {
  return SettingLabel(pages, Wire(kind), setting.name);
}

std::string Shown(const PanelDescription& pages, DeviceKind kind, const SettingEntry& setting,
                  int32_t value) {
  return ShownValue(pages, Wire(kind), setting.name, value);
}

// "«Сплиттер»": the kind in running text.
std::string Quoted(const PanelDescription& pages, DeviceKind kind) {
  return "«" + KindCaption(pages, Wire(kind)) + "»";
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

// The labels of the kind's settings the last discovery did not read.
std::string UnreadLabels(const PanelDescription& pages, const Catalogue& catalogue,
                         const DeviceConversation& device, DeviceKind kind) {
  std::string labels;
  for (const SettingEntry& setting : catalogue.Find(kind)->settings) {
    if (device.Current().Find(setting.name) != nullptr) continue;
    labels += (labels.empty() ? "" : ", ") + Label(pages, kind, setting);
  }
  return labels;
}

std::string NotAllRead(const PanelDescription& pages, const Catalogue& catalogue,
                       const DeviceConversation& device, DeviceKind kind, const char* consequence) {
  return Lines({"Устройство " + Quoted(pages, kind) + " ответило не на все запросы чтения.",
                "Не считаны: " + UnreadLabels(pages, catalogue, device, kind) + ".", consequence});
}

std::string Confirmation(const PanelDescription& pages, DeviceKind kind, const std::string& path,
                         const std::vector<SettingChange>& changes) {
  std::vector<std::string> lines{
      "Записать в устройство " + Quoted(pages, kind) + " настройки из файла", path, "",
      "настройка: сейчас → будет"};
  for (const SettingChange& change : changes) {
    lines.push_back(Label(pages, kind, *change.setting) + ": " +
                    (change.now ? Shown(pages, kind, *change.setting, *change.now) : "?") + " → " +
                    Shown(pages, kind, *change.setting, change.wanted));
  }
  lines.insert(lines.end(), {"", "Записать?"});
  return Lines(lines);
}

// A key of a refused file in a sentence: its setting's label when the file's
// kind has it, else the key as the file writes it.
std::string KeyText(const PanelDescription& pages, const InputProblem& problem) {
  if (problem.setting != nullptr) return "«" + Label(pages, problem.kind, *problem.setting) + "»";
  return "«" + ShownText(problem.key) + "»";
}

// Where in the file a fault at a byte lies, when a key tells.
std::string Near(const PanelDescription& pages, const InputProblem& problem) {
  if (problem.key.empty()) return "";
  return (problem.afterKey ? " (после значения " : " (в значении ") + KeyText(pages, problem) + ")";
}

// Why a settings file was refused, in a sentence of its own. Only the file's
// own keys and values are quoted as it writes them.
std::string Refusal(const PanelDescription& pages, const InputProblem& problem) {
  const std::string byte = std::to_string(problem.byte);
  switch (problem.fault) {
    case InputFault::NoSuchFile:
      return "Такого файла нет.";
    case InputFault::NotRegularFile:
      return "Это не обычный файл, а папка, устройство или канал.";
    case InputFault::TooLarge:
      return "Файл больше 1 МиБ: файлы настроек не бывают такими большими.";
    case InputFault::Unreadable:
      return "Файл не удалось прочитать до конца.";
    case InputFault::NotADocument:
      return "Ошибка в тексте файла в байте " + byte + Near(pages, problem) + ".";
    case InputFault::NotAValue:
      return "Значение " + KeyText(pages, problem) + " записано с ошибкой (байт " + byte + ").";
    case InputFault::NotOneObject:
      return "Файл должен содержать один объект в фигурных скобках {…}.";
    case InputFault::NestedValue:
      return "Для " + KeyText(pages, problem) + " ожидалось одно значение, а в файле " +
             (problem.array ? "список […]." : "объект {…}.");
    case InputFault::BadByte:
      return "Байт " + byte + Near(pages, problem) +
             (problem.nul ? " нулевой: в тексте его быть не может."
                          : " не входит ни в один символ: текст должен быть в юникоде.");
    case InputFault::GivenTwice:
      return KeyText(pages, problem) + " встречается в файле дважды.";
    case InputFault::NotWholeNumber:
      return KeyText(pages, problem) + ": " + problem.value + " — не целое число" +
             (problem.setting != nullptr
                  ? " (допустимо от " + std::to_string(problem.setting->low) + " до " +
                        std::to_string(problem.setting->high) + ")"
                  : "") +
             ".";
    case InputFault::KindMissing:
      return "В файле не указано, для какого устройства эти настройки.";
    case InputFault::UnknownKind:
      return "Устройство " + problem.value + " программе не известно.";
    case InputFault::UnknownKey:
      return KeyText(pages, problem) + " — не настройка устройства " + Quoted(pages, problem.kind) +
             ".";
    case InputFault::Other:
      break;
  }
  return "Файл не прочитан как файл настроек.";
}

// The values that differ and that the device would not take, or none.
std::vector<std::string> OutOfRange(const PanelDescription& pages, DeviceKind kind,
                                    const std::vector<SettingChange>& changes) {
  std::vector<std::string> lines;
  for (const SettingChange& change : changes) {
    const SettingEntry& setting = *change.setting;
    if (change.wanted >= setting.low && change.wanted <= setting.high) continue;
    lines.push_back(Label(pages, kind, setting) + ": " + std::to_string(change.wanted) +
                    " — допустимо от " + std::to_string(setting.low) + " до " +
                    std::to_string(setting.high));
  }
  return lines;
}

bool In(const std::vector<std::string>& names, const char* name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The result of a write from a file: one line for each setting that differed,
// with its verdict, then what the read back found changed that nobody asked
// for (a value a request re-sent and the device stored differently).
struct WriteResult {
  std::string text;
  bool unasked = false;  // a setting nobody asked to change reads back changed
};

WriteResult Result(const PanelDescription& pages, const Catalogue& catalogue,
                   const DeviceConversation& device, DeviceKind kind, const DeviceSettings& before,
                   const std::vector<SettingChange>& changes, const WriteReport& report) {
  WriteResult result;
  const bool readBack = device.ReadsAnswered() && device.Current().kind == kind;
  std::vector<std::string> lines;
  for (const SettingChange& change : changes) {
    const SettingEntry& setting = *change.setting;
    std::string line = Label(pages, kind, setting) + ": " +
                       (change.now ? Shown(pages, kind, setting, *change.now) : "?") + " → " +
                       Shown(pages, kind, setting, change.wanted) + " — ";
    if (In(report.written, setting.name)) {
      line += kVerdictWritten;
    } else if (In(report.answered, setting.name)) {
      line += kVerdictAnswered;
    } else {
      line += kVerdictNotWritten;
      const SettingValue* now = readBack ? device.Current().Find(setting.name) : nullptr;
      if (now != nullptr && now->value != ReadBackValue(setting, change.wanted)) {
        line += ": устройство хранит " + Shown(pages, kind, setting, now->value);
      } else if (readBack) {
        line += ": устройство не подтвердило запись";
      } else {
        line += ": устройство не ответило на запрос целиком";
      }
    }
    lines.push_back(line);
  }
  if (readBack) {
    for (const SettingValue& was : before.values) {
      if (std::any_of(changes.begin(), changes.end(),
                      [&](const SettingChange& c) { return c.setting == was.setting; })) {
        continue;
      }
      const SettingValue* now = device.Current().Find(was.setting->name);
      if (now == nullptr || now->value == was.value) continue;
      result.unasked = true;
      lines.push_back(Label(pages, kind, *was.setting) +
                      ": значение не менялось, но устройство теперь хранит " +
                      Shown(pages, kind, *was.setting, now->value) + " (было " +
                      Shown(pages, kind, *was.setting, was.value) + ")");
    }
  } else if (!changes.empty()) {
    lines.push_back("Настройки после записи считаны не полностью, не считаны: " +
                    UnreadLabels(pages, catalogue, device, kind));
  }
  result.text = Lines(lines);
  return result;
}

}  // namespace

void SaveSettingsClick(ProgramContext& context) {
  const PanelDescription& pages = context.panel.Description();
  PanelModel& panel = context.panel;
  // The operations' box lines: the binding shows what the window shows.
  std::ostringstream lines;
  DeviceConversation device(context.port, context.pause, lines, context.state, context.catalogue);
  device.Follow(context.binding, context.binding);
  const DeviceKind kind = device.Discover();
  if (kind == DeviceKind::None) return;
  if (!device.ReadsAnswered()) {
    panel.ShowError(NotAllRead(pages, context.catalogue, device, kind, "Ничего не сохранено"));
    return;
  }
  FileRequest request = SettingsFileRequest(FileUse::Save, kSaveSettingsCaption);
  request.proposed = context.catalogue.KindName(kind) + ".json";
  const std::optional<std::string> path = ChooseFile(context, request);
  if (!path) return;
  // Replaced whole or not at all: a save that fails keeps the file it was to replace.
  if (const int error =
          ReplaceSettingsFile(*path, SettingsJson(context.catalogue, device.Current()));
      error != 0) {
    panel.ShowError("Настройки не сохранены в файл\r\n" + *path + "\r\n" +
                    std::system_category().message(error));
    return;
  }
  panel.ShowInformation("Настройки устройства " + Quoted(pages, kind) + " сохранены в файл\r\n" +
                        *path);
}

void LoadSettingsClick(ProgramContext& context) {
  const PanelDescription& pages = context.panel.Description();
  PanelModel& panel = context.panel;
  const std::optional<std::string> path =
      ChooseFile(context, SettingsFileRequest(FileUse::Open, kLoadSettingsCaption));
  if (!path) return;
  DeviceSettings wanted;
  try {
    wanted = ParseSettingsJson(context.catalogue, ReadInputFile(*path), *path);
  } catch (const InputError& error) {
    panel.ShowError(Lines({"Файл настроек не принят", *path, Refusal(pages, error.Problem())}));
    return;
  }

  std::ostringstream lines;
  DeviceConversation device(context.port, context.pause, lines, context.state, context.catalogue);
  device.Follow(context.binding, context.binding);
  const DeviceKind kind = device.Discover();
  if (kind == DeviceKind::None) return;
  if (wanted.kind != kind) {
    const std::string& port = context.state.PortName;
    panel.ShowError(Lines({"В файле", *path,
                           "настройки устройства " + Quoted(pages, wanted.kind) + ", а" +
                               (port.empty() ? "" : " на порту " + port) + " ответило устройство " +
                               Quoted(pages, kind)}));
    return;
  }
  if (!device.ReadsAnswered()) {
    // Requests built from a read that was not whole would write guesses.
    panel.ShowError(NotAllRead(pages, context.catalogue, device, kind, "Ничего не записано"));
    return;
  }
  const std::vector<SettingChange> changes = device.Changes(wanted);
  if (changes.empty()) {
    panel.ShowInformation("Устройство " + Quoted(pages, kind) +
                          " уже хранит настройки из файла: записывать нечего.");
    return;
  }
  // A write that would refuse sends nothing: it needs no question.
  std::vector<std::string> refused = OutOfRange(pages, kind, changes);
  if (!refused.empty()) {
    refused.insert(refused.begin(), "Значения вне допустимых пределов:");
    refused.push_back("Ничего не записано");
    panel.ShowError(Lines(refused));
    return;
  }
  if (!panel.Ask(Confirmation(pages, kind, *path, changes))) return;
  const DeviceSettings before = device.Current();
  const WriteReport report = device.Write(wanted, true);
  const WriteResult result =
      Result(pages, context.catalogue, device, kind, before, changes, report);
  if (report.status == WriteReport::Status::Done && !result.unasked) {
    panel.ShowInformation(result.text);
  } else {
    panel.ShowError(result.text);
  }
}

}  // namespace intercom
