#include "device/input_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "device/input_error.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;

// Settings files and plans are small; the bound keeps /dev/zero and the like out.
constexpr std::uintmax_t kMaxInputBytes = 1 << 20;

}  // namespace

std::string ReadInputFile(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    if (fs::exists(path, error)) {
      throw InputError(path + ": not a regular file", {InputFault::NotRegularFile, path});
    }
    throw InputError(path + ": no such file", {InputFault::NoSuchFile, path});
  }
  if (fs::file_size(path, error) > kMaxInputBytes) {
    throw InputError(path + ": larger than 1 MiB", {InputFault::TooLarge, path});
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) throw InputError(path + ": cannot be read", {InputFault::Unreadable, path});
  return text.str();
}

}  // namespace intercom
