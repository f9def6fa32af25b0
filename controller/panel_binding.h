// The one place where device settings meet the window's controls. It hears the
// protocol (traces into Edit12/Edit13, notices as boxes) and the device
// operations (each reply into its fields and sliders as it arrives, the pages
// and groups of the kind found), and it turns the fields into the values a
// write sends, with the window's own rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/device_operations.h"
#include "panel/device_pages.h"
#include "panel/panel_model.h"
#include "protocol/device_line.h"

namespace intercom {

// The change checks of the address fields. Each runs on every change of its
// field's text, whoever makes it; a refused value brings up a notice and the
// field is reset to "0" (which runs the check again). Text that is not a
// number raises ConversionFailure: the field keeps its text.
enum class AddressRule {
  AtMost32,         // Edit1..Edit9: refused when > 32
  EmptyOrAtMost32,  // Edit10: empty is fine, otherwise refused when > 32
  ZeroTo32,         // Edit14, Edit15: refused outside 0..32
  OneTo32,          // the device address dialog's field: refused outside 1..32
};

class PanelBinding : public ExchangeObserver, public DiscoveryEvents {
 public:
  // Both must outlive the binding.
  PanelBinding(PanelModel& panel, const Catalogue& catalogue);

  // Traces and notices.
  void RequestSent(const RequestFrame& request) override;
  void ReplyRead(const ReplyFrame& reply) override;
  void Notice(const std::string& text) override;

  // Decoded values into their controls (field checks and the studio box's
  // click run at that moment); confirmations of the writes as boxes; a studio
  // reset clears the box.
  void Replied(const ExchangeOutcome& outcome) override;
  // PageControl1 enabled for the probes, the next page after the third probe
  // and each after it, the kind's fields and groups, its page; with no kind
  // everything locked, no page, the "no device" box and PageControl1 disabled.
  void DiscoveryStarted() override;
  void Probed(size_t index) override;
  void Found(const KindEntry& kind) override;
  void ReadsDone(const KindEntry& kind) override;
  void NoneFound() override;

  // The values "Записать настройки" sends for `kind`: its empty fields become
  // "0" first; a field the write sends that is no number ends the handler with
  // its ConversionFailure; out-of-range addresses (0..32) and Tally inputs
  // (0..256) are refused with their notices and nothing is returned. Nothing
  // for a kind whose write sends no field.
  std::optional<DeviceSettings> SettingsToWrite(const KindEntry& kind);

  // Attaches the change checks to the address fields that have one.
  void AttachFieldChecks();
  void CheckField(TextField& field, AddressRule rule);

  // The studio box as the user left it.
  bool StudioChecked() const;

  // "Записать" in the device address dialog: its text must be a number (else
  // ConversionFailure) from 1 to 32 (else a notice and nothing).
  std::optional<int32_t> DeviceAddressToWrite();
  // After the write: Edit11 takes the dialog's text.
  void DeviceAddressSent();

  // The slider of a level button table row and the setting whose channel it sends.
  TrackBar& Slider(const LevelButtons& buttons);
  const SettingEntry* LevelSetting(const LevelButtons& buttons) const;
  // Moves the slider of `buttons` by `by` steps and returns where it then
  // stands; none, and it stays, when that would pass its end.
  std::optional<int> MoveSlider(const LevelButtons& buttons, int by);

  // The port dialog's list: `ports`, each with the description at the same
  // index of `descriptions` (none past its end), and none selected.
  void ShowPortList(const std::vector<std::string>& ports,
                    const std::vector<std::string>& descriptions = {});
  // Selects the item of the port list that the dialog's text names, if any.
  void SelectTypedPort();
  // The port dialog's text.
  void ShowPortName(const std::string& name);
  // The port dialog's line saying whether its port will work; "" for none.
  void ShowPortVerdict(const std::string& verdict);

  // Empties the request trace, then the reply trace.
  void ClearTrace();
  // The main window's hint; "" for none.
  void SetLogHint(const std::string& hint);
  // Unchecks "Журнал обмена…".
  void UncheckExchangeLog();

  void ShowPortDialog();
  void ClosePortDialog();
  void ShowAddressDialog();
  void CloseAddressDialog();
  // Closing the main window ends the program.
  void CloseMainWindow();

 private:
  PanelModel& panel_;
  const Catalogue& catalogue_;
};

}  // namespace intercom
