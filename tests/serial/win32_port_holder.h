// A second process that holds a COM port open, as another program would.
#pragma once

#include <windows.h>

#include <string>

namespace intercom::testing {

// Starts this test program again as the holder of `port`, opened for read and
// write with `shareMode`, and waits until it holds it. The destructor lets it
// go and waits for it to end.
class PortHolder {
 public:
  PortHolder(const std::string& port, DWORD shareMode);
  ~PortHolder();
  PortHolder(const PortHolder&) = delete;
  PortHolder& operator=(const PortHolder&) = delete;

  // True once the holder has the port open; otherwise its open's error is in OpenError.
  bool Holding() const { return holding_; }
  DWORD OpenError() const { return openError_; }

 private:
  PROCESS_INFORMATION process_{};
  HANDLE held_ = nullptr;
  HANDLE release_ = nullptr;
  bool holding_ = false;
  DWORD openError_ = 0;
};

// The holder's side, for main(): `--hold PORT SHARE HELD RELEASE` opens PORT,
// signals the event HELD and keeps the port until RELEASE is signalled (30 s
// at most). Returns the exit code: 0, or the open's error.
int RunPortHolder(int argc, char** argv);

}  // namespace intercom::testing
