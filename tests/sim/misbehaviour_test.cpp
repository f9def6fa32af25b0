#include "sim/misbehaviour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace intercom {
namespace {

RequestFrame Request(DeviceKind kind, CommandCode command, const Payload& payload = {}) {
  RequestFrame frame{kFrameSync0, kFrameSync1, static_cast<uint8_t>(kind),
                     static_cast<uint8_t>(command), kPayloadLength};
  std::copy(payload.begin(), payload.end(), frame.begin() + kPayloadOffset);
  return frame;
}

std::vector<uint8_t> Whole(DeviceModel& model, const RequestFrame& request) {
  const auto reply = model.Answer(request);
  return reply ? std::vector<uint8_t>(reply->begin(), reply->end()) : std::vector<uint8_t>{};
}

TEST(ParseCommandBytes, TakesANameOrNumberAndAByteCount) {
  using Cut = std::optional<std::pair<CommandCode, int>>;
  EXPECT_EQ(ParseCommandBytes("ReadSettings:7"), Cut({CommandCode::ReadSettings, 7}));
  EXPECT_EQ(ParseCommandBytes("WriteTallyAddress:16"), Cut({CommandCode::WriteTallyAddress, 16}));
  EXPECT_EQ(ParseCommandBytes("1:0"), Cut({CommandCode::ReadDeviceAddress, 0}));
  EXPECT_EQ(ParseCommandBytes("11:3"), Cut({CommandCode::WriteTallyAddress, 3}));
  for (const char* bad : {"read-settings:7", "readsettings:7", "ReadSettings:17", "ReadSettings:-1",
                          "ReadSettings:", "ReadSettings", ":7", "0:7", "12:7", "None:7",
                          "Probe:7x", "Probe: 7", "3:7:7"}) {
    EXPECT_EQ(ParseCommandBytes(bad), std::nullopt) << bad;
  }
}

TEST(MisbehavingDevice, WithoutMisbehaviourSendsTheModelsWholeReply) {
  DeviceModel model(DeviceKind::Splitter);
  DeviceModel reference(DeviceKind::Splitter);
  MisbehavingDevice device(model, {});
  const RequestFrame read = Request(DeviceKind::Splitter, CommandCode::ReadLevels);
  const Response response = device.Answer(read);
  EXPECT_EQ(response.reply, Whole(reference, read));
  EXPECT_TRUE(response.notes.empty());
  const Response other = device.Answer(Request(DeviceKind::Switch, CommandCode::Probe));
  EXPECT_FALSE(other.reply.has_value());
  EXPECT_EQ(other.notes, std::vector<std::string>{"no reply: not for this device"});
}

TEST(MisbehavingDevice, TruncateCommandCutsOnlyThatCommandsReplies) {
  DeviceModel model(DeviceKind::SubscriberSet);
  DeviceModel reference(DeviceKind::SubscriberSet);
  Misbehaviour misbehaviour;
  misbehaviour.replyBytes = 12;
  misbehaviour.commandReplyBytes = {{CommandCode::ReadSettings, 7}, {CommandCode::Probe, 0}};
  MisbehavingDevice device(model, misbehaviour);

  const RequestFrame read = Request(DeviceKind::SubscriberSet, CommandCode::ReadSettings);
  std::vector<uint8_t> cut = Whole(reference, read);
  cut.resize(7);
  EXPECT_EQ(device.Answer(read).reply, cut);
  EXPECT_EQ(device.Answer(Request(DeviceKind::SubscriberSet, CommandCode::Probe)).reply,
            std::vector<uint8_t>{});

  const RequestFrame studio = Request(DeviceKind::SubscriberSet, CommandCode::ReadStudioMode);
  std::vector<uint8_t> other = Whole(reference, studio);
  other.resize(12);
  EXPECT_EQ(device.Answer(studio).reply, other);
}

TEST(MisbehavingDevice, VanishAfterAnswersKRequestsThenHearsNothing) {
  DeviceModel model(DeviceKind::BeltPack);
  Misbehaviour misbehaviour;
  misbehaviour.vanishAfter = 2;
  MisbehavingDevice device(model, misbehaviour);

  // A request for another kind is no answer and does not count.
  EXPECT_FALSE(device.Answer(Request(DeviceKind::Splitter, CommandCode::Probe)).reply);
  EXPECT_TRUE(device.Answer(Request(DeviceKind::BeltPack, CommandCode::Probe)).reply);
  EXPECT_TRUE(device.Answer(Request(DeviceKind::BeltPack, CommandCode::ReadSettings)).reply);

  const Payload address{EncodeAddress(20)};
  const Response gone =
      device.Answer(Request(DeviceKind::BeltPack, CommandCode::WriteSettings, address));
  EXPECT_FALSE(gone.reply.has_value());
  EXPECT_EQ(gone.notes, std::vector<std::string>{"no reply: gone after 2 replies"});
  EXPECT_FALSE(device.Answer(Request(DeviceKind::BeltPack, CommandCode::Probe)).reply);
  // Not heard, so not applied.
  EXPECT_EQ(model.Code("address"), EncodeAddress(7));
}

TEST(MisbehavingDevice, CorruptResendFlipsBit0OfTheLastAddressByteWheneverItIsReSent) {
  struct Case {
    DeviceKind kind;
    const char* lastAddress;
  };
  for (const Case& c : {Case{DeviceKind::SubscriberSet, "key10"},
                        Case{DeviceKind::Splitter, "address"}, Case{DeviceKind::Switch, "line4"}}) {
    SCOPED_TRACE(c.lastAddress);
    DeviceModel model(c.kind);
    Misbehaviour misbehaviour;
    misbehaviour.corruptResend = true;
    MisbehavingDevice device(model, misbehaviour);
    const Payload first{0x3F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28};
    // Another payload: the last address byte changes, and so does every other.
    Payload second{};
    for (size_t i = 0; i < second.size(); ++i) second[i] = static_cast<uint8_t>(first[i] ^ 0x40);
    const auto write = [&](const Payload& payload) {
      return device.Answer(Request(c.kind, CommandCode::WriteSettings, payload));
    };
    const SettingEntry& last = *StandardCatalogue().Find(c.kind)->Find(c.lastAddress);
    const uint8_t sent = first[static_cast<size_t>(last.payloadByte)];

    EXPECT_TRUE(write(first).notes.empty());
    EXPECT_EQ(model.Code(c.lastAddress), sent);
    const Response resent = write(first);
    EXPECT_TRUE(resent.reply.has_value());
    const uint8_t flipped = sent ^ 0x01;
    EXPECT_EQ(resent.notes, std::vector<std::string>{"re-sent write: payload byte " +
                                                     std::to_string(last.payloadByte) +
                                                     " applied as" + HexTrace(&flipped, 1)});
    EXPECT_EQ(model.Code(c.lastAddress), flipped);
    // Every re-send of it, but not a write that changes it.
    write(first);
    EXPECT_EQ(model.Code(c.lastAddress), flipped);
    write(second);
    EXPECT_EQ(model.Code(c.lastAddress), second[static_cast<size_t>(last.payloadByte)]);
    // A write of another field that carries it unchanged damages it too.
    Payload otherField = second;
    if (last.payloadByte != 0) {
      otherField[0] ^= 0x01;
      write(otherField);
      EXPECT_EQ(model.Code(c.lastAddress), second[static_cast<size_t>(last.payloadByte)] ^ 0x01);
    }
    // Another kind's write in between is not this device's.
    device.Answer(Request(DeviceKind::BeltPack, CommandCode::WriteSettings, first));
    write(first);
    EXPECT_EQ(model.Code(c.lastAddress), sent);
  }
  // Without --corrupt-resend a re-send is applied as sent.
  DeviceModel model(DeviceKind::SubscriberSet);
  MisbehavingDevice device(model, {});
  const Payload keys{0x3F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28};
  device.Answer(Request(DeviceKind::SubscriberSet, CommandCode::WriteSettings, keys));
  device.Answer(Request(DeviceKind::SubscriberSet, CommandCode::WriteSettings, keys));
  EXPECT_EQ(model.Code("key10"), 0x28);
}

}  // namespace
}  // namespace intercom
