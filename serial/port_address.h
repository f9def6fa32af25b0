// What a port name names: a local device (a tty path, COMn) or a serial port
// served over TCP, written rfc2217://HOST:PORT (a COM-port server speaking
// Telnet with the COM port option) or socket://HOST:PORT (raw bytes; the
// server's line settings as they are). HOST is a name, an IPv4 address or an
// IPv6 address in brackets ("rfc2217://[::1]:2000").
#pragma once

#include <cstdint>
#include <string>

namespace intercom {

enum class PortScheme { Local, Rfc2217, Socket };

struct PortAddress {
  PortScheme scheme = PortScheme::Local;
  std::string host;   // without brackets; empty for a local name
  uint16_t port = 0;  // 1..65535; 0 for a local name
};

// True when `name` starts with "rfc2217://" or "socket://" in any letter case:
// such a name is never a local device, even when the rest is malformed.
bool IsRemotePortName(const std::string& name);

// Splits `name`. Any name that is not remote is Local and never fails. A
// remote one fails, with `error` saying why for a person, when its host is
// empty, its port is missing, not a number, 0 or above 65535, an IPv6 address
// is not in brackets, or anything follows the port.
bool ParsePortAddress(const std::string& name, PortAddress& address, std::string& error);

// "HOST:PORT", IPv6 hosts in brackets, as messages name the server.
std::string HostAndPort(const PortAddress& address);

}  // namespace intercom
