// The port the programs open by name: a local device through the platform's
// port, an rfc2217:// or socket:// name through the network port
// (port_address.h), chosen anew at each Open.
#pragma once

#include <memory>
#include <string>

#include "serial/serial_port.h"

namespace intercom {

class RoutingSerialPort final : public SerialPort {
 public:
  // Both ports closed. Until an open picks one, calls go to `local`.
  RoutingSerialPort(std::unique_ptr<SerialPort> local, std::unique_ptr<SerialPort> remote);

  // Closes whichever port is open, then opens `name` with the network port
  // when IsRemotePortName says so (a malformed one fails there, with the
  // reason), with the local one otherwise. Every other call, LastError and
  // LastErrorText among them, goes to the port the last open chose.
  bool Open(const std::string& name) override;
  bool IsOpen() const override { return active_->IsOpen(); }
  void Close() override { active_->Close(); }
  bool GetState(LineState& state) override { return active_->GetState(state); }
  bool SetState(const LineState& state) override { return active_->SetState(state); }
  bool GetTimeouts(CommTimeouts& timeouts) override { return active_->GetTimeouts(timeouts); }
  bool SetTimeouts(const CommTimeouts& timeouts) override { return active_->SetTimeouts(timeouts); }
  bool Purge() override { return active_->Purge(); }
  bool Write(const uint8_t* data, size_t count, size_t& written) override {
    return active_->Write(data, count, written);
  }
  bool Read(uint8_t* data, size_t count, size_t& received) override {
    return active_->Read(data, count, received);
  }
  uint32_t LastError() const override { return active_->LastError(); }
  std::string LastErrorText() const override { return active_->LastErrorText(); }

 private:
  std::unique_ptr<SerialPort> local_;
  std::unique_ptr<SerialPort> remote_;
  SerialPort* active_;
};

}  // namespace intercom
