#include "app/program_options.h"

#include <string_view>

namespace intercom {

namespace {

constexpr char kHelp[] =
    "Usage: intercom-config [--help] [--version]\n"
    "\n"
    "Configures one device of a wired digital intercom installation (subscriber\n"
    "set, splitter, belt pack or switch) connected to a serial port: finds which\n"
    "kind answers, reads its settings into that kind's page and writes them back.\n"
    "\n"
    "The serial port is remembered in COM.ini in the working directory. The\n"
    "installed command intercom-config runs the program in\n"
    "${XDG_CONFIG_HOME:-$HOME/.config}/intercom-config/, so every start finds\n"
    "the same COM.ini.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "Other arguments are ignored. Serial ports belong to the dialout group.\n"
    "See intercom-config(1).\n";

}  // namespace

std::optional<int> AnswerProgramOptions(int argc, const char* const* argv, std::ostream& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      out << kHelp;
      return out.flush() ? 0 : 1;
    }
    if (arg == "--version") {
      out << "intercom-config " << INTERCOM_VERSION << "\n";
      return out.flush() ? 0 : 1;
    }
  }
  return std::nullopt;
}

}  // namespace intercom
