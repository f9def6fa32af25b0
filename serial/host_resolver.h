// Finding the addresses of a COM-port server's host name, within a time
// limit: the system's resolver may block for as long as its DNS servers take.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace intercom {

// One address to connect to, as the system's resolver gave it (a sockaddr of
// `length` bytes in `bytes`).
struct SocketAddress {
  int family = 0;
  uint32_t length = 0;
  std::array<unsigned char, 128> bytes{};
};

struct Resolution {
  std::vector<SocketAddress> addresses;  // TCP addresses, in the resolver's order; empty on failure
  uint32_t error = 0;  // on failure, a system code: errno on Linux, a WSA code on Windows
  std::string text;    // on failure, the resolver's reason ("Name or service not known")
};

// Any function that resolves; it may block.
using Resolver = std::function<Resolution(const std::string& host, uint16_t port)>;

// getaddrinfo() for TCP. Blocks as long as the system does. On Linux a
// resolver failure that is no system error (EAI_NONAME, ...) has error
// EHOSTUNREACH and the resolver's own text.
Resolution ResolveWithSystem(const std::string& host, uint16_t port);

// `resolver`'s answer, or nothing when it has not answered within `limit`.
// It runs on a worker thread of its own, left to finish by itself when the
// limit passes (its answer is then dropped): a resolver that never returns
// keeps one thread and what it captured, nothing of the caller's.
std::optional<Resolution> ResolveWithin(const Resolver& resolver, const std::string& host,
                                        uint16_t port, std::chrono::milliseconds limit);

}  // namespace intercom
