#include "controller/handlers.h"

#include "controller/dialogs.h"
#include "controller/exchange_log.h"
#include "controller/level_adjustment.h"
#include "controller/port_list.h"
#include "controller/settings_commands.h"
#include "controller/settings_files.h"
#include "controller/startup.h"

namespace intercom {

void BindHandlers(ProgramContext& context) {
  PanelModel& panel = context.panel;
  ProgramContext* s = &context;
  const auto bind = [s](void (*action)(ProgramContext&)) { return [s, action] { action(*s); }; };

  panel.Form1.OnShow = bind(FormShow);
  panel.BitBtn4.OnClick = bind(BitBtn4Click);
  panel.BitBtn2.OnClick = [s] { BitBtn2Click(*s); };
  panel.BitBtn18.OnClick = bind(BitBtn18Click);
  panel.BitBtn19.OnClick = bind(BitBtn19Click);
  panel.BitBtn3.OnClick = bind(BitBtn3Click);
  panel.BitBtn5.OnClick = bind(BitBtn5Click);
  panel.CheckBox1.OnClick = bind(CheckBox1Click);
  panel.COM1.OnClick = bind(COM1Click);
  panel.SaveSettings.OnClick = bind(SaveSettingsClick);
  panel.LoadSettings.OnClick = bind(LoadSettingsClick);
  panel.ExchangeLog.OnClick = bind(ExchangeLogClick);
  panel.BitBtn1.OnClick = bind(BitBtn1Click);

  for (const LevelButtons& buttons : panel.Description().Levels()) {
    panel.BitBtnAt(buttons.upButton).OnClick = [s, &buttons] { StepLevelUp(*s, buttons); };
    panel.BitBtnAt(buttons.downButton).OnClick = [s, &buttons] { StepLevelDown(*s, buttons); };
  }

  context.binding.AttachFieldChecks();

  panel.Form2.Form.OnShow = bind(PortDialogShow);
  panel.Form2.ComboBox1.OnDropDown = bind(ReadPortListAgain);
  panel.Form2.ComboBox1.OnChange = bind(PortDialogFieldChanged);
  panel.Form2.BitBtn1.OnClick = bind(PortDialogChoose);
  panel.Form3.BitBtn1.OnClick = bind(AddressDialogWrite);
}

}  // namespace intercom
