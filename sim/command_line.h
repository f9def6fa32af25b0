// The command line of intercom-sim: its usage text and its options, with the
// kinds it can play taken from a catalogue.
#pragma once

#include <ostream>
#include <string>

#include "protocol/device_catalogue.h"
#include "sim/misbehaviour.h"

namespace intercom {

struct SimOptions {
  DeviceKind kind = DeviceKind::None;
  std::string link;
  std::string requestLog;
  bool quiet = false;
  bool studio255 = false;
  bool help = false;
  bool version = false;
  Misbehaviour misbehaviour;
};

// The text of --help, naming every kind of `catalogue`.
std::string SimUsage(const Catalogue& catalogue);

// Fills `options` from the command line; false, with the reason on `err`, on a
// bad one. --kind accepts the kinds of `catalogue`.
bool ParseSimOptions(int argc, const char* const* argv, const Catalogue& catalogue,
                     SimOptions& options, std::ostream& err);

}  // namespace intercom
