// intercom-cli's write against a simulated device whose replies may be cut,
// dropped, delayed past the read, answered as another kind, or damaged in
// their frame, whose line may go dead, and that may lose a write it answers
// or store a byte of it wrongly (a field asked for or one only re-sent). The
// input chooses the kind, the settings asked for and the faults of each
// exchange. Whatever happens, a setting reported as written is what a fresh
// read returns afterwards, and the write ends "done" only when every setting
// that differed is written and a fresh read returns every setting as asked or
// as it was.
//
// Payload bytes of a read reply are not damaged: a frame has no checksum, so
// a read that lies about every byte cannot be told from the truth.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_conversation.h"
#include "sim/device_model.h"
#include "tests/support/fake_serial_port.h"

namespace intercom {
namespace {

using testing::Bytes;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
  bool Empty() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

enum class Fault : uint8_t { Whole, Cut, Drop, Late, OtherKind, DamageHeader, LineDies, Count };
// What the device does with a write it hears.
enum class Store : uint8_t { AsSent, Lost, OneByteWrong, Count };

bool IsWrite(CommandCode command) {
  return command == CommandCode::WriteSettings || command == CommandCode::WriteStudioMode ||
         command == CommandCode::WriteDeviceAddress || command == CommandCode::SetLevel ||
         command == CommandCode::WriteTallyAddress;
}

// The device's settings as a discovery on a line without faults reads them.
DeviceSettings FreshRead(DeviceModel& device) {
  testing::FakeSerialPort port;
  port.responder = [&](const Bytes& frame) -> std::optional<Bytes> {
    RequestFrame request{};
    std::copy_n(frame.begin(), request.size(), request.begin());
    const auto reply = device.Answer(request);
    if (!reply) return std::nullopt;
    return Bytes(reply->begin(), reply->end());
  };
  std::ostringstream messages;
  DeviceConversation conversation(
      port, [](int) {}, messages, nullptr, [] { return false; });
  Check(conversation.Connect("/dev/ttyFRESH") && conversation.Discover() == device.Kind() &&
        conversation.ReadsAnswered());
  return conversation.Current();
}

}  // namespace
}  // namespace intercom

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace intercom;
  Input input(data, size);
  const Catalogue& catalogue = StandardCatalogue();
  const KindEntry& kind = catalogue.Kinds()[input.Next() % catalogue.Kinds().size()];
  DeviceModel device(kind.kind);

  // The wanted settings: up to one value per setting, near and beyond the range.
  DeviceSettings wanted{kind.kind, {}};
  const uint8_t count = input.Next() % (kind.settings.size() + 1);
  for (uint8_t i = 0; i < count; ++i) {
    const SettingEntry& setting = kind.settings[input.Next() % kind.settings.size()];
    if (wanted.Find(setting.name) != nullptr) continue;
    const int32_t value = static_cast<int32_t>(input.Next() % (setting.high + 3)) - 1;
    wanted.values.push_back({&setting, value});
  }

  // Faults start once the discovery before the write is over.
  bool armed = false;
  bool dead = false;
  testing::FakeSerialPort port;
  port.responder = [&](const Bytes& frame) -> std::optional<Bytes> {
    RequestFrame request{};
    std::copy_n(frame.begin(), request.size(), request.begin());
    const auto fault = armed ? static_cast<Fault>(input.Next() % static_cast<uint8_t>(Fault::Count))
                             : Fault::Whole;
    if (dead || fault == Fault::LineDies) {
      dead = true;
      port.failWrite = 5;
      return std::nullopt;
    }
    const bool write = request[2] == static_cast<uint8_t>(kind.kind) &&
                       IsWrite(static_cast<CommandCode>(request[3]));
    const auto store = armed && write
                           ? static_cast<Store>(input.Next() % static_cast<uint8_t>(Store::Count))
                           : Store::AsSent;
    std::optional<ReplyFrame> reply;
    if (store == Store::Lost) {
      // Answered as if stored; the device keeps what it had.
      DeviceModel forgetful = device;
      reply = forgetful.Answer(request);
    } else {
      if (store == Store::OneByteWrong) {
        request[static_cast<size_t>(kPayloadOffset + input.Next() % kPayloadLength)] ^=
            static_cast<uint8_t>(input.Next() | 1);
      }
      reply = device.Answer(request);
    }
    if (!reply) return std::nullopt;
    Bytes bytes(reply->begin(), reply->end());
    switch (fault) {
      case Fault::Cut:
        bytes.resize(input.Next() % bytes.size());
        break;
      case Fault::Drop:
      case Fault::Late:
        return std::nullopt;
      case Fault::OtherKind:
        bytes[2] = static_cast<uint8_t>(bytes[2] % 4 + 1);
        break;
      case Fault::DamageHeader:
        bytes[input.Next() % 5] ^= static_cast<uint8_t>(input.Next() | 1);
        break;
      default:
        break;
    }
    return bytes;
  };

  std::ostringstream messages;
  DeviceConversation conversation(
      port, [](int) {}, messages, nullptr, [] { return false; });
  if (!conversation.Connect("/dev/ttyFUZZ") || conversation.Discover() != kind.kind) std::abort();
  const DeviceSettings before = conversation.Current();
  armed = true;
  const WriteReport report = conversation.Write(wanted, true);
  armed = false;

  const DeviceSettings after = FreshRead(device);
  for (const std::string& name : report.written) {
    const SettingValue* asked = wanted.Find(name);
    Check(asked != nullptr);
    Check(after.Find(name)->value == ReadBackValue(*asked->setting, asked->value));
  }
  if (report.status == WriteReport::Status::Done) {
    Check(report.written.size() == report.changes.size());
    Check(report.answered.empty() && report.notWritten.empty());
    for (const SettingValue& held : after.values) {
      const SettingValue* asked = wanted.Find(held.setting->name);
      Check(held.value == (asked != nullptr ? ReadBackValue(*asked->setting, asked->value)
                                            : before.Find(held.setting->name)->value));
    }
  }
  Check(report.written.size() + report.answered.size() + report.notWritten.size() ==
            report.changes.size() ||
        report.status == WriteReport::Status::Refused);
  return 0;
}
