// The catalogue of device kinds: one constant record per kind saying how it is
// found, what is read when it is found, how its settings are written and, for
// each setting, its name, range, encoding and where it sits in the frames.
// Everything that differs between kinds is here; the code that talks to a
// device reads these records and never asks which kind it has.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frames.h"

namespace intercom {

// How a setting's number travels in a frame.
enum class Encoding {
  Address,        // 0 is byte 0x00 ("none"), 1..32 EncodeAddress; read back DecodeAddress
  Level,          // slider position 0..16, written with SetLevel and its channel
  Tally,          // input 1..256 (0 is byte 0x00); written after the marker byte
  Studio,         // 0 or 1; written as kStudioOff/kStudioOn, read as bit 1 (255: reset)
  DeviceAddress,  // 1..32 EncodeAddress, written with the rest of the payload zero
};

struct SettingEntry {
  const char* name;  // the name in settings files and on the command line
  Encoding encoding;
  int32_t low;  // the range a write accepts
  int32_t high;
  CommandCode read;   // the request whose reply carries it
  CommandCode write;  // the request that sets it
  int payloadByte;    // its byte in the read reply's payload (and the write's, for addresses)
  int32_t channel;    // Level: the SetLevel channel selector; 0 otherwise
};

// One request of a sequence, then a pause in milliseconds (0: none).
struct SequenceStep {
  CommandCode command;
  int pauseAfter;
};

struct KindEntry {
  DeviceKind kind;   // the wire value (request byte 2)
  const char* name;  // "subscriber", "splitter", ...
  // The requests that follow a probe this kind answered, in order, no pauses.
  std::vector<CommandCode> discoveryReads;
  // "Записать настройки": the requests (each sends the settings it writes) and pauses.
  std::vector<SequenceStep> writeSteps;
  std::vector<SettingEntry> settings;
  // How people call it ("subscriber set"); null where that is its name.
  const char* title = nullptr;

  const SettingEntry* Find(std::string_view settingName) const;
};

// The kinds in probe order, plus the settings a reply carries for any kind
// (a Tally or device address read sent to a kind that has no such setting).
class Catalogue {
 public:
  Catalogue(std::vector<KindEntry> kinds, std::vector<SettingEntry> common);

  // In probe order.
  const std::vector<KindEntry>& Kinds() const { return kinds_; }
  // Null for a kind not in the catalogue (None among them).
  const KindEntry* Find(DeviceKind kind) const;
  const KindEntry* FindByName(std::string_view name) const;
  // The setting a reply to `command` carries for kinds without one of their own.
  const SettingEntry* Common(CommandCode command) const;
  // The level setting with this SetLevel channel in any kind, or null.
  const SettingEntry* FindLevelChannel(int32_t channel) const;
  // The kind's name, or empty for a kind not in the catalogue.
  std::string KindName(DeviceKind kind) const;
  // True when some kind has a setting of this name.
  bool IsSettingName(std::string_view name) const;
  // "key1 0..32, key2 0..32, ..." for help texts.
  std::string Describe(DeviceKind kind) const;

  // Adds a kind at the end of the probe order (a test's made-up kind).
  void Add(KindEntry kind) { kinds_.push_back(std::move(kind)); }

 private:
  std::vector<KindEntry> kinds_;
  std::vector<SettingEntry> common_;
};

// The four kinds of the installation: subscriber set, splitter, belt pack, switch.
const Catalogue& StandardCatalogue();

}  // namespace intercom
