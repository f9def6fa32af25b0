#include "workflow/port_list.h"

#include "panel/handler_failure.h"
#include "serial/port_enumeration.h"

namespace intercom {

std::vector<std::string> ListPorts(ProgramContext& session) {
  try {
    return session.listPorts();
  } catch (const PortEnumerationError& error) {
    throw PortEntryFailure(error.EntryName());
  }
}

void FillPortList(ComboBox& list, const std::vector<std::string>& ports) {
  list.ClearItems();
  for (const std::string& port : ports) list.AddItem(port);
  list.SetItemIndex(-1);
}

}  // namespace intercom
