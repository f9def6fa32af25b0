// The words the outcomes of the device operations are told in, the same in
// the window's boxes and on the command line's stderr.
#pragma once

#include "protocol/frames.h"

namespace intercom {

inline constexpr const char* kDeviceAddressWritten =
    "                            Новый адрес записан.\r\n"
    "Адрес должен соответствовать номеру порта комутатора,\r\n"
    "                 в который будет включено устройство";
inline constexpr const char* kSettingsWritten = "Новые настройки записаны.";
inline constexpr const char* kNoDevice =
    "Ни одно устройство не подключено.\r\n"
    "1. Проверьте наличие питания.\r\n"
    "2. Проверьте настройки COM-порта.\r\n"
    "3. Проверьте соединительные кабеля..";

// The confirmation a reply in step to `command` brings (WriteDeviceAddress,
// WriteSettings), or null.
inline const char* WriteConfirmation(CommandCode command) {
  if (command == CommandCode::WriteDeviceAddress) return kDeviceAddressWritten;
  if (command == CommandCode::WriteSettings) return kSettingsWritten;
  return nullptr;
}

}  // namespace intercom
