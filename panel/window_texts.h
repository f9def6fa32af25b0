// The window's own texts beyond the controls' captions: its title, its menu
// and what the settings file entries say. Both sets of views and the
// controller take them from here, so that both windows say the same. A device
// kind is named by its page's caption in the panel's description and a setting by the label its
// control has on that page; values are shown as the page shows them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "panel/panel_description.h"

namespace intercom {

inline constexpr const char* kWindowTitle = "Настройка конфигурации цифровой связи";
inline constexpr const char* kSettingsMenu = "Настройки";
inline constexpr const char* kPortChoiceEntry = "Выбор COM-порта";
inline constexpr const char* kSaveSettingsEntry = "Сохранить настройки устройства…";
inline constexpr const char* kLoadSettingsEntry = "Записать настройки из файла…";
inline constexpr const char* kExchangeLogEntry = "Журнал обмена…";

// The file dialogs' captions.
inline constexpr const char* kSaveSettingsCaption = "Сохранить настройки устройства";
inline constexpr const char* kLoadSettingsCaption = "Записать настройки из файла";

// The three verdicts on a setting a write from a file changed: the device
// answered and was seen to hold it; the device answered, but what it holds
// was not read; the device was not seen to take it.
inline constexpr const char* kVerdictWritten = "записано";
inline constexpr const char* kVerdictAnswered = "ответ получен, не проверено";
inline constexpr const char* kVerdictNotWritten = "не записано";

// The caption of the page of the kind with wire value `kind`, e.g.
// "Сплиттер"; empty for a kind without a page.
std::string KindCaption(const PanelDescription& panel, int32_t kind);

// The label of `setting`'s control on the page of `kind`: its accessible
// name, else its caption, e.g. "Адреса абонентов 3" for key3 of a
// subscriber set. The setting's own name when it has no control there.
std::string SettingLabel(const PanelDescription& panel, int32_t kind, std::string_view setting);

// A value as the page shows it: "да" or "нет" for a check box, else the number.
std::string ShownValue(const PanelDescription& panel, int32_t kind, std::string_view setting,
                       int32_t value);

// "устройство «Сплиттер»": a kind in running text.
std::string DeviceOfKind(const PanelDescription& panel, int32_t kind);

}  // namespace intercom
