// The menu entries that save a device's settings to a settings file and write
// a settings file into a device. Both read the device as intercom-cli does
// (a discovery whose every read must come back whole), showing each read on
// the page as it arrives, and both take the files intercom-cli reads and
// writes. What the command line refuses is refused in a box with the same
// words.
#pragma once

#include "controller/program_context.h"

namespace intercom {

// "Сохранить настройки устройства…": reads the device; when every read came
// back whole, asks for a file and saves the settings in it as
// `intercom-cli read --json` prints them. A read that is not whole saves
// nothing and says what could not be read.
void SaveSettingsClick(ProgramContext& context);

// "Записать настройки из файла…": asks for a settings file and reads it (a
// file that cannot be read or parsed is refused, naming the key and the
// range), then the device. A file of another kind than the device found is
// refused. When something differs and every value is in range, a question
// lists each change (setting, now, new); on "Да" the settings that differ are
// written and everything is read back, and a box says what was written and
// what was not. Nothing is sent but the reads when a value is refused or
// nothing differs.
void LoadSettingsClick(ProgramContext& context);

}  // namespace intercom
