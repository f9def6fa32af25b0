#include "serial/telnet_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace intercom::telnet {
namespace {

using Bytes = std::vector<uint8_t>;
using Kind = Event::Kind;

struct Decoded {
  Bytes data;
  std::vector<Event> events;
  bool operator==(const Decoded&) const = default;
};

Decoded DecodeInPieces(const Bytes& wire, size_t first, size_t piece) {
  Decoder decoder;
  Decoded out;
  decoder.Feed(wire.data(), first, out.data, out.events);
  for (size_t at = first; at < wire.size(); at += piece) {
    decoder.Feed(wire.data() + at, std::min(piece, wire.size() - at), out.data, out.events);
  }
  return out;
}

TEST(TelnetDecoder, SplitsDataFromCommandsWhereverTheStreamIsCut) {
  const Bytes wire = {'a',
                      kIac,
                      kIac,
                      kIac,
                      kWill,
                      kBinary,
                      'b',
                      kIac,
                      kSb,
                      kComPortOption,
                      101,
                      0,
                      0,
                      0x96,
                      0,
                      kIac,
                      kSe,
                      kIac,
                      241 /*NOP*/,
                      kIac,
                      kDont,
                      24,
                      kIac,
                      kSb,
                      kComPortOption,
                      102,
                      8,
                      kIac,
                      kSe,
                      kIac,
                      kSb,
                      kComPortOption,
                      103,
                      kIac,
                      kIac,
                      kIac,
                      kSe,
                      'c'};
  const Decoded whole = DecodeInPieces(wire, wire.size(), 1);
  const Decoded expected{{'a', 0xFF, 'b', 'c'},
                         {{Kind::Will, kBinary, 0},
                          {Kind::ComPortReply, 101, 38400},
                          {Kind::Dont, 24, 0},
                          {Kind::ComPortReply, 102, 8},
                          {Kind::ComPortReply, 103, 0xFF}}};
  EXPECT_EQ(whole, expected);
  for (size_t first = 0; first <= wire.size(); ++first) {
    EXPECT_EQ(DecodeInPieces(wire, first, wire.size()), expected) << "cut at " << first;
  }
  EXPECT_EQ(DecodeInPieces(wire, 0, 1), expected);
}

TEST(TelnetDecoder, DropsNoticesUnknownOptionsAndOddRepliesKeepingTheData) {
  Bytes wire;
  for (int i = 0; i < 10000; ++i) {
    wire.insert(wire.end(), {kIac, kSb, kComPortOption, 107, 0x30, kIac, kSe, 'x'});
  }
  const Bytes others = {kIac, kSb,  24,
                        1,    kIac, kSe,  // terminal type
                        kIac, kSb,  kComPortOption,
                        101,  1,    kIac,
                        kSe,  // a baud rate of 1 byte
                        kIac, kSb,  kComPortOption,
                        150,  1,    kIac,
                        kSe,  // no such reply
                        kIac, kSb,  kIac,
                        kSe,  kIac, kSe,
                        kIac, 200,  'y'};  // empty, stray SE, odd
  wire.insert(wire.end(), others.begin(), others.end());
  const Decoded decoded = DecodeInPieces(wire, 0, 7);
  EXPECT_TRUE(decoded.events.empty());
  ASSERT_EQ(decoded.data.size(), 10001u);
  EXPECT_EQ(decoded.data.back(), 'y');
  EXPECT_EQ(std::count(decoded.data.begin(), decoded.data.end(), 'x'), 10000);
}

TEST(TelnetDecoder, ASubnegotiationThatNeverEndsGivesTheDataBackPastItsLimit) {
  Bytes wire = {kIac, kSb};
  wire.insert(wire.end(), Decoder::kMaxSubnegotiation, 'z');
  wire.insert(wire.end(), {'o', 'k', kIac, kIac});
  EXPECT_EQ(DecodeInPieces(wire, 0, 5).data, (Bytes{'o', 'k', 0xFF}));

  // An IAC with anything but SE ends it too, and counts as a command.
  const Bytes unended = {kIac, kSb, kComPortOption, 101, kIac, kWill, 3, 'd'};
  const Decoded decoded = DecodeInPieces(unended, 0, 1);
  EXPECT_EQ(decoded.data, Bytes{'d'});
  EXPECT_EQ(decoded.events, (std::vector<Event>{{Kind::Will, 3, 0}}));
}

TEST(TelnetEncoder, DoublesIacSoEveryByteValueComesBackAsSent) {
  Bytes all;
  for (int value = 0; value < 256; ++value) all.push_back(static_cast<uint8_t>(value));
  Bytes wire;
  AppendData(wire, all.data(), all.size());
  EXPECT_EQ(wire.size(), 257u);
  EXPECT_EQ(DecodeInPieces(wire, 0, 3).data, all);

  Bytes request;
  AppendComPortRequest(request, kSetBaudRate, 38400);
  AppendComPortRequest(request, kPurgeData, kPurgeBoth);
  AppendComPortRequest(request, kSetBaudRate, 0x0001FFFF);
  EXPECT_EQ(request,
            (Bytes{kIac, kSb, 44,   1,   0,  0, 0x96, 0, kIac, kSe,  kIac, kSb,  44,   12, 3,
                   kIac, kSe, kIac, kSb, 44, 1, 0,    1, 0xFF, 0xFF, 0xFF, 0xFF, kIac, kSe}));
}

TEST(TelnetNegotiator, OffersItsOptionsAgreesToThemAndAnswersEachChangeOnce) {
  Negotiator negotiator;
  Bytes out;
  negotiator.Start(out);
  EXPECT_EQ(out,
            (Bytes{kIac, kWill, 44, kIac, kWill, 0, kIac, kDo, 0, kIac, kWill, 3, kIac, kDo, 3}));
  const auto answer = [&](Kind kind, uint8_t option) {
    Bytes said;
    negotiator.Answer({kind, option, 0}, said);
    return said;
  };
  EXPECT_EQ(answer(Kind::Do, kComPortOption), Bytes{});
  EXPECT_TRUE(negotiator.ComPortAccepted());
  EXPECT_EQ(answer(Kind::Will, kBinary), Bytes{});
  EXPECT_EQ(answer(Kind::Do, 24), (Bytes{kIac, kWont, 24}));
  EXPECT_EQ(answer(Kind::Do, 24), Bytes{});
  EXPECT_EQ(answer(Kind::Will, 1), (Bytes{kIac, kDont, 1}));
  EXPECT_EQ(answer(Kind::Will, 1), Bytes{});
  EXPECT_EQ(answer(Kind::Dont, 99), Bytes{});
  EXPECT_EQ(answer(Kind::Wont, 99), Bytes{});
  EXPECT_EQ(answer(Kind::Wont, kSuppressGoAhead), (Bytes{kIac, kDont, 3}));
  EXPECT_EQ(answer(Kind::Dont, kComPortOption), (Bytes{kIac, kWont, 44}));
  EXPECT_TRUE(negotiator.ComPortRefused());
}

}  // namespace
}  // namespace intercom::telnet
