#include "serial/network_serial_port.h"

#include <algorithm>
#include <utility>

namespace intercom {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kChunk = 4096;

uint8_t ParityCode(uint8_t parity) {
  return static_cast<uint8_t>(parity + 1);
}

uint8_t StopSizeCode(uint8_t stopBits) {
  constexpr uint8_t kCodes[] = {1, 3, 2};
  return kCodes[stopBits];
}

// "5 s", or "300 ms" where whole seconds would not say it.
std::string Limit(std::chrono::milliseconds limit) {
  if (limit.count() % 1000 == 0) return std::to_string(limit.count() / 1000) + " s";
  return std::to_string(limit.count()) + " ms";
}

}  // namespace

NetworkSerialPort::NetworkSerialPort(NetworkLimits limits, Resolver resolver)
    : limits_(limits), resolver_(std::move(resolver)) {}

std::string NetworkSerialPort::LastErrorText() const {
  return reason_.empty() ? SystemErrorText(lastError_) : reason_;
}

bool NetworkSerialPort::Fail(uint32_t code, std::string reason) {
  lastError_ = code;
  reason_ = std::move(reason);
  return false;
}

bool NetworkSerialPort::FailConnection() {
  const std::string server = HostAndPort(address_);
  if (socket_.PeerClosed())
    return Fail(socket_.Error(), "connection to " + server + " closed by the server");
  return Fail(socket_.Error(),
              "connection to " + server + " failed: " + SystemErrorText(socket_.Error()));
}

bool NetworkSerialPort::FailOpen(uint32_t code, std::string reason) {
  socket_.Close();
  return Fail(code, std::move(reason));
}

bool NetworkSerialPort::Open(const std::string& name) {
  Close();
  std::string error;
  if (!ParsePortAddress(name, address_, error)) return Fail(kSocketInvalidValue, error);
  if (address_.scheme == PortScheme::Local) {
    return Fail(kSocketInvalidValue, "'" + name + "' is no network port");
  }

  const std::optional<Resolution> resolution =
      ResolveWithin(resolver_, address_.host, address_.port, limits_.resolve);
  const std::string quoted = "'" + address_.host + "'";
  if (!resolution) {
    return Fail(kSocketTimedOut,
                "cannot resolve host " + quoted + ": no answer within " + Limit(limits_.resolve));
  }
  if (resolution->addresses.empty()) {
    return Fail(resolution->error, "cannot resolve host " + quoted + ": " + resolution->text);
  }

  const std::string server = HostAndPort(address_);
  switch (socket_.Connect(resolution->addresses, Clock::now() + limits_.connect)) {
    case TcpSocket::Wait::Ready:
      break;
    case TcpSocket::Wait::TimedOut:
      return Fail(kSocketTimedOut,
                  "no answer from " + server + " within " + Limit(limits_.connect));
    case TcpSocket::Wait::Failed:
      return Fail(socket_.Error(),
                  "cannot connect to " + server + ": " + SystemErrorText(socket_.Error()));
  }
  timeouts_ = kDefaultTimeouts;
  line_ = LineState{};
  if (!Rfc2217()) return true;

  decoder_ = telnet::Decoder{};
  negotiator_ = telnet::Negotiator{};
  const Clock::time_point deadline = Clock::now() + limits_.confirm;
  negotiator_.Start(outgoing_);
  if (!SendQueued(deadline)) return FailOpen(lastError_, reason_);
  while (!negotiator_.ComPortAccepted()) {
    if (negotiator_.ComPortRefused()) {
      return FailOpen(kSocketInvalidValue, server + " refuses the COM port option (RFC 2217)");
    }
    const Pump pump = ReceiveSome(deadline);
    if (pump == Pump::Failed) return FailOpen(lastError_, reason_);
    if (pump == Pump::TimedOut) {
      return FailOpen(kSocketTimedOut, "no answer to the COM port option from " + server +
                                           " within " + Limit(limits_.confirm));
    }
  }
  if (!ApplyLine(kOpenLine, deadline)) return FailOpen(lastError_, reason_);
  return true;
}

void NetworkSerialPort::Close() {
  socket_.Close();
  pending_.clear();
  outgoing_.clear();
}

NetworkSerialPort::Pump NetworkSerialPort::ReceiveSome(Clock::time_point deadline) {
  switch (socket_.WaitReadable(deadline)) {
    case TcpSocket::Wait::Ready:
      break;
    case TcpSocket::Wait::TimedOut:
      return Pump::TimedOut;
    case TcpSocket::Wait::Failed:
      FailConnection();
      return Pump::Failed;
  }
  uint8_t bytes[kChunk];
  size_t count = 0;
  if (!socket_.Receive(bytes, sizeof bytes, count)) {
    FailConnection();
    return Pump::Failed;
  }
  Take(bytes, count);
  // The answers are a few bytes: the socket takes them at once, or they go
  // out before the next bytes sent.
  if (!SendQueued(Clock::now())) return Pump::Failed;
  return Pump::Received;
}

void NetworkSerialPort::Take(const uint8_t* bytes, size_t count) {
  if (!Rfc2217()) {
    pending_.insert(pending_.end(), bytes, bytes + count);
    return;
  }
  events_.clear();
  decoder_.Feed(bytes, count, pending_, events_);
  for (const telnet::Event& event : events_) {
    if (event.kind == telnet::Event::Kind::ComPortReply) {
      replies_[event.code - telnet::kReplyOffset] = event.value;
    } else {
      negotiator_.Answer(event, outgoing_);
    }
  }
}

bool NetworkSerialPort::SendQueued(Clock::time_point deadline) {
  while (!outgoing_.empty()) {
    size_t sent = 0;
    if (!socket_.Send(outgoing_.data(), outgoing_.size(), sent)) return FailConnection();
    outgoing_.erase(outgoing_.begin(), outgoing_.begin() + static_cast<ptrdiff_t>(sent));
    if (outgoing_.empty()) break;
    const TcpSocket::Wait wait = socket_.WaitWritable(deadline);
    if (wait == TcpSocket::Wait::Failed) return FailConnection();
    if (wait == TcpSocket::Wait::TimedOut) break;
  }
  return true;
}

bool NetworkSerialPort::ApplyLine(const LineState& state, Clock::time_point deadline) {
  struct Request {
    uint8_t code;
    uint32_t value;
    const char* what;
  };
  const Request requests[] = {
      {telnet::kSetBaudRate, state.BaudRate, "baud rate"},
      {telnet::kSetDataSize, state.ByteSize, "data size"},
      {telnet::kSetParity, ParityCode(state.Parity), "parity"},
      {telnet::kSetStopSize, StopSizeCode(state.StopBits), "stop size"},
      {telnet::kSetControl, telnet::kNoFlowControl, "flow control"},
  };
  std::fill(std::begin(replies_), std::end(replies_), -1);
  for (const Request& request : requests) {
    telnet::AppendComPortRequest(outgoing_, request.code, request.value);
  }
  if (!SendQueued(deadline)) return false;

  const std::string server = HostAndPort(address_);
  for (const Request& request : requests) {
    while (replies_[request.code] < 0) {
      const Pump pump = ReceiveSome(deadline);
      if (pump == Pump::Failed) return false;
      if (pump == Pump::TimedOut) {
        return Fail(kSocketTimedOut, "no confirmation of the line settings from " + server +
                                         " within " + Limit(limits_.confirm));
      }
    }
    // Servers answer the flow control request with their own codes for it.
    const int64_t confirmed = replies_[request.code];
    if (request.code != telnet::kSetControl && confirmed != request.value) {
      return Fail(kSocketInvalidValue, server + " set the " + request.what + " to code " +
                                           std::to_string(confirmed) + " instead of " +
                                           std::to_string(request.value));
    }
  }
  line_.BaudRate = state.BaudRate;
  line_.ByteSize = state.ByteSize;
  line_.Parity = state.Parity;
  line_.StopBits = state.StopBits;
  return true;
}

bool NetworkSerialPort::GetState(LineState& state) {
  if (!IsOpen()) return Fail(kSocketNotOpen);
  state = line_;
  return true;
}

bool NetworkSerialPort::SetState(const LineState& state) {
  if (!IsOpen()) return Fail(kSocketNotOpen);
  if (state.ByteSize < 5 || state.ByteSize > 8 || state.Parity > 4 || state.StopBits > 2) {
    return Fail(kSocketInvalidValue);
  }
  if (Rfc2217()) {
    if (state.BaudRate == 0) return Fail(kSocketInvalidValue);
    if (!ApplyLine(state, Clock::now() + limits_.confirm)) return false;
  }
  line_ = state;
  return true;
}

bool NetworkSerialPort::GetTimeouts(CommTimeouts& timeouts) {
  if (!IsOpen()) return Fail(kSocketNotOpen);
  timeouts = timeouts_;
  return true;
}

bool NetworkSerialPort::SetTimeouts(const CommTimeouts& timeouts) {
  if (!IsOpen()) return Fail(kSocketNotOpen);
  timeouts_ = timeouts;
  return true;
}

bool NetworkSerialPort::Purge() {
  if (!IsOpen()) return Fail(kSocketNotOpen);
  // Only what has already arrived: a server that keeps sending must not keep
  // the purge going.
  uint8_t bytes[kChunk];
  for (size_t drained = 0; drained < 16 * kChunk;) {
    size_t count = 0;
    if (!socket_.Receive(bytes, sizeof bytes, count)) return FailConnection();
    if (count == 0) break;
    Take(bytes, count);
    drained += count;
  }
  pending_.clear();
  if (Rfc2217()) telnet::AppendComPortRequest(outgoing_, telnet::kPurgeData, telnet::kPurgeBoth);
  return SendQueued(Clock::now());
}

bool NetworkSerialPort::Write(const uint8_t* data, size_t count, size_t& written) {
  written = 0;
  if (!IsOpen()) return Fail(kSocketNotOpen);
  const Clock::time_point deadline =
      Clock::now() +
      std::chrono::milliseconds(TotalBoundMs(timeouts_.WriteTotalTimeoutMultiplier,
                                             timeouts_.WriteTotalTimeoutConstant, count));
  std::vector<uint8_t> wire;
  while (written < count) {
    if (!SendQueued(deadline)) return false;
    if (!outgoing_.empty()) break;
    const TcpSocket::Wait wait = socket_.WaitWritable(deadline);
    if (wait == TcpSocket::Wait::Failed) return FailConnection();
    if (wait == TcpSocket::Wait::TimedOut) break;
    const size_t take = std::min(count - written, kChunk);
    wire.clear();
    if (Rfc2217()) {
      telnet::AppendData(wire, data + written, take);
    } else {
      wire.assign(data + written, data + written + take);
    }
    size_t sent = 0;
    if (!socket_.Send(wire.data(), wire.size(), sent)) return FailConnection();
    // Count the line's bytes whose wire form went out; a doubled 0xFF cut in
    // two is finished before anything else is sent.
    for (size_t onWire = 0; onWire < sent; ++written) {
      const size_t size = Rfc2217() && data[written] == telnet::kIac ? 2 : 1;
      if (onWire + size > sent) outgoing_.push_back(telnet::kIac);
      onWire += size;
    }
  }
  return true;
}

bool NetworkSerialPort::Read(uint8_t* data, size_t count, size_t& received) {
  received = 0;
  if (!IsOpen()) return Fail(kSocketNotOpen);
  const Clock::time_point start = Clock::now();
  const Clock::time_point totalDeadline =
      start + std::chrono::milliseconds(TotalBoundMs(timeouts_.ReadTotalTimeoutMultiplier,
                                                     timeouts_.ReadTotalTimeoutConstant, count));
  const auto interval = std::chrono::milliseconds(timeouts_.ReadIntervalTimeout);
  Clock::time_point lastByte = start;
  const auto takePending = [&] {
    const size_t n = std::min(count - received, pending_.size());
    std::copy_n(pending_.begin(), n, data + received);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(n));
    received += n;
  };
  takePending();
  while (received < count) {
    Clock::time_point deadline = totalDeadline;
    if (received > 0 && interval.count() > 0) deadline = std::min(deadline, lastByte + interval);
    const Pump pump = ReceiveSome(deadline);
    if (pump == Pump::Failed) return false;
    if (pump == Pump::TimedOut) break;
    // Only the line's bytes count as bytes for the interval, not the
    // server's notices.
    if (!pending_.empty()) {
      lastByte = Clock::now();
      takePending();
    } else if (Clock::now() >= deadline) {
      break;
    }
  }
  return true;
}

}  // namespace intercom
