// Reading COM.ini: whatever the file holds, the port name is its first line
// (up to LF, a CR before the LF dropped) within the first 64 KiB, and the
// file is left as it was; a name saved is read back unchanged.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "controller/port_choice.h"
#include "panel/handler_failure.h"

namespace {

[[noreturn]] void Mismatch(const char* what) {
  __builtin_printf("mismatch: %s\n", what);
  std::abort();
}

// One scratch folder for the whole run, removed at exit.
const std::string& ScratchFile() {
  static const std::string path = [] {
    // Memory-backed where there is one: every save syncs its file.
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "intercom-fuzz-com-ini-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    static std::string folder = pattern;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
    return pattern + "/COM.ini";
  }();
  return path;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string ExpectedName(const std::string& content) {
  std::string name;
  for (size_t i = 0; i < content.size() && i < 64 * 1024; ++i) {
    if (content[i] == '\n') {
      if (!name.empty() && name.back() == '\r') name.pop_back();
      return name;
    }
    name += content[i];
  }
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScratchFile();
  const std::string content(reinterpret_cast<const char*>(data), size);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;

  intercom::SessionState state;
  try {
    intercom::LoadPortChoice(state, {"/dev/ttyS0"}, path);
  } catch (const intercom::FileIoFailure&) {
    Mismatch("a regular file failed to read");
  }
  if (state.PortName != ExpectedName(content)) Mismatch("port name");
  if (Contents(path) != content) Mismatch("an existing file was rewritten");

  // What is saved comes back, whatever bytes the name holds besides LF.
  state.PortName = content.substr(0, std::min(content.find('\n'), size_t{4096}));
  const std::string saved = state.PortName;
  try {
    intercom::SavePortChoice(state, path);
    intercom::LoadPortChoice(state, {}, path);
  } catch (const intercom::FileIoFailure&) {
    Mismatch("saving failed");
  }
  if (state.PortName != saved) Mismatch("saved name read back differently");
  if (Contents(path) != saved + "\r\n") Mismatch("saved file");
  return 0;
}
