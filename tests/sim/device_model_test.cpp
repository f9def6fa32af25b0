#include "sim/device_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

namespace intercom {

std::string KindText(DeviceKind kind);
// Keeps the listed test names short.
void PrintTo(DeviceKind kind, std::ostream* os) {
  *os << KindText(kind);
}

namespace {

RequestFrame Request(DeviceKind kind, CommandCode command, const Payload& payload = {}) {
  RequestFrame frame{kFrameSync0, kFrameSync1, static_cast<uint8_t>(kind),
                     static_cast<uint8_t>(command), kPayloadLength};
  std::copy(payload.begin(), payload.end(), frame.begin() + kPayloadOffset);
  return frame;
}

// Every code the model stores: its kind's settings and the ones every kind has.
std::map<std::string, uint8_t> Codes(const DeviceModel& model) {
  std::map<std::string, uint8_t> codes;
  for (const SettingEntry& setting : StandardCatalogue().Find(model.Kind())->settings) {
    codes[setting.name] = model.Code(setting.name);
  }
  for (const char* common : {"tally", "studio", "device_address"}) {
    codes[common] = model.Code(common);
  }
  return codes;
}

// The payload of the reply; fails the test when there is no reply.
Payload Ask(DeviceModel& model, CommandCode command, const Payload& payload = {}) {
  const auto reply = model.Answer(Request(model.Kind(), command, payload));
  EXPECT_TRUE(reply.has_value());
  Payload out{};
  if (reply) std::copy_n(reply->begin() + kPayloadOffset, kPayloadLength, out.begin());
  return out;
}

}  // namespace

std::string KindText(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::SubscriberSet:
      return "SubscriberSet";
    case DeviceKind::Splitter:
      return "Splitter";
    case DeviceKind::BeltPack:
      return "BeltPack";
    case DeviceKind::Switch:
      return "Switch";
    default:
      return "Other";
  }
}

namespace {

std::string KindName(const ::testing::TestParamInfo<DeviceKind>& info) {
  return KindText(info.param);
}

const auto kAllKinds = ::testing::Values(DeviceKind::SubscriberSet, DeviceKind::Splitter,
                                         DeviceKind::BeltPack, DeviceKind::Switch);

class EveryKind : public ::testing::TestWithParam<DeviceKind> {
 protected:
  DeviceModel model{GetParam()};
};

TEST_P(EveryKind, ReplyEchoesHeaderAndEndsWithZero) {
  const RequestFrame request = Request(GetParam(), CommandCode::ReadDeviceAddress);
  const auto reply = model.Answer(request);
  ASSERT_TRUE(reply.has_value());
  EXPECT_TRUE(std::equal(request.begin(), request.begin() + kPayloadOffset, reply->begin()));
  EXPECT_EQ((*reply)[kReplyLength - 1], 0);
}

TEST_P(EveryKind, RequestsForOtherKindsGetNoReplyAndChangeNothing) {
  const std::map<std::string, uint8_t> before = Codes(model);
  Payload payload;
  payload.fill(0x3F);
  for (int other = 0; other <= 5; ++other) {
    if (other == static_cast<int>(GetParam())) continue;
    const auto kind = static_cast<DeviceKind>(other);
    EXPECT_FALSE(model.Answer(Request(kind, CommandCode::Probe)).has_value()) << other;
    EXPECT_FALSE(model.Answer(Request(kind, CommandCode::WriteSettings, payload)).has_value());
    EXPECT_FALSE(model.Answer(Request(kind, CommandCode::WriteDeviceAddress, payload)).has_value());
  }
  EXPECT_EQ(Codes(model), before);
}

TEST_P(EveryKind, FrameWithoutSyncOrWithUnknownCommandGetsNoReply) {
  RequestFrame swapped = Request(GetParam(), CommandCode::Probe);
  std::swap(swapped[0], swapped[1]);
  EXPECT_FALSE(model.Answer(swapped).has_value());

  RequestFrame unknown = Request(GetParam(), CommandCode::Probe);
  unknown[3] = 12;
  EXPECT_FALSE(model.Answer(unknown).has_value());
  unknown[3] = 0;
  EXPECT_FALSE(model.Answer(unknown).has_value());
}

TEST_P(EveryKind, DeviceAddressReadsBackByteForByte) {
  // 0x9C is no valid address code: the device keeps raw bytes, not numbers.
  for (const uint8_t code : {uint8_t{0x9C}, EncodeAddress(32), uint8_t{0x00}}) {
    Payload write{};
    write[0] = code;
    EXPECT_EQ(Ask(model, CommandCode::WriteDeviceAddress, write), Payload{});
    EXPECT_EQ(Ask(model, CommandCode::ReadDeviceAddress)[0], code);
  }
}

TEST_P(EveryKind, SettingsReadBackOnlyInTheKindsSlots) {
  Payload write;
  for (int i = 0; i < kPayloadLength; ++i) write[i] = static_cast<uint8_t>(0x21 + 3 * i);
  EXPECT_EQ(Ask(model, CommandCode::WriteSettings, write), Payload{});

  // The kind's address settings, each at its payload byte: 10, 1, 1, 4 of them.
  Payload expected{};
  int count = 0;
  for (const SettingEntry& setting : StandardCatalogue().Find(GetParam())->settings) {
    if (setting.encoding != Encoding::Address) continue;
    const auto slot = static_cast<size_t>(setting.payloadByte);
    expected[slot] = write[slot];
    EXPECT_EQ(model.Code(setting.name), write[slot]) << setting.name;
    ++count;
  }
  const std::map<DeviceKind, int> counts = {{DeviceKind::SubscriberSet, 10},
                                            {DeviceKind::Splitter, 1},
                                            {DeviceKind::BeltPack, 1},
                                            {DeviceKind::Switch, 4}};
  EXPECT_EQ(count, counts.at(GetParam()));
  EXPECT_EQ(Ask(model, CommandCode::ReadSettings), expected);
}

TEST_P(EveryKind, ProbeAndWritesAnswerWithZeroPayload) {
  Payload payload;
  payload.fill(0x2A);
  for (const CommandCode command : {CommandCode::Probe, CommandCode::WriteStudioMode,
                                    CommandCode::WriteTallyAddress, CommandCode::SetLevel}) {
    EXPECT_EQ(Ask(model, command, payload), Payload{}) << static_cast<int>(command);
  }
}

TEST_P(EveryKind, StudioModeReadsBackAsWritten) {
  for (const uint8_t flag : {kStudioOn, kStudioOff}) {
    Ask(model, CommandCode::WriteStudioMode, Payload{flag});
    EXPECT_EQ(Ask(model, CommandCode::ReadStudioMode)[0], flag);
  }
}

TEST_P(EveryKind, StudioResetOptionAlwaysReports255) {
  DeviceModel resetting(GetParam(), true);
  EXPECT_EQ(Ask(resetting, CommandCode::ReadStudioMode)[0], kStudioReset);
  Ask(resetting, CommandCode::WriteStudioMode, Payload{kStudioOn});
  EXPECT_EQ(Ask(resetting, CommandCode::ReadStudioMode)[0], kStudioReset);
}

TEST_P(EveryKind, TallyIsStoredOnlyBehindTheMarker) {
  const uint8_t initial = Ask(model, CommandCode::ReadTallyAddress)[0];
  Ask(model, CommandCode::WriteTallyAddress, Payload{0x2B, 0x11});
  EXPECT_EQ(Ask(model, CommandCode::ReadTallyAddress)[0], initial);
  Ask(model, CommandCode::WriteTallyAddress, Payload{0x11, kTallyMarker});
  EXPECT_EQ(Ask(model, CommandCode::ReadTallyAddress)[0], initial);
  Ask(model, CommandCode::WriteTallyAddress, Payload{kTallyMarker, 0x11});
  EXPECT_EQ(Ask(model, CommandCode::ReadTallyAddress)[0], 0x11);
}

INSTANTIATE_TEST_SUITE_P(DeviceModel, EveryKind, kAllKinds, KindName);

// The ReadLevels payload of a fresh device after SetLevel(selector, code).
Payload LevelsAfter(DeviceKind kind, int32_t selector, uint8_t code) {
  DeviceModel model(kind);
  Ask(model, CommandCode::SetLevel, Payload{static_cast<uint8_t>(selector), code});
  return Ask(model, CommandCode::ReadLevels);
}

TEST(DeviceModelLevels, ChannelsOneToFourSetSplitterAndSwitchSlots) {
  const int32_t channels[] = {kChannel1, kChannel2, kChannel3, kChannel4};
  for (const DeviceKind kind : {DeviceKind::Splitter, DeviceKind::Switch}) {
    DeviceModel fresh(kind);
    const Payload initial = Ask(fresh, CommandCode::ReadLevels);
    for (int slot = 0; slot < 4; ++slot) {
      Payload expected = initial;
      expected[slot] = 0xC5;
      EXPECT_EQ(LevelsAfter(kind, channels[slot], 0xC5), expected)
          << static_cast<int>(kind) << " channel " << channels[slot];
    }
  }
}

TEST(DeviceModelLevels, BeltPackVolumeIsChannel26) {
  EXPECT_EQ(LevelsAfter(DeviceKind::BeltPack, kChannelBeltPackVolume, 0xC5), Payload{0xC5});
}

TEST(DeviceModelLevels, SelectorOfAnotherKindLeavesLevelsAlone) {
  for (const auto& [kind, selector] :
       {std::pair{DeviceKind::BeltPack, kChannel1}, std::pair{DeviceKind::Splitter, 26},
        std::pair{DeviceKind::Switch, 43}}) {
    DeviceModel model(kind);
    const Payload before = Ask(model, CommandCode::ReadLevels);
    Ask(model, CommandCode::SetLevel, Payload{static_cast<uint8_t>(selector), 0xC5});
    EXPECT_EQ(Ask(model, CommandCode::ReadLevels), before) << static_cast<int>(kind);
  }
}

TEST(DeviceModelLevels, SubscriberSetHasNoLevels) {
  DeviceModel model(DeviceKind::SubscriberSet);
  Ask(model, CommandCode::SetLevel, Payload{static_cast<uint8_t>(kChannel1), 0xC5});
  EXPECT_EQ(Ask(model, CommandCode::ReadLevels), Payload{});
}

TEST(DeviceModelStart, SettingsAreTheDocumentedOnes) {
  DeviceModel subscriber(DeviceKind::SubscriberSet);
  const Payload keys = Ask(subscriber, CommandCode::ReadSettings);
  for (int i = 0; i < kPayloadLength; ++i) EXPECT_EQ(DecodeAddress(keys[i]), std::to_string(i + 1));
  EXPECT_EQ(DecodeAddress(Ask(subscriber, CommandCode::ReadDeviceAddress)[0]), "5");

  DeviceModel splitter(DeviceKind::Splitter);
  EXPECT_EQ(DecodeAddress(Ask(splitter, CommandCode::ReadSettings)[0]), "3");
  const Payload inputs = Ask(splitter, CommandCode::ReadLevels);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(DecodeLevel(inputs[i]), 2 * (i + 1));

  DeviceModel beltPack(DeviceKind::BeltPack);
  EXPECT_EQ(DecodeAddress(Ask(beltPack, CommandCode::ReadSettings)[0]), "7");
  EXPECT_EQ(DecodeLevel(Ask(beltPack, CommandCode::ReadLevels)[0]), 2);
  EXPECT_EQ(DecodeTally(Ask(beltPack, CommandCode::ReadTallyAddress)[0]), "7");
  EXPECT_EQ(Ask(beltPack, CommandCode::ReadStudioMode)[0], kStudioOff);

  DeviceModel phoneSwitch(DeviceKind::Switch);
  const Payload lines = Ask(phoneSwitch, CommandCode::ReadSettings);
  const Payload volumes = Ask(phoneSwitch, CommandCode::ReadLevels);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(DecodeAddress(lines[i]), std::to_string(11 + i));
    EXPECT_EQ(DecodeLevel(volumes[i]), i + 1);
  }
}

TEST(DeviceModelStart, CodesAreTheStoredBytesOfTheKindAndOfEveryKind) {
  DeviceModel subscriber(DeviceKind::SubscriberSet);
  EXPECT_EQ(subscriber.Code("key3"), EncodeAddress(3));
  EXPECT_EQ(subscriber.Code("device_address"), EncodeAddress(5));
  EXPECT_EQ(subscriber.Code("studio"), kStudioOff);
  EXPECT_EQ(subscriber.Code("tally"), EncodeTally(7));
  EXPECT_EQ(subscriber.Code("input1"), 0) << "a name the kind does not have";

  DeviceModel splitter(DeviceKind::Splitter);
  EXPECT_EQ(splitter.Code("input2"), EncodeLevel(4));
  Ask(splitter, CommandCode::SetLevel, Payload{static_cast<uint8_t>(kChannel2), 0x9C});
  EXPECT_EQ(splitter.Code("input2"), 0x9C);
}

TEST(DeviceModelStart, KindOutsideTheCatalogueIsRefused) {
  EXPECT_THROW(DeviceModel{DeviceKind::None}, std::invalid_argument);
  EXPECT_THROW(DeviceModel(static_cast<DeviceKind>(9)), std::invalid_argument);
}

TEST(DeviceModelStart, MadeUpKindStartsAtItsPayloadBytePlusOne) {
  const KindEntry kind{static_cast<DeviceKind>(9), "made-up", {}, {}, {}};
  const SettingEntry address{
      "a3", Encoding::Address, 0, 32, CommandCode::ReadSettings, CommandCode::WriteSettings, 2, 0};
  const SettingEntry level{
      "l1", Encoding::Level, 0, 16, CommandCode::ReadLevels, CommandCode::SetLevel, 0, kChannel1};
  EXPECT_EQ(InitialValue(kind, address), 3);
  EXPECT_EQ(InitialValue(kind, level), 1);
  const Catalogue& standard = StandardCatalogue();
  EXPECT_EQ(InitialValue(kind, *standard.Common(CommandCode::ReadTallyAddress)), 7);
  EXPECT_EQ(InitialValue(kind, *standard.Common(CommandCode::ReadDeviceAddress)), 5);
  EXPECT_EQ(InitialValue(kind, *standard.Common(CommandCode::ReadStudioMode)), 0);
}

}  // namespace
}  // namespace intercom
