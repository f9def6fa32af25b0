#include "serial/registry_ports.h"

namespace intercom {
namespace {

class OpenKey {
 public:
  OpenKey(HKEY root, const std::string& subkey) {
    // Read access only: HARDWARE\DEVICEMAP refuses full access to anyone
    // without administrator rights.
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The text of a string value; false when the value has vanished meanwhile.
bool ReadText(HKEY key, const std::string& name, std::string& text) {
  std::string data(64, '\0');
  for (;;) {
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(data.size());
    const LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_MORE_DATA) {
      data.resize(size);
      continue;
    }
    if (status != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw PortEnumerationError(name);
    data.resize(size);
    // The stored terminator (or terminators, or none at all) is not part of the name.
    text = data.substr(0, data.find('\0'));
    return true;
  }
}

}  // namespace

std::vector<std::string> ListRegistryPorts(HKEY root, const std::string& subkey) {
  std::vector<std::string> ports;
  const OpenKey key(root, subkey);
  if (key.get() == nullptr) return ports;

  DWORD valueCount = 0;
  DWORD longestName = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                       &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return ports;
  }
  std::string name(longestName + 1, '\0');
  for (DWORD index = 0; index < valueCount; ++index) {
    auto length = static_cast<DWORD>(name.size());
    const LSTATUS status =
        RegEnumValueA(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;
    std::string text;
    if (ReadText(key.get(), name.substr(0, length), text)) ports.push_back(text);
  }
  return ports;
}

}  // namespace intercom
