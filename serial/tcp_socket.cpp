#include "serial/tcp_socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <climits>

namespace intercom {

namespace {

using Clock = TcpSocket::Clock;

// Milliseconds left until `deadline`, rounded up so that a wait never wakes
// just before it and spins; 0 once it has passed.
int MsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(std::min<int64_t>(left.count(), INT_MAX)) : 0;
}

#ifdef _WIN32
using Handle = SOCKET;
constexpr Handle kNoHandle = INVALID_SOCKET;

int LastSocketError() {
  return WSAGetLastError();
}
bool WouldBlock(int error) {
  return error == WSAEWOULDBLOCK || error == WSAEINTR;
}
bool ConnectPending(int error) {
  return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
}
void CloseHandle(Handle handle) {
  closesocket(handle);
}
bool SetNonBlocking(Handle handle) {
  u_long on = 1;
  return ioctlsocket(handle, FIONBIO, &on) == 0;
}
Handle OpenStream(int family) {
  return socket(family, SOCK_STREAM, IPPROTO_TCP);
}
#else
using Handle = int;
constexpr Handle kNoHandle = -1;

int LastSocketError() {
  return errno;
}
bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}
bool ConnectPending(int error) {
  return error == EINPROGRESS || error == EINTR;
}
void CloseHandle(Handle handle) {
  close(handle);
}
bool SetNonBlocking(Handle handle) {
  const int flags = fcntl(handle, F_GETFL);
  return flags >= 0 && fcntl(handle, F_SETFL, flags | O_NONBLOCK) == 0;
}
Handle OpenStream(int family) {
  return socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
}
#endif

// The error a failed connection left on the socket; 0 when none.
int PendingError(Handle handle) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
    return LastSocketError();
  }
  return error;
}

}  // namespace

void EnsureSockets() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
#endif
}

bool TcpSocket::IsOpen() const {
  return handle_ != static_cast<decltype(handle_)>(kNoHandle);
}

void TcpSocket::Close() {
  if (!IsOpen()) return;
  CloseHandle(static_cast<Handle>(handle_));
  handle_ = kNoHandle;
}

bool TcpSocket::Fail() {
  error_ = static_cast<uint32_t>(LastSocketError());
  return false;
}

TcpSocket::Wait TcpSocket::Connect(const std::vector<SocketAddress>& addresses,
                                   Clock::time_point deadline) {
  EnsureSockets();
  Close();
  peerClosed_ = false;
  error_ = kSocketInvalidValue;
  for (const SocketAddress& address : addresses) {
    const Handle handle = OpenStream(address.family);
    if (handle == kNoHandle) {
      Fail();
      continue;
    }
    handle_ = handle;
    const int on = 1;
    // Replies are a few bytes each: sending them at once matters more than
    // filling segments.
    if (!SetNonBlocking(handle) || setsockopt(handle, IPPROTO_TCP, TCP_NODELAY,
                                              reinterpret_cast<const char*>(&on), sizeof on) != 0) {
      Fail();
      Close();
      continue;
    }
    if (connect(handle, reinterpret_cast<const sockaddr*>(address.bytes.data()),
                static_cast<socklen_t>(address.length)) == 0) {
      return Wait::Ready;
    }
    if (!ConnectPending(LastSocketError())) {
      Fail();
      Close();
      continue;
    }
    const Wait wait = WaitFor(true, deadline);
    if (wait == Wait::Ready) {
      const int error = PendingError(handle);
      if (error == 0) return Wait::Ready;
      error_ = static_cast<uint32_t>(error);
    }
    Close();
    if (wait == Wait::TimedOut) {
      error_ = kSocketTimedOut;
      return wait;
    }
  }
  return Wait::Failed;
}

TcpSocket::Wait TcpSocket::WaitReadable(Clock::time_point deadline) {
  return WaitFor(false, deadline);
}

TcpSocket::Wait TcpSocket::WaitWritable(Clock::time_point deadline) {
  return WaitFor(true, deadline);
}

TcpSocket::Wait TcpSocket::WaitFor(bool write, Clock::time_point deadline) {
  if (!IsOpen()) {
    error_ = kSocketNotOpen;
    return Wait::Failed;
  }
  const Handle handle = static_cast<Handle>(handle_);
  for (;;) {
#ifdef _WIN32
    // select(), not WSAPoll(): older WSAPoll() never reports a refused connect.
    fd_set wanted;
    fd_set broken;
    FD_ZERO(&wanted);
    FD_ZERO(&broken);
    FD_SET(handle, &wanted);
    FD_SET(handle, &broken);
    const int ms = MsUntil(deadline);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    // A failed connect shows in the exception set; for a connected socket
    // that set means urgent data, and errors come as readable instead.
    const int ready = select(0, write ? nullptr : &wanted, write ? &wanted : nullptr,
                             write ? &broken : nullptr, &limit);
    if (ready < 0) {
      Fail();
      return Wait::Failed;
    }
    if (ready == 0) return Wait::TimedOut;
    if (FD_ISSET(handle, &broken)) {
      const int error = PendingError(handle);
      error_ = error != 0 ? static_cast<uint32_t>(error) : kSocketReset;
      return Wait::Failed;
    }
    return Wait::Ready;
#else
    pollfd entry{handle, static_cast<short>(write ? POLLOUT : POLLIN), 0};
    const int ready = poll(&entry, 1, MsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      Fail();
      return Wait::Failed;
    }
    if (ready == 0) return Wait::TimedOut;
    if (entry.revents & POLLNVAL) {
      error_ = EBADF;
      return Wait::Failed;
    }
    // Bytes that came before a close are still to be received; recv() then
    // reports the end of the stream.
    if (!write && (entry.revents & (POLLIN | POLLHUP)) && !(entry.revents & POLLERR)) {
      return Wait::Ready;
    }
    if (entry.revents & (POLLERR | POLLHUP)) {
      const int error = PendingError(handle);
      error_ = error != 0 ? static_cast<uint32_t>(error) : kSocketReset;
      return Wait::Failed;
    }
    return Wait::Ready;
#endif
  }
}

bool TcpSocket::Send(const uint8_t* data, size_t count, size_t& moved) {
  moved = 0;
  if (!IsOpen()) {
    error_ = kSocketNotOpen;
    return false;
  }
#ifdef _WIN32
  const int n = send(static_cast<Handle>(handle_), reinterpret_cast<const char*>(data),
                     static_cast<int>(std::min<size_t>(count, INT_MAX)), 0);
#else
  // MSG_NOSIGNAL: a closed connection is an error here, not a SIGPIPE.
  const ssize_t n = send(handle_, data, count, MSG_NOSIGNAL);
#endif
  if (n >= 0) {
    moved = static_cast<size_t>(n);
    return true;
  }
  return WouldBlock(LastSocketError()) || Fail();
}

bool TcpSocket::Receive(uint8_t* data, size_t count, size_t& moved) {
  moved = 0;
  if (!IsOpen()) {
    error_ = kSocketNotOpen;
    return false;
  }
#ifdef _WIN32
  const int n = recv(static_cast<Handle>(handle_), reinterpret_cast<char*>(data),
                     static_cast<int>(std::min<size_t>(count, INT_MAX)), 0);
#else
  const ssize_t n = recv(handle_, data, count, 0);
#endif
  if (n > 0) {
    moved = static_cast<size_t>(n);
    return true;
  }
  if (n == 0 && count > 0) {
    peerClosed_ = true;
    error_ = kSocketReset;
    return false;
  }
  return n == 0 || WouldBlock(LastSocketError()) || Fail();
}

}  // namespace intercom
