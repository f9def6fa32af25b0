// The COM-port server's byte stream: whatever a server sends, cut wherever
// the network cuts it, the decoder gives the same line bytes and events as a
// plain reading of the whole stream at once, and the negotiator never answers
// the same request twice in a row.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "serial/telnet_codec.h"

namespace {

using intercom::telnet::Decoder;
using intercom::telnet::Event;
namespace telnet = intercom::telnet;

[[noreturn]] void Mismatch(const char* what) {
  __builtin_printf("mismatch: %s\n", what);
  std::abort();
}

struct Decoded {
  std::vector<uint8_t> data;
  std::vector<Event> events;
  bool operator==(const Decoded&) const = default;
};

void Reply(const std::vector<uint8_t>& sub, std::vector<Event>& events) {
  if (sub.size() < 2 || sub[0] != telnet::kComPortOption) return;
  const uint8_t code = sub[1];
  const bool baud = code == 101;
  const bool single = (code >= 102 && code <= 105) || code == 112;
  if (!(baud && sub.size() == 6) && !(single && sub.size() == 3)) return;
  uint32_t value = 0;
  for (size_t i = 2; i < sub.size(); ++i) value = value << 8 | sub[i];
  events.push_back({Event::Kind::ComPortReply, code, value});
}

// The rules of telnet_codec.h read over the whole stream by position; a
// command cut off by the end of the stream gives nothing.
Decoded Reference(const uint8_t* in, size_t n) {
  Decoded out;
  size_t i = 0;
  while (i < n) {
    if (in[i] != telnet::kIac) {
      out.data.push_back(in[i++]);
      continue;
    }
    if (i + 1 >= n) break;
    const uint8_t command = in[i + 1];
    if (command == telnet::kIac) {
      out.data.push_back(command);
      i += 2;
    } else if (command >= telnet::kWill && command <= telnet::kDont) {
      if (i + 2 >= n) break;
      out.events.push_back({static_cast<Event::Kind>(command - telnet::kWill), in[i + 2], 0});
      i += 3;
    } else if (command == telnet::kSb) {
      std::vector<uint8_t> sub;
      size_t j = i + 2;
      for (;;) {
        if (j >= n) return out;
        const bool escaped = in[j] == telnet::kIac;
        if (escaped && j + 1 >= n) return out;
        if (escaped && in[j + 1] == telnet::kSe) {
          Reply(sub, out.events);
          i = j + 2;
          break;
        }
        // Past the limit, or ended by another command: read again as data.
        if ((escaped && in[j + 1] != telnet::kIac) || sub.size() == Decoder::kMaxSubnegotiation) {
          i = j;
          break;
        }
        sub.push_back(in[j]);
        j += escaped ? 2 : 1;
      }
    } else {
      i += 2;
    }
  }
  return out;
}

Decoded InPieces(const uint8_t* in, size_t n, size_t piece) {
  Decoder decoder;
  Decoded out;
  for (size_t at = 0; at < n; at += piece) {
    decoder.Feed(in + at, piece < n - at ? piece : n - at, out.data, out.events);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = data[0] % 16 + 1;
  const uint8_t* stream = data + 1;
  const size_t n = size - 1;

  const Decoded expected = Reference(stream, n);
  if (InPieces(stream, n, n == 0 ? 1 : n) != expected) Mismatch("whole stream");
  if (InPieces(stream, n, 1) != expected) Mismatch("byte by byte");
  if (InPieces(stream, n, piece) != expected) Mismatch("in pieces");

  telnet::Negotiator negotiator;
  std::vector<uint8_t> out;
  negotiator.Start(out);
  for (const Event& event : expected.events) {
    negotiator.Answer(event, out);
    const size_t before = out.size();
    negotiator.Answer(event, out);
    if (out.size() != before) Mismatch("answered the same request twice");
  }
  return 0;
}
