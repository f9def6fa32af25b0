#include "serial/port_address.h"

#include <cctype>
#include <string_view>

namespace intercom {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

constexpr std::string_view kRfc2217 = "rfc2217://";
constexpr std::string_view kSocket = "socket://";

}  // namespace

bool IsRemotePortName(const std::string& name) {
  return StartsWithNoCase(name, kRfc2217) || StartsWithNoCase(name, kSocket);
}

bool ParsePortAddress(const std::string& name, PortAddress& address, std::string& error) {
  address = PortAddress{};
  if (!IsRemotePortName(name)) return true;
  const bool rfc2217 = StartsWithNoCase(name, kRfc2217);
  const std::string_view rest =
      std::string_view(name).substr(rfc2217 ? kRfc2217.size() : kSocket.size());
  const auto fail = [&](const std::string& why) {
    error = "bad port name '" + name + "': " + why;
    return false;
  };

  std::string_view host;
  std::string_view afterHost;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos) return fail("no ']' after the IPv6 address");
    host = rest.substr(1, close - 1);
    afterHost = rest.substr(close + 1);
  } else {
    const size_t colon = rest.find(':');
    host = rest.substr(0, colon);
    afterHost = colon == std::string_view::npos ? std::string_view() : rest.substr(colon);
    if (afterHost.find(':', 1) != std::string_view::npos) {
      return fail("an IPv6 address goes in brackets, as in rfc2217://[::1]:2000");
    }
  }
  if (host.empty()) return fail("no host before the port");
  if (afterHost.empty() || afterHost.front() != ':') return fail("no ':PORT' after the host");
  const std::string_view digits = afterHost.substr(1);
  if (digits.empty()) return fail("no port number after ':'");
  uint32_t port = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return fail("the port must be a number from 1 to 65535");
    port = port * 10 + static_cast<uint32_t>(c - '0');
    if (port > 65535) return fail("the port must be a number from 1 to 65535");
  }
  if (port == 0) return fail("the port must be a number from 1 to 65535");

  address.scheme = rfc2217 ? PortScheme::Rfc2217 : PortScheme::Socket;
  address.host = std::string(host);
  address.port = static_cast<uint16_t>(port);
  return true;
}

std::string HostAndPort(const PortAddress& address) {
  const bool ipv6 = address.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

}  // namespace intercom
