#include "tests/serial/win32_port_holder.h"

#include <cstdlib>
#include <vector>

namespace intercom::testing {
namespace {

constexpr DWORD kWaitMs = 30000;

std::string UniqueName(const char* role) {
  static int counter = 0;
  return "Local\\intercom-port-holder-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++counter) + "-" + role;
}

}  // namespace

PortHolder::PortHolder(const std::string& port, DWORD shareMode) {
  const std::string heldName = UniqueName("held");
  const std::string releaseName = UniqueName("release");
  held_ = CreateEventA(nullptr, TRUE, FALSE, heldName.c_str());
  release_ = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = "\"" + std::string(self) + "\" --hold " + port + " " +
                        std::to_string(shareMode) + " " + heldName + " " + releaseName;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process_)) {
    openError_ = GetLastError();
    return;
  }
  // Either the holder has the port, or it has ended with the open's error.
  const HANDLE either[] = {held_, process_.hProcess};
  const DWORD which = WaitForMultipleObjects(2, either, FALSE, kWaitMs);
  if (which == WAIT_OBJECT_0) {
    holding_ = true;
  } else if (which == WAIT_OBJECT_0 + 1) {
    GetExitCodeProcess(process_.hProcess, &openError_);
  }
}

PortHolder::~PortHolder() {
  SetEvent(release_);
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, kWaitMs) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  CloseHandle(held_);
  CloseHandle(release_);
}

int RunPortHolder(int argc, char** argv) {
  if (argc != 6) return 87;  // ERROR_INVALID_PARAMETER
  const DWORD share = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  const HANDLE port = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  const HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[4]);
  const HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[5]);
  SetEvent(held);
  WaitForSingleObject(release, kWaitMs);
  CloseHandle(port);
  return 0;
}

}  // namespace intercom::testing
