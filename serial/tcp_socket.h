// A TCP connection for the network serial ports: non-blocking, with
// TCP_NODELAY, and every wait bounded by a deadline. The platform's sockets
// (BSD sockets on Linux, Winsock on Windows) stay inside tcp_socket.cpp.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#ifndef _WIN32
#include <cerrno>
#endif

#include "serial/host_resolver.h"

namespace intercom {

// System codes the network ports report beside those the calls give.
#ifdef _WIN32
inline constexpr uint32_t kSocketTimedOut = 10060;      // WSAETIMEDOUT
inline constexpr uint32_t kSocketReset = 10054;         // WSAECONNRESET
inline constexpr uint32_t kSocketInvalidValue = 10022;  // WSAEINVAL
inline constexpr uint32_t kSocketNotOpen = 6;           // ERROR_INVALID_HANDLE
#else
inline constexpr uint32_t kSocketTimedOut = ETIMEDOUT;
inline constexpr uint32_t kSocketReset = ECONNRESET;
inline constexpr uint32_t kSocketInvalidValue = EINVAL;
inline constexpr uint32_t kSocketNotOpen = EBADF;
#endif

// Starts Winsock once per process (WSAStartup, never undone: the system ends
// it with the process); nothing on Linux. Every socket call needs it first.
void EnsureSockets();

class TcpSocket {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Wait { Ready, TimedOut, Failed };

  TcpSocket() = default;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  ~TcpSocket() { Close(); }

  // Closes any connection, then tries `addresses` in turn until one
  // connects: Ready. TimedOut when `deadline` passes first, Failed when every
  // address failed (Error() is the last one's: ECONNREFUSED, ...).
  Wait Connect(const std::vector<SocketAddress>& addresses, Clock::time_point deadline);
  bool IsOpen() const;
  void Close();

  // Until something can be received (bytes, or the server's end of the
  // stream) / sent, or `deadline`. Failed when the connection broke.
  Wait WaitReadable(Clock::time_point deadline);
  Wait WaitWritable(Clock::time_point deadline);

  // Move what can be moved now, without waiting; `moved` is 0 when nothing
  // could. False when the connection failed or (Receive) the server closed
  // it: then Error() tells which, and PeerClosed() is true for the latter.
  bool Send(const uint8_t* data, size_t count, size_t& moved);
  bool Receive(uint8_t* data, size_t count, size_t& moved);

  // The system code of the last failure (errno on Linux, a WSA code on
  // Windows); kSocketReset when the server closed the connection.
  uint32_t Error() const { return error_; }
  bool PeerClosed() const { return peerClosed_; }

 private:
  Wait WaitFor(bool write, Clock::time_point deadline);
  bool Fail();

#ifdef _WIN32
  uintptr_t handle_ = ~uintptr_t{0};  // SOCKET; INVALID_SOCKET when closed
#else
  int handle_ = -1;
#endif
  uint32_t error_ = 0;
  bool peerClosed_ = false;
};

}  // namespace intercom
