#include "device/backup_store.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "device/settings_json.h"
#include "serial/file_calls.h"
#include "serial/local_time.h"
#include "serial/serial_port.h"
#include "serial/settings_folder.h"

namespace intercom {
namespace {

using Json = nlohmann::ordered_json;
using Clock = std::chrono::system_clock;

[[noreturn]] void Fail(const std::string& what, const std::string& path, uint32_t error) {
  throw BackupError("cannot " + what + " " + path + ": " + SystemErrorText(error));
}

// Makes `folder` and its missing parents; an existing one is left as it is.
void MakeFolders(const std::string& folder) {
  uint32_t error = MakeFolder(folder);
  if (IsNoParentError(error)) {
    const size_t cut = folder.find_last_of(kPathSeparators);
    if (cut != std::string::npos && cut > 0) {
      MakeFolders(folder.substr(0, cut));
      error = MakeFolder(folder);
    }
  }
  if (error != 0 && !IsExistsError(error)) Fail("create folder", folder, error);
}

std::string InFolder(const std::string& folder, const std::string& name) {
  const bool ends =
      !folder.empty() && std::string(kPathSeparators).find(folder.back()) != std::string::npos;
  return ends ? folder + name : folder + kPathSeparators[0] + name;
}

// "20240305T102030.045Z"
std::string UtcStamp(Clock::time_point now) {
  const auto ms = std::chrono::floor<std::chrono::milliseconds>(now);
  const auto day = std::chrono::floor<std::chrono::days>(ms);
  const std::chrono::year_month_day date(day);
  const std::chrono::hh_mm_ss time(ms - day);
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02u%02uT%02d%02d%02d.%03dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()));
  return text;
}

// "-3" for the kind's device address or address setting; empty when it has neither.
std::string AddressPart(const Catalogue& catalogue, const DeviceSettings& settings) {
  const KindEntry* kind = catalogue.Find(settings.kind);
  if (kind == nullptr) return {};
  const SettingEntry* address = kind->Find("address");
  for (const SettingEntry& setting : kind->settings) {
    if (setting.encoding == Encoding::DeviceAddress) {
      address = &setting;
      break;
    }
  }
  const SettingValue* value = address != nullptr ? settings.Find(address->name) : nullptr;
  return value != nullptr ? "-" + std::to_string(value->value) : std::string();
}

// A CSV cell, quoted when it holds a separator, a quote or a line break.
std::string Cell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// Every setting name of the catalogue once, in its order: the inventory's columns.
std::vector<std::string> SettingNames(const Catalogue& catalogue) {
  std::vector<std::string> names;
  std::set<std::string> named;
  for (const KindEntry& kind : catalogue.Kinds()) {
    for (const SettingEntry& setting : kind.settings) {
      if (named.insert(setting.name).second) names.push_back(setting.name);
    }
  }
  return names;
}

std::string JsonText(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string DefaultBackupFolder(const char* xdgStateHome, const char* home,
                                const char* localAppData) {
  if (localAppData != nullptr && localAppData[0] != '\0') {
    return std::string(localAppData) + "\\intercom-config\\backups";
  }
  const std::string folder = XdgBaseFolder(xdgStateHome, home, ".local/state");
  return folder.empty() ? folder : folder + "/intercom-config/backups";
}

std::string MachineBackupFolder() {
  if (const std::optional<std::string> folder = PlatformStateFolder()) {
    return DefaultBackupFolder(nullptr, nullptr, folder->c_str());
  }
  return DefaultBackupFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"), nullptr);
}

BackupStore::BackupStore(std::string folder, const Catalogue& catalogue)
    : folder_(std::move(folder)), catalogue_(catalogue) {}

std::string BackupStore::Save(const BackupEntry& entry, Clock::time_point now) {
  const std::lock_guard<std::mutex> lock(mutex_);
  MakeFolders(folder_);
  const std::string stem = catalogue_.KindName(entry.settings.kind) +
                           AddressPart(catalogue_, entry.settings) + "-" + UtcStamp(now);
  const std::string content = SettingsJson(catalogue_, entry.settings);
  // Two backups within a millisecond only differ by a number; a thousand
  // would mean the folder answers "exists" to everything.
  for (int copy = 1; copy <= 1000; ++copy) {
    const std::string path =
        InFolder(folder_, stem + (copy == 1 ? "" : "-" + std::to_string(copy)) + ".json");
    NewFile file;
    uint32_t error = file.CreateNew(path);
    if (IsExistsError(error)) continue;
    if (error != 0) Fail("write", path, error);
    error = file.Write(content);
    if (error == 0) error = file.Sync();
    if (error == 0) error = file.Close();
    if (error != 0) {
      file.Close();
      RemoveFile(path);
      Fail("write", path, error);
    }
    SyncFolder(folder_);
    return path;
  }
  Fail("write", InFolder(folder_, stem + ".json"), kExistsError);
}

void BackupStore::AddToInventory(const BackupEntry& entry, const std::string& file) {
  // Ports on threads of their own share the inventory: one line at a time,
  // and one header when it is new.
  const std::lock_guard<std::mutex> lock(mutex_);
  MakeFolders(folder_);
  const std::string csvPath = InFolder(folder_, "inventory.csv");
  const std::string jsonPath = InFolder(folder_, "inventory.jsonl");
  const std::vector<std::string> names = SettingNames(catalogue_);
  std::string header = "time,port,port_id,kind,file";
  for (const std::string& name : names) header += "," + name;

  NewFile csv;
  uint32_t error = csv.OpenToAppend(csvPath);
  std::string start;
  if (error == 0) error = csv.Read(start, header.size() + 2);
  if (error != 0) Fail("write", csvPath, error);
  std::string firstLine = start.substr(0, start.find('\n'));
  if (!firstLine.empty() && firstLine.back() == '\r') firstLine.pop_back();
  if (!start.empty() && firstLine != header) {
    throw BackupError("cannot write " + csvPath + ": its first line is not " + header);
  }

  // Both lines show the values as the settings file has them.
  Json settings = Json::parse(SettingsJson(catalogue_, entry.settings));
  const std::string kind = settings["kind"].get<std::string>();
  settings.erase("kind");

  std::string line = start.empty() ? header + "\n" : std::string();
  line += Cell(entry.time) + "," + Cell(entry.port) + "," + Cell(entry.portId) + "," + Cell(kind) +
          "," + Cell(file);
  for (const std::string& name : names) {
    line += ",";
    if (settings.contains(name)) line += JsonText(settings[name]);
  }
  line += "\n";

  Json object;
  object["time"] = entry.time;
  object["port"] = entry.port;
  object["port_id"] = entry.portId;
  object["kind"] = kind;
  object["file"] = file;
  object["settings"] = std::move(settings);

  NewFile json;
  error = json.OpenToAppend(jsonPath);
  if (error != 0) Fail("write", jsonPath, error);
  error = csv.Write(line);
  if (error == 0) error = csv.Sync();
  if (error == 0) error = csv.Close();
  if (error != 0) Fail("write", csvPath, error);
  error = json.Write(JsonText(object) + "\n");
  if (error == 0) error = json.Sync();
  if (error == 0) error = json.Close();
  if (error != 0) Fail("write", jsonPath, error);
}

}  // namespace intercom
