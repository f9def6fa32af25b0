// Request assembly: the one way anything reaches a device.
#pragma once

#include "protocol/session.h"

namespace intercom {

// Records `command` in CurrentCommand, fills the shared PayloadBuffer for it
// (bytes a command does not name go out as the previous request left them),
// lays the 15-byte request into RequestBuffer, appends it to the request trace
// (Edit12) and runs one Exchange, whose accepted reply InterpretReply turns
// into panel changes before this returns.
// Address fields follow the zero rule: a text whose value is 0 ("0", "00",
// "-0", "$0") is byte 0x00, any other is read with ParseFieldInteger and
// encoded. A ConversionFailure leaves the
// payload bytes converted before it written and sends and traces nothing.
void SendCommand(Session& session, CommandCode command);

// The zero rule on a field's text with the given encoding.
uint8_t ZeroRule(const std::string& text, uint8_t (*encode)(int32_t));

}  // namespace intercom
