#include "workflow/handlers.h"

#include "workflow/dialogs.h"
#include "workflow/exchange_log.h"
#include "workflow/level_adjustment.h"
#include "workflow/port_list.h"
#include "workflow/settings_commands.h"
#include "workflow/settings_files.h"
#include "workflow/startup.h"

namespace intercom {

void BindHandlers(ProgramContext& session) {
  PanelModel& panel = session.panel;
  ProgramContext* s = &session;
  const auto bind = [s](void (*action)(ProgramContext&)) { return [s, action] { action(*s); }; };

  panel.Form1.OnShow = bind(FormShow);
  panel.BitBtn4.OnClick = bind(BitBtn4Click);
  panel.BitBtn2.OnClick = bind(BitBtn2Click);
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

  session.binding.AttachFieldChecks();

  panel.Form2.Form.OnShow = bind(PortDialogShow);
  panel.Form2.ComboBox1.OnDropDown = bind(ReadPortListAgain);
  panel.Form2.BitBtn1.OnClick = bind(PortDialogChoose);
  panel.Form3.BitBtn1.OnClick = bind(AddressDialogWrite);
}

}  // namespace intercom
