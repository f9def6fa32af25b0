#include "sim/misbehaviour.h"

#include <algorithm>
#include <charconv>

namespace intercom {

namespace {

std::optional<int> Number(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

constexpr int kFirstCommand = static_cast<int>(CommandCode::ReadDeviceAddress);
constexpr int kLastCommand = static_cast<int>(CommandCode::WriteTallyAddress);

std::optional<CommandCode> Command(std::string_view text) {
  if (const auto number = Number(text, kFirstCommand, kLastCommand)) {
    return static_cast<CommandCode>(*number);
  }
  for (int code = kFirstCommand; code <= kLastCommand; ++code) {
    if (CommandName(static_cast<CommandCode>(code)) == text) return static_cast<CommandCode>(code);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::pair<CommandCode, int>> ParseCommandBytes(std::string_view text) {
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto command = Command(text.substr(0, colon));
  const auto bytes = Number(text.substr(colon + 1), 0, kReplyLength);
  if (!command || !bytes) return std::nullopt;
  return std::pair{*command, *bytes};
}

MisbehavingDevice::MisbehavingDevice(DeviceModel& model, Misbehaviour misbehaviour,
                                     const Catalogue& catalogue)
    : model_(model), misbehaviour_(std::move(misbehaviour)) {
  const KindEntry* kind = catalogue.Find(model.Kind());
  if (kind == nullptr) return;
  for (const SettingEntry& setting : kind->settings) {
    if (setting.write == CommandCode::WriteSettings && setting.encoding == Encoding::Address) {
      resendByte_ = std::max(resendByte_, setting.payloadByte);
    }
  }
}

Response MisbehavingDevice::Answer(const RequestFrame& request) {
  Response response;
  if (misbehaviour_.vanishAfter && answered_ >= *misbehaviour_.vanishAfter) {
    response.notes.push_back("no reply: gone after " + std::to_string(answered_) + " replies");
    return response;
  }

  RequestFrame applied = request;
  const bool write = request[2] == static_cast<uint8_t>(model_.Kind()) &&
                     request[3] == static_cast<uint8_t>(CommandCode::WriteSettings);
  if (misbehaviour_.corruptResend && write) {
    Payload payload{};
    std::copy_n(request.begin() + kPayloadOffset, kPayloadLength, payload.begin());
    // Compared with what arrived, not what was applied: every re-send of the
    // same byte goes wrong the same way, whatever else the write changes.
    if (lastWrite_ && resendByte_ >= 0 &&
        (*lastWrite_)[static_cast<size_t>(resendByte_)] ==
            payload[static_cast<size_t>(resendByte_)]) {
      uint8_t& byte = applied[static_cast<size_t>(kPayloadOffset + resendByte_)];
      byte ^= 0x01;
      response.notes.push_back("re-sent write: payload byte " + std::to_string(resendByte_) +
                               " applied as " + HexTrace(&byte, 1).substr(1));
    }
    lastWrite_ = payload;
  }

  auto reply = model_.Answer(applied);
  if (!reply) {
    response.notes.push_back("no reply: not for this device");
    return response;
  }
  if (misbehaviour_.silent) {
    response.notes.push_back("no reply: silent");
    return response;
  }
  ++answered_;
  if (misbehaviour_.outOfSync) std::swap((*reply)[0], (*reply)[1]);
  const auto cut = misbehaviour_.commandReplyBytes.find(static_cast<CommandCode>(request[3]));
  const int count =
      cut != misbehaviour_.commandReplyBytes.end() ? cut->second : misbehaviour_.replyBytes;
  response.reply.emplace(reply->begin(), reply->begin() + std::clamp(count, 0, kReplyLength));
  return response;
}

}  // namespace intercom
