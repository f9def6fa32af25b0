// The Telnet byte stream of a COM-port server (rfc2217:// ports): a decoder
// that splits what the server sends into the serial line's bytes and the
// server's commands, the encoder of what the client sends, and the client's
// side of the option negotiation. Pure: no sockets, no clocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace intercom::telnet {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;

inline constexpr uint8_t kBinary = 0;
inline constexpr uint8_t kSuppressGoAhead = 3;
inline constexpr uint8_t kComPortOption = 44;

// The COM port option's requests; the server answers each with its code plus
// kReplyOffset and the value it applied.
inline constexpr uint8_t kSetBaudRate = 1;  // 4-byte big-endian bits per second
inline constexpr uint8_t kSetDataSize = 2;  // 5..8
inline constexpr uint8_t kSetParity = 3;    // 1 none, 2 odd, 3 even, 4 mark, 5 space
inline constexpr uint8_t kSetStopSize = 4;  // 1 one, 2 two, 3 one and a half
inline constexpr uint8_t kSetControl = 5;   // 1 no flow control
inline constexpr uint8_t kPurgeData = 12;   // 3 both directions
inline constexpr uint8_t kReplyOffset = 100;

inline constexpr uint8_t kNoFlowControl = 1;
inline constexpr uint8_t kPurgeBoth = 3;

struct Event {
  enum class Kind : uint8_t { Will, Wont, Do, Dont, ComPortReply };
  Kind kind = Kind::Will;
  // The option for Will..Dont; the reply's code (kSetBaudRate + kReplyOffset,
  // ...) for ComPortReply.
  uint8_t code = 0;
  uint32_t value = 0;  // a reply's value; 0 otherwise
  bool operator==(const Event&) const = default;
};

// Feed it the server's bytes in any pieces: a command split across feeds
// completes in a later one. Rules, for anything a server may send:
// - IAC IAC is one 0xFF data byte; IAC WILL/WONT/DO/DONT x is an event; any
//   other IAC command (NOP, GA, a stray SE, ...) is dropped.
// - IAC SB ... IAC SE is a subnegotiation (IAC IAC inside it one 0xFF). Only
//   the COM port option's replies to the requests above become events, and
//   only with their value's size (4 bytes for the baud rate, 1 otherwise);
//   line and modem state notices, other options and odd sizes are dropped.
// - A subnegotiation that an IAC ends with anything but SE or IAC is dropped,
//   and that IAC starts a command as above.
// - A subnegotiation is dropped once it would pass kMaxSubnegotiation bytes:
//   the byte that would pass it and everything after it are data again, so a
//   server that never ends one cannot swallow the line's bytes for good.
class Decoder {
 public:
  static constexpr size_t kMaxSubnegotiation = 64;

  // Appends the data bytes to `data` and the events to `events`, in order.
  void Feed(const uint8_t* bytes, size_t count, std::vector<uint8_t>& data,
            std::vector<Event>& events);

 private:
  enum class State : uint8_t { Data, Iac, Verb, Sub, SubIac };
  void Command(uint8_t byte, std::vector<uint8_t>& data);
  void Collect(uint8_t byte, std::vector<uint8_t>& data);
  void EndSub(std::vector<Event>& events);

  State state_ = State::Data;
  uint8_t verb_ = 0;
  std::vector<uint8_t> sub_;
};

// `bytes` as data on the wire: each 0xFF doubled.
void AppendData(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count);
// IAC `verb` `option`.
void AppendNegotiation(std::vector<uint8_t>& out, uint8_t verb, uint8_t option);
// IAC SB COM-PORT-OPTION `request` value IAC SE: the value as 4 big-endian
// bytes for kSetBaudRate, its low byte for the others, 0xFF doubled.
void AppendComPortRequest(std::vector<uint8_t>& out, uint8_t request, uint32_t value);

// The client's side of the option negotiation. It offers the COM port option
// and binary transmission both ways with go-ahead suppressed, agrees to those
// and refuses every other option. It answers a request only when the answer
// differs from what it last said for that option and direction, and leaves a
// WONT/DONT for an option it never spoke of unanswered (it is off already), so
// two parties never answer each other in a loop.
class Negotiator {
 public:
  // What the client says first.
  void Start(std::vector<uint8_t>& out);
  // Appends the answer to a server's WILL/WONT/DO/DONT, if one is due.
  void Answer(const Event& event, std::vector<uint8_t>& out);

  // The server's DO (or DONT) for the COM port option, once it came.
  bool ComPortAccepted() const { return comPort_ == kDo; }
  bool ComPortRefused() const { return comPort_ == kDont; }

 private:
  void Say(std::vector<uint8_t>& out, std::array<uint8_t, 256>& said, uint8_t verb, uint8_t option);

  std::array<uint8_t, 256> ours_{};    // WILL or WONT last said per option; 0 before
  std::array<uint8_t, 256> theirs_{};  // DO or DONT last said per option; 0 before
  uint8_t comPort_ = 0;                // the server's last DO or DONT for the COM port option
};

}  // namespace intercom::telnet
