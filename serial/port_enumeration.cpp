#include "serial/port_enumeration.h"

namespace intercom {

PortEnumerationError::PortEnumerationError(std::string entryName)
    : std::runtime_error("bad port entry: " + entryName), entryName_(std::move(entryName)) {}

}  // namespace intercom
