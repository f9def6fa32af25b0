// A serial port served over TCP: rfc2217://HOST:PORT (a COM-port server
// speaking Telnet with the COM port option, which sets the line) or
// socket://HOST:PORT (the line's bytes as they are, at whatever settings the
// server gave the line). Every wait has a deadline: an open ends within
// resolve + connect + confirm limits (13 s with the defaults), any other
// call within its time-outs and never past kMaxBlockMs, except SetState on an
// rfc2217 port, which waits up to the confirm limit. Nothing is retried: a
// connection refused, reset or closed by the server is a failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/host_resolver.h"
#include "serial/port_address.h"
#include "serial/serial_port.h"
#include "serial/tcp_socket.h"
#include "serial/telnet_codec.h"

namespace intercom {

struct NetworkLimits {
  // Finding the host's addresses.
  std::chrono::milliseconds resolve{5000};
  // Connecting, over all of the host's addresses together.
  std::chrono::milliseconds connect{5000};
  // rfc2217 only: the server's agreement to the COM port option and its
  // confirmation of the line settings, together, at the open; the
  // confirmation alone at each SetState.
  std::chrono::milliseconds confirm{3000};
};

class NetworkSerialPort final : public SerialPort {
 public:
  // Time-outs after an open, as on the local ports: reads end 10 ms after the
  // last byte or 50 ms after they began; a write of n bytes may take n ms.
  static constexpr CommTimeouts kDefaultTimeouts{10, 0, 50, 1, 0};
  // The line an rfc2217 port is set to at its open: 38400 8N1.
  static constexpr LineState kOpenLine{38400, 8, 0, 0, 0, 0, 0};

  // `resolver` finds the host (ResolveWithSystem for the programs); it runs
  // on a worker and may block, the open waits for it only up to the limit.
  explicit NetworkSerialPort(NetworkLimits limits = {}, Resolver resolver = ResolveWithSystem);
  NetworkSerialPort(const NetworkSerialPort&) = delete;
  NetworkSerialPort& operator=(const NetworkSerialPort&) = delete;
  ~NetworkSerialPort() override = default;

  // `name` as port_address.h reads it; a local or malformed name fails with
  // EINVAL (WSAEINVAL on Windows). Resolves the host, connects, and for
  // rfc2217 offers the options, waits for the server's DO of the COM port
  // option and sets kOpenLine with no flow control as SetState does. A name
  // not resolved or a server not answering in time fails with ETIMEDOUT
  // (WSAETIMEDOUT); otherwise the system's code (ECONNREFUSED, ...).
  bool Open(const std::string& name) override;
  bool IsOpen() const override { return socket_.IsOpen(); }
  void Close() override;

  // rfc2217: SetState sends baud rate, data size, parity, stop bits and "no
  // flow control" (Flags are only kept) and succeeds once the server has
  // confirmed each with the value asked for; a different value or none
  // within the confirm limit fails (EINVAL / ETIMEDOUT), and GetState gives
  // the line as last confirmed. Parity 0..4 (none, odd, even, mark, space),
  // StopBits 0, 1, 2 (one, one and a half, two), ByteSize 5..8; other values
  // fail with EINVAL. socket: both only keep the values (BaudRate 0 until
  // set: the server's settings are not known here).
  bool GetState(LineState& state) override;
  bool SetState(const LineState& state) override;
  bool GetTimeouts(CommTimeouts& timeouts) override;
  bool SetTimeouts(const CommTimeouts& timeouts) override;
  // Drops the bytes received and not yet read, here and in the socket; on
  // rfc2217 also asks the server to purge both directions (unconfirmed).
  bool Purge() override;
  // As PosixSerialPort: a time-out is a success with fewer bytes; the counts
  // are the line's bytes (a 0xFF is sent doubled on rfc2217 and counts once).
  bool Write(const uint8_t* data, size_t count, size_t& written) override;
  bool Read(uint8_t* data, size_t count, size_t& received) override;

  // errno on Linux, a WSA code on Windows.
  uint32_t LastError() const override { return lastError_; }
  // What failed, naming the server: "cannot resolve host 'x': Name or
  // service not known", "cannot connect to 127.0.0.1:2000: Connection
  // refused", "no answer from 10.1.2.3:2000 within 5 s", "connection to
  // 127.0.0.1:2000 closed by the server", ...
  std::string LastErrorText() const override;

 private:
  using Clock = std::chrono::steady_clock;
  enum class Pump { Received, TimedOut, Failed };

  bool Fail(uint32_t code, std::string reason = {});
  bool FailConnection();
  bool FailOpen(uint32_t code, std::string reason);
  bool Rfc2217() const { return address_.scheme == PortScheme::Rfc2217; }
  // Waits for the socket until `deadline`, then takes in what came: line
  // bytes into pending_, the server's commands answered and its replies kept.
  Pump ReceiveSome(Clock::time_point deadline);
  void Take(const uint8_t* bytes, size_t count);
  // Sends outgoing_ until it is empty or `deadline` passes; false on failure.
  bool SendQueued(Clock::time_point deadline);
  // Sends the line settings and waits until `deadline` for the server's
  // confirmation of each.
  bool ApplyLine(const LineState& state, Clock::time_point deadline);

  NetworkLimits limits_;
  Resolver resolver_;
  PortAddress address_;
  TcpSocket socket_;
  telnet::Decoder decoder_;
  telnet::Negotiator negotiator_;
  std::vector<uint8_t> pending_;   // line bytes received, not yet read
  std::vector<uint8_t> outgoing_;  // bytes due to the server before any other
  std::vector<telnet::Event> events_;
  // The server's last reply per request code since the requests were sent;
  // -1 while none came.
  int64_t replies_[telnet::kPurgeData + 1] = {};
  LineState line_;
  CommTimeouts timeouts_{};
  uint32_t lastError_ = 0;
  std::string reason_;
};

}  // namespace intercom
