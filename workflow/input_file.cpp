#include "workflow/input_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "workflow/input_error.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;

// Settings files and plans are small; the bound keeps /dev/zero and the like out.
constexpr std::uintmax_t kMaxInputBytes = 1 << 20;

}  // namespace

std::string ReadInputFile(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    throw InputError(path + ": " +
                     (fs::exists(path, error) ? "not a regular file" : "no such file"));
  }
  if (fs::file_size(path, error) > kMaxInputBytes) {
    throw InputError(path + ": larger than 1 MiB");
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) throw InputError(path + ": cannot be read");
  return text.str();
}

}  // namespace intercom
