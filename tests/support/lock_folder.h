// A scratch folder for the serial tools' lock files, so that tests never touch
// the system's lock folder. Removed with whatever is left in it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace intercom::testing {

class LockFolder {
 public:
  LockFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "intercom-lock-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~LockFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  LockFolder(const LockFolder&) = delete;
  LockFolder& operator=(const LockFolder&) = delete;

  // Empty when the folder could not be made.
  const std::string& Path() const { return path_; }
  // The lock files in it now.
  int Count() const {
    int count = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
      count += entry.path().filename().string().starts_with("LCK..");
    }
    return count;
  }

 private:
  std::string path_;
};

}  // namespace intercom::testing
