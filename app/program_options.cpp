#include "app/program_options.h"

#include <string>
#include <string_view>

#include "protocol/kind_lists.h"

namespace intercom {

namespace {

constexpr size_t kHelpWidth = 78;

// The help after the paragraph that names the kinds.
constexpr char kHelpRest[] =
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

// `text` broken into lines of at most kHelpWidth characters at its spaces.
std::string Wrapped(std::string_view text) {
  std::string wrapped;
  size_t lineStart = 0;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find(' ', from);
    if (end == std::string_view::npos) end = text.size();
    if (wrapped.size() > lineStart && wrapped.size() + 1 + (end - from) - lineStart > kHelpWidth) {
      wrapped += '\n';
      lineStart = wrapped.size();
    } else if (wrapped.size() > lineStart) {
      wrapped += ' ';
    }
    wrapped += text.substr(from, end - from);
    from = end + 1;
  }
  return wrapped + "\n";
}

std::string Help(const Catalogue& catalogue) {
  return "Usage: intercom-config [--help] [--version]\n\n" +
         Wrapped("Configures one device of a wired digital intercom installation (" +
                 JoinList(KindTitleList(catalogue), ", ", " or ") +
                 ") connected to a serial port: finds which kind answers, reads its settings "
                 "into that kind's page and writes them back.") +
         "\n" + kHelpRest;
}

}  // namespace

std::optional<int> AnswerProgramOptions(int argc, const char* const* argv, std::ostream& out,
                                        const Catalogue& catalogue) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      out << Help(catalogue);
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
