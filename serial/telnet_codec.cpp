#include "serial/telnet_codec.h"

namespace intercom::telnet {

namespace {

// The replies whose value is known to the client, with their sizes.
size_t ReplyValueSize(uint8_t code) {
  switch (code) {
    case kSetBaudRate + kReplyOffset:
      return 4;
    case kSetDataSize + kReplyOffset:
    case kSetParity + kReplyOffset:
    case kSetStopSize + kReplyOffset:
    case kSetControl + kReplyOffset:
    case kPurgeData + kReplyOffset:
      return 1;
    default:
      return 0;
  }
}

bool AgreedHere(uint8_t option) {
  return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
}

bool AgreedThere(uint8_t option) {
  return option == kBinary || option == kSuppressGoAhead;
}

}  // namespace

void Decoder::Feed(const uint8_t* bytes, size_t count, std::vector<uint8_t>& data,
                   std::vector<Event>& events) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t byte = bytes[i];
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Iac;
        } else {
          data.push_back(byte);
        }
        break;
      case State::Iac:
        Command(byte, data);
        break;
      case State::Verb: {
        constexpr Event::Kind kKinds[] = {Event::Kind::Will, Event::Kind::Wont, Event::Kind::Do,
                                          Event::Kind::Dont};
        events.push_back({kKinds[verb_ - kWill], byte, 0});
        state_ = State::Data;
        break;
      }
      case State::Sub:
        if (byte == kIac) {
          state_ = State::SubIac;
        } else {
          Collect(byte, data);
        }
        break;
      case State::SubIac:
        if (byte == kIac) {
          state_ = State::Sub;
          Collect(byte, data);
        } else if (byte == kSe) {
          EndSub(events);
          state_ = State::Data;
        } else {
          sub_.clear();
          Command(byte, data);
        }
        break;
    }
  }
}

void Decoder::Command(uint8_t byte, std::vector<uint8_t>& data) {
  state_ = State::Data;
  if (byte == kIac) {
    data.push_back(byte);
  } else if (byte >= kWill && byte <= kDont) {
    verb_ = byte;
    state_ = State::Verb;
  } else if (byte == kSb) {
    sub_.clear();
    state_ = State::Sub;
  }
}

void Decoder::Collect(uint8_t byte, std::vector<uint8_t>& data) {
  if (sub_.size() < kMaxSubnegotiation) {
    sub_.push_back(byte);
    return;
  }
  sub_.clear();
  state_ = State::Data;
  data.push_back(byte);
}

void Decoder::EndSub(std::vector<Event>& events) {
  if (sub_.size() >= 2 && sub_[0] == kComPortOption) {
    const size_t size = ReplyValueSize(sub_[1]);
    if (size != 0 && sub_.size() == 2 + size) {
      uint32_t value = 0;
      for (size_t i = 0; i < size; ++i) value = value << 8 | sub_[2 + i];
      events.push_back({Event::Kind::ComPortReply, sub_[1], value});
    }
  }
  sub_.clear();
}

void AppendData(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == kIac) out.push_back(kIac);
  }
}

void AppendNegotiation(std::vector<uint8_t>& out, uint8_t verb, uint8_t option) {
  out.insert(out.end(), {kIac, verb, option});
}

void AppendComPortRequest(std::vector<uint8_t>& out, uint8_t request, uint32_t value) {
  out.insert(out.end(), {kIac, kSb, kComPortOption, request});
  uint8_t bytes[4];
  const size_t size = request == kSetBaudRate ? 4 : 1;
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * (size - 1 - i)));
  AppendData(out, bytes, size);
  out.insert(out.end(), {kIac, kSe});
}

void Negotiator::Start(std::vector<uint8_t>& out) {
  Say(out, ours_, kWill, kComPortOption);
  Say(out, ours_, kWill, kBinary);
  Say(out, theirs_, kDo, kBinary);
  Say(out, ours_, kWill, kSuppressGoAhead);
  Say(out, theirs_, kDo, kSuppressGoAhead);
}

void Negotiator::Answer(const Event& event, std::vector<uint8_t>& out) {
  const uint8_t option = event.code;
  switch (event.kind) {
    case Event::Kind::Do:
      if (option == kComPortOption) comPort_ = kDo;
      Say(out, ours_, AgreedHere(option) ? kWill : kWont, option);
      break;
    case Event::Kind::Dont:
      if (option == kComPortOption) comPort_ = kDont;
      // An option never offered is off already: nothing to confirm.
      if (ours_[option] != 0) Say(out, ours_, kWont, option);
      break;
    case Event::Kind::Will:
      Say(out, theirs_, AgreedThere(option) ? kDo : kDont, option);
      break;
    case Event::Kind::Wont:
      if (theirs_[option] != 0) Say(out, theirs_, kDont, option);
      break;
    case Event::Kind::ComPortReply:
      break;
  }
}

void Negotiator::Say(std::vector<uint8_t>& out, std::array<uint8_t, 256>& said, uint8_t verb,
                     uint8_t option) {
  if (said[option] == verb) return;
  said[option] = verb;
  AppendNegotiation(out, verb, option);
}

}  // namespace intercom::telnet
