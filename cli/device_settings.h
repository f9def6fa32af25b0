// The settings of each device kind under the names the command line, the
// settings files and the plans use, and where each lives in the panel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "panel/panel_model.h"
#include "protocol/frames.h"

namespace intercom::cli {

enum class SettingType {
  Address,        // a subscriber address field (EditN), 0 for none
  Tally,          // the belt pack's Tally input (Edit20)
  Level,          // a level slider (TrackBarN), positions 0..16
  Studio,         // the subscriber set's studio mode (CheckBox1), 0 or 1
  DeviceAddress,  // the subscriber set's own address (Edit11; written through TForm3)
};

struct SettingSpec {
  const char* name;
  SettingType type;
  int control;  // N of EditN or TrackBarN; unused for Studio and DeviceAddress
  // The range accepted on writing, for help and messages; the panel decides.
  int32_t low;
  int32_t high;
};

struct SettingValue {
  const SettingSpec* spec;
  int32_t value;
};

// One device's settings (all of them after a read; any subset to write).
struct KindSettings {
  DeviceKind kind = DeviceKind::None;
  std::vector<SettingValue> values;

  const SettingValue* Find(std::string_view name) const;
};

// "subscriber", "splitter", "beltpack", "switch"; empty for None.
std::string KindName(DeviceKind kind);
std::optional<DeviceKind> ParseKindName(std::string_view name);

// The settings of a kind in the order they are printed; empty for None.
const std::vector<SettingSpec>& SettingsOf(DeviceKind kind);
const SettingSpec* FindSetting(DeviceKind kind, std::string_view name);
// True when some kind has a setting of this name.
bool IsSettingName(std::string_view name);

// "name: allowed low..high" for help texts: "key1..key10 0..32" and so on.
std::string DescribeSettings(DeviceKind kind);

// A value written as text (a --set or a plan cell): a decimal whole number;
// the studio mode also takes true/false. Throws InputError naming the setting.
int32_t ParseSettingValue(const SettingSpec& spec, std::string_view text);

// Adds name=value to `settings`; throws InputError for a name the kind does not
// have or a name given twice. `where` prefixes the message ("plan.csv:3: ").
void AddSetting(KindSettings& settings, std::string_view name, int32_t value,
                const std::string& where);

// Every setting of `kind` as the panel shows it after a discovery. Throws
// std::runtime_error when a field does not hold a number.
KindSettings ReadPanel(PanelModel& panel, DeviceKind kind);

// What the device reports after `value` was written: the value as the wire
// encoding carries it (a Tally input of 0 is input 1).
int32_t ReadBackValue(const SettingSpec& spec, int32_t value);

}  // namespace intercom::cli
