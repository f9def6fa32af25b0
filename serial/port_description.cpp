#include "serial/port_description.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace intercom {
namespace {

namespace fs = std::filesystem;

// A USB device sits a few levels above its tty (interface, then device); the
// bound keeps a strange link from walking the whole tree.
constexpr int kMaxLevelsUp = 12;
constexpr size_t kMaxAttributeLength = 256;

std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  if (line.size() > kMaxAttributeLength) line.resize(kMaxAttributeLength);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) {
    line.pop_back();
  }
  for (char& c : line) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F) c = '?';
  }
  return line;
}

void FillUsb(PortDescription& description, const fs::path& deviceLink) {
  std::error_code error;
  fs::path dir = fs::canonical(deviceLink, error);
  if (error) return;
  for (int level = 0; level < kMaxLevelsUp && !dir.empty(); ++level) {
    if (fs::exists(dir / "idVendor", error) && fs::exists(dir / "idProduct", error)) {
      description.vendorId = ReadAttribute(dir / "idVendor");
      description.productId = ReadAttribute(dir / "idProduct");
      description.manufacturer = ReadAttribute(dir / "manufacturer");
      description.product = ReadAttribute(dir / "product");
      return;
    }
    if (dir == dir.parent_path()) return;
    dir = dir.parent_path();
  }
}

}  // namespace

std::string FindPortLink(const std::string& devicePath, const std::string& linkDir) {
  const std::string name = fs::path(devicePath).filename().string();
  if (name.empty()) return {};
  std::vector<std::string> matches;
  std::error_code error;
  for (fs::directory_iterator it(linkDir, error), end; !error && it != end; it.increment(error)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (!linkError && target.filename() == name) matches.push_back(it->path().string());
  }
  if (matches.empty()) return {};
  // Several links (one per interface naming) are possible; the first in order is stable.
  return *std::min_element(matches.begin(), matches.end());
}

PortDescription DescribePort(const std::string& devicePath, const std::string& sysfsTtyDir,
                             const std::string& byIdDir) {
  PortDescription description;
  description.path = devicePath;
  const std::string name = fs::path(devicePath).filename().string();
  if (name.empty()) return description;
  description.byIdPath = FindPortLink(devicePath, byIdDir);
  FillUsb(description, fs::path(sysfsTtyDir) / name / "device");
  return description;
}

}  // namespace intercom
