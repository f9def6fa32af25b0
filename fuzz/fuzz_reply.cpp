// Reply interpretation after an exchange, for every device kind and command
// and for the actions that send several requests, with the panel model, its
// handlers and recording message boxes behind it.
//
// Input: byte 0 picks the device kind (0..4), byte 1 the request or action,
// bytes 2..11 the text typed into the fields the action reads (one byte each,
// see FieldText); the rest are the device's replies, 16 bytes per request in
// the order the requests go out (a short last one is a reply cut off).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "controller/handlers.h"
#include "controller/program_context.h"
#include "device/device_operations.h"
#include "panel/device_pages.h"
#include "panel/field_integer.h"
#include "panel/handler_failure.h"
#include "protocol/send_command.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_message_boxes.h"

namespace {

using intercom::CommandCode;
using intercom::PanelModel;
using intercom::testing::Bytes;

[[noreturn]] void Mismatch(const char* what) {
  __builtin_printf("mismatch: %s\n", what);
  std::abort();
}

// Field texts worth typing: numbers in and out of range, zero spelled
// several ways, texts that are no number.
std::string FieldText(uint8_t selector) {
  static const char* const kTexts[] = {"",    "0",   "00",  "-0",        "1",  "32",
                                       "33",  "-1",  "$1F", "0x20",      " 7", "7 ",
                                       "abc", "256", "257", "2147483648"};
  if (selector < 16) return kTexts[selector];
  return std::to_string(static_cast<int>(selector) - 100);
}

// A text the interpretation wrote: a whole number within lo..hi.
void ExpectNumberWithin(const std::string& text, int lo, int hi, const char* what) {
  if (text.empty()) return;
  int32_t value = 0;
  try {
    value = intercom::ParseFieldInteger(text);
  } catch (const intercom::ConversionFailure&) {
    Mismatch(what);
  }
  if (value < lo || value > hi) Mismatch(what);
}

// The values a request for `command` carries, read from the window's fields as
// the window reads them: the kind's settings that command writes from their
// fields, the studio box, the address dialog. A text that is no number ends
// the action with its ConversionFailure before anything is sent.
intercom::DeviceSettings FieldValues(intercom::ProgramContext& context, CommandCode command) {
  PanelModel& panel = context.panel;
  const intercom::DeviceKind kind = context.state.Device();
  intercom::DeviceSettings values{kind, {}};
  if (command == CommandCode::WriteStudioMode) {
    values.Set(*context.catalogue.Common(CommandCode::ReadStudioMode),
               panel.CheckBox1.Checked() ? 1 : 0);
  } else if (command == CommandCode::WriteDeviceAddress) {
    values.Set(*context.catalogue.Common(CommandCode::ReadDeviceAddress),
               intercom::ParseFieldInteger(panel.Form3.Edit1.Text()));
  } else if (const intercom::KindEntry* entry = context.catalogue.Find(kind)) {
    for (const intercom::SettingEntry& setting : entry->settings) {
      if (setting.write != command) continue;
      const intercom::ControlRef* control =
          intercom::FindSettingControl(static_cast<int32_t>(kind), setting.name);
      if (control == nullptr || control->type != intercom::ControlType::Edit) continue;
      values.Set(setting, intercom::ParseFieldInteger(panel.EditAt(control->number).Text()));
    }
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHeader = 12;
  if (size < kHeader) return 0;

  intercom::testing::RecordingMessageBoxes boxes;
  PanelModel panel(boxes, "intercom-config");
  intercom::testing::FakeSerialPort port;
  port.Open("/dev/ttyS0");
  intercom::ProgramContext context(panel, port, [](int) {});
  intercom::BindHandlers(context);
  context.state.LevelBase = 32;
  context.state.LevelStep = 14;
  context.state.LevelMax = 255;
  context.state.CurrentDevice = data[0] % 5;

  const int typed[] = {1, 14, 15, 16, 17, 18, 19, 20, 5, 10};
  for (size_t i = 0; i < 10; ++i) {
    panel.EditAt(typed[i]).SetText(FieldText(data[2 + i]));
  }
  panel.Form3.Edit1.SetText(FieldText(data[11]));
  boxes.shown.clear();

  for (size_t at = kHeader; at < size; at += intercom::kReplyLength) {
    const size_t length = std::min<size_t>(intercom::kReplyLength, size - at);
    port.replies.push_back(Bytes(data + at, data + at + length));
  }

  const std::string requestsBefore = panel.Edit12.Text();
  const uint8_t action = data[1] % 18;
  if (action < 11) {
    const auto command = static_cast<CommandCode>(action + 1);
    panel.RunHandler([&] {
      context.state.CurrentCommand = static_cast<uint8_t>(command);
      const intercom::DeviceLine line = context.Line();
      // As the window's operations send: each reply in step goes to the panel
      // binding, and a studio reset is answered with the mode off.
      intercom::SendCommand(line, command, FieldValues(context, command),
                            [&](const intercom::ExchangeOutcome& outcome) {
                              context.binding.Replied(outcome);
                              if (outcome.studioReset) {
                                intercom::WriteStudioMode(line, false, context.binding);
                              }
                            });
    });
  } else {
    // Read, write, discovery, test, and level steps of every kind.
    const int buttons[] = {4, 2, 19, 18, 7, 15, 17};
    panel.BitBtnAt(buttons[action - 11]).Click();
  }

  // Every request and every reply leaves exactly one 45-character entry.
  const size_t exchanges = port.writes.size();
  if (panel.Edit12.Text().size() != requestsBefore.size() + 45 * exchanges)
    Mismatch("request trace");
  if (panel.Edit13.Text().size() != 45 * exchanges) Mismatch("reply trace");
  for (const Bytes& frame : port.writes) {
    if (frame.size() != intercom::kRequestLength || frame[0] != 0xE2 || frame[1] != 0xE4 ||
        frame[4] != 0x0A)
      Mismatch("request header");
  }
  for (int n = 1; n <= 9; ++n) {
    const int position = panel.TrackBarAt(n).Position();
    if (position < 0 || position > 16) Mismatch("slider position");
  }
  // Replies only ever bring numbers in range; typed texts may stay as typed.
  for (int n : {11, 14, 15, 16, 17, 18, 19}) {
    const std::string& text = panel.EditAt(n).Text();
    bool typedHere = false;
    for (size_t i = 0; i < 10; ++i) typedHere |= typed[i] == n && text == FieldText(data[2 + i]);
    if (!typedHere) ExpectNumberWithin(text, 0, 32, "address field");
  }
  // "0" is what a write puts into an empty Tally field.
  const std::string& tally = panel.Edit20.Text();
  if (tally != FieldText(data[2 + 7])) ExpectNumberWithin(tally, 0, 256, "Tally field");
  return 0;
}
