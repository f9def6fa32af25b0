// The handlers of the port dialog (TForm2) and the device address dialog (TForm3).
#pragma once

#include "controller/program_context.h"

namespace intercom {

// Port dialog shown: its text takes PortName, then the port is closed and
// Label2 tells whether the named port will work (PortDialogFieldChanged).
void PortDialogShow(ProgramContext& context);

// The port dialog's text changed: Label2 takes the port doctor's Russian
// verdict on it, from the facts of context.portFacts alone (no open; a
// network port is only named as such); empty for an empty text.
void PortDialogFieldChanged(ProgramContext& context);

// "Выбрать": PortName := the typed or picked name, COM.ini rewritten (a
// failure ends here, dialog open, port closed), open, Pause(100), the start-up
// line settings and time-outs when the open succeeded, discovery (whatever
// happened before), close.
void PortDialogChoose(ProgramContext& context);

// "Записать": the address must be a number (else ConversionFailure) from 1 to
// 32 (else a notice, nothing sent); WriteDeviceAddress, then Edit11 takes the
// dialog's text and the dialog closes, whatever the exchange gave.
void AddressDialogWrite(ProgramContext& context);

}  // namespace intercom
