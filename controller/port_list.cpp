#include "controller/port_list.h"

#include "panel/handler_failure.h"
#include "serial/port_enumeration.h"

namespace intercom {

std::vector<std::string> ListPorts(ProgramContext& context) {
  try {
    return context.listPorts();
  } catch (const PortEnumerationError& error) {
    throw PortEntryFailure(error.EntryName());
  }
}

std::string PortSummary(const PortDescription& port) {
  std::vector<std::string> lines;
  if (!port.byIdPath.empty()) lines.push_back(port.byIdPath);
  if (!port.friendlyName.empty()) lines.push_back(port.friendlyName);
  std::string names = port.manufacturer;
  if (!names.empty() && !port.product.empty()) names += ' ';
  names += port.product;
  if (!names.empty()) lines.push_back(names);
  if (!port.vendorId.empty()) lines.push_back("USB " + port.vendorId + ":" + port.productId);
  std::string summary;
  for (const std::string& line : lines) summary += (summary.empty() ? "" : "\n") + line;
  return summary;
}

void ReadPortListAgain(ProgramContext& context) {
  const std::vector<std::string> ports = ListPorts(context);
  std::vector<std::string> summaries;
  summaries.reserve(ports.size());
  for (const std::string& port : ports)
    summaries.push_back(PortSummary(context.describePort(port)));
  context.binding.ShowPortList(ports, summaries);
  context.binding.SelectTypedPort();
}

}  // namespace intercom
