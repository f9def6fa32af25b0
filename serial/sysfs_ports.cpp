#include "serial/sysfs_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace intercom {

namespace {

namespace fs = std::filesystem;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool HasControlCharacter(const std::string& name) {
  return std::any_of(name.begin(), name.end(), [](char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 0x20 || code == 0x7F;
  });
}

// The serial core registers every ttyS line it was configured for; lines
// without hardware report type 0 (PORT_UNKNOWN).
bool IsPlaceholderUart(const fs::path& entry, const std::string& name) {
  if (name.rfind("ttyS", 0) != 0) return false;
  std::ifstream typeFile(entry / "type");
  int type = 0;
  return typeFile && (typeFile >> type) && type == 0;
}

// Negative, zero or positive as `a` sorts before, with or after `b`.
int NaturalCompare(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t endA = i;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      size_t endB = j;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      // Leading zeros do not change the number; the longer remainder is the larger.
      while (i + 1 < endA && a[i] == '0') ++i;
      while (j + 1 < endB && b[j] == '0') ++j;
      if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
      if (const int c = a.compare(i, endA - i, b, j, endB - j); c != 0) return c;
      i = endA;
      j = endB;
    } else {
      if (a[i] != b[j]) {
        return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
      }
      ++i;
      ++j;
    }
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  // Equal as numbers (ttyS01, ttyS1): plain order keeps the result stable.
  return a.compare(b);
}

}  // namespace

bool IsSysfsPort(const std::string& entryDir) {
  const fs::path entry(entryDir);
  const std::string name = entry.filename().string();
  // symlink_status: the link itself is what marks a port, wherever it points.
  std::error_code missing;
  if (!fs::exists(fs::symlink_status(entry / "device", missing))) return false;
  if (HasControlCharacter(name)) throw PortEnumerationError(name);
  return !IsPlaceholderUart(entry, name);
}

std::vector<std::string> ListSysfsPorts(const std::string& sysfsTtyDir, const std::string& devDir) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(sysfsTtyDir, error), end; !error && it != end;
       it.increment(error)) {
    if (IsSysfsPort(it->path().string())) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NaturalCompare(a, b) < 0; });

  std::vector<std::string> ports;
  ports.reserve(names.size());
  for (const std::string& name : names) ports.push_back((fs::path(devDir) / name).string());
  return ports;
}

}  // namespace intercom
