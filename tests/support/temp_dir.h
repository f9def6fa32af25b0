// A fresh, empty directory under the system's temporary folder, on every platform.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace intercom::testing {

// Creates <temp>/<prefix>-<random>; an empty path if that keeps failing.
inline std::filesystem::path MakeTempDir(const std::string& prefix) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  for (int attempt = 0; attempt < 100 && !error; ++attempt) {
    const std::filesystem::path dir = base / (prefix + "-" + std::to_string(random()));
    if (std::filesystem::create_directory(dir, error)) return dir;
  }
  return {};
}

}  // namespace intercom::testing
