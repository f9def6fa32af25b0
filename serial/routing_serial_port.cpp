#include "serial/routing_serial_port.h"

#include "serial/port_address.h"

namespace intercom {

RoutingSerialPort::RoutingSerialPort(std::unique_ptr<SerialPort> local,
                                     std::unique_ptr<SerialPort> remote)
    : local_(std::move(local)), remote_(std::move(remote)), active_(local_.get()) {}

bool RoutingSerialPort::Open(const std::string& name) {
  active_->Close();
  active_ = IsRemotePortName(name) ? remote_.get() : local_.get();
  return active_->Open(name);
}

}  // namespace intercom
