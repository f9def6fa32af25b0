// The main window's command buttons, the studio check box and the menu entry.
// Each sends its requests to CurrentDevice through the device operations and
// may raise ConversionFailure, which ends the action (the panel's handler
// boundary reports it).
#pragma once

#include <optional>

#include "controller/program_context.h"
#include "device/write_report.h"

namespace intercom {

// "Считать настройки": ReadSettings, Pause(50), ReadTallyAddress.
void BitBtn4Click(ProgramContext& context);
// "Записать настройки": empty fields of the kind become "0"; a field the write
// sends that is no number ends the handler with its ConversionFailure and
// out-of-range addresses are refused with a notice, in both cases before
// anything is sent; then the kind's write steps (WriteSettings, and for a belt
// pack Pause(50), WriteTallyAddress; for a switch Pause(50)). The verdicts of
// the settings sent, judged as every write is: "answered" or "not written",
// since nothing is read back; none when nothing was sent.
std::optional<WriteReport> BitBtn2Click(ProgramContext& context);
// "Test": one Probe.
void BitBtn18Click(ProgramContext& context);
// "Обновить": DiscoverDevice.
void BitBtn19Click(ProgramContext& context);
// "Выход": closes the main window, which ends the program.
void BitBtn3Click(ProgramContext& context);
// "Clear": empties the request trace, then the reply trace.
void BitBtn5Click(ProgramContext& context);
// Studio check box changed (by the user or by a reply): WriteStudioMode.
void CheckBox1Click(ProgramContext& context);
// Menu "Выбор COM-порта": shows the port dialog.
void COM1Click(ProgramContext& context);
// "Изменить адрес устройства": shows the device address dialog.
void BitBtn1Click(ProgramContext& context);

}  // namespace intercom
