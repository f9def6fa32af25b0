// The main window's command buttons, the studio check box and the menu entry.
// Each sends its requests to CurrentDevice and may raise ConversionFailure,
// which ends the action (the panel's handler boundary reports it).
#pragma once

#include <vector>

#include "protocol/session.h"

namespace intercom {

// A field that "Записать настройки" would refuse to send: its text is a
// number outside low..high.
struct WriteRefusal {
  const TextField* field;
  int32_t low;
  int32_t high;
};

// The refusals of the write sequence for `kind`, in field order: addresses
// outside 0..32, the belt pack's Tally input outside 0..256. Texts that are not
// numbers are no refusals here (the write fails them with their conversion
// error before anything is sent). Changes nothing.
std::vector<WriteRefusal> WriteRefusals(PanelModel& panel, DeviceKind kind);

// "Считать настройки": ReadSettings, Pause(50), ReadTallyAddress.
void BitBtn4Click(Session& session);
// "Записать настройки": empty fields of the kind become "0"; a field the write
// sends that is no number ends the handler with its ConversionFailure and
// out-of-range addresses are refused with a notice, in both cases before
// anything is sent; then WriteSettings
// (and for a belt pack Pause(50), WriteTallyAddress; for a switch Pause(50)).
void BitBtn2Click(Session& session);
// "Test": one Probe.
void BitBtn18Click(Session& session);
// "Обновить": DiscoverDevice.
void BitBtn19Click(Session& session);
// "Выход": closes the main window, which ends the program.
void BitBtn3Click(Session& session);
// "Clear": empties the request trace, then the reply trace.
void BitBtn5Click(Session& session);
// Studio check box changed (by the user or by a reply): WriteStudioMode.
void CheckBox1Click(Session& session);
// Menu "Выбор COM-порта": shows the port dialog.
void COM1Click(Session& session);
// "Изменить адрес устройства": shows the device address dialog.
void BitBtn1Click(Session& session);

}  // namespace intercom
