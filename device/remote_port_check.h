// The port doctor for a network port (rfc2217://HOST:PORT, socket://HOST:PORT):
// what an open meets, one step at a time, each timed.
#pragma once

#include <string>

#include "device/port_diagnosis.h"
#include "serial/host_resolver.h"
#include "serial/network_serial_port.h"

namespace intercom {

// Checks `name` as an open would: the name itself, the host's resolution
// (its addresses and how long it took), then one connection, which for
// rfc2217 also takes the server's agreement to the COM port option and its
// confirmation of 38400 8N1 (how long both took together); a socket:// port
// is connected only. The first step that fails is the last one checked. The
// connection is closed again; nothing reaches the line. Blocks up to the sum
// of `limits`.
PortDiagnosis CheckRemotePort(const std::string& name, const NetworkLimits& limits = {},
                              const Resolver& resolver = ResolveWithSystem);

}  // namespace intercom
