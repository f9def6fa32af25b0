#include "serial/host_resolver.h"

#include "serial/tcp_socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cerrno>
#endif

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/serial_port.h"

namespace intercom {

Resolution ResolveWithSystem(const std::string& host, uint16_t port) {
  EnsureSockets();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  Resolution resolution;
  if (status != 0) {
#ifdef _WIN32
    resolution.error = static_cast<uint32_t>(status);
    resolution.text = SystemErrorText(resolution.error);
#else
    resolution.error = static_cast<uint32_t>(status == EAI_SYSTEM ? errno : EHOSTUNREACH);
    resolution.text =
        status == EAI_SYSTEM ? SystemErrorText(resolution.error) : gai_strerror(status);
#endif
    return resolution;
  }
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    SocketAddress address;
    if (entry->ai_addrlen > address.bytes.size()) continue;
    address.family = entry->ai_family;
    address.length = static_cast<uint32_t>(entry->ai_addrlen);
    std::memcpy(address.bytes.data(), entry->ai_addr, entry->ai_addrlen);
    resolution.addresses.push_back(address);
  }
  freeaddrinfo(found);
  return resolution;
}

std::optional<Resolution> ResolveWithin(const Resolver& resolver, const std::string& host,
                                        uint16_t port, std::chrono::milliseconds limit) {
  // Shared with the worker, which may outlive this call.
  struct Answer {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Resolution> resolution;
  };
  const auto answer = std::make_shared<Answer>();
  std::thread([answer, resolver, host, port] {
    Resolution resolution = resolver(host, port);
    const std::lock_guard<std::mutex> lock(answer->mutex);
    answer->resolution = std::move(resolution);
    answer->done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(answer->mutex);
  answer->done.wait_for(lock, limit, [&] { return answer->resolution.has_value(); });
  return answer->resolution;
}

}  // namespace intercom
