// The window program's command line. Only --help (-h) and --version mean
// anything; every other argument is ignored and the program starts as usual.
#pragma once

#include <optional>
#include <ostream>

#include "protocol/device_catalogue.h"

namespace intercom {

// When an argument asks for the help or the version, prints it to `out` and
// returns the exit status; otherwise returns nothing and touches nothing.
// Runs before any window or COM.ini is touched. The help names the kinds of
// `catalogue`.
std::optional<int> AnswerProgramOptions(int argc, const char* const* argv, std::ostream& out,
                                        const Catalogue& catalogue = StandardCatalogue());

}  // namespace intercom
