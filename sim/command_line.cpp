#include "sim/command_line.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "protocol/kind_lists.h"

namespace intercom {
namespace {

// The usage after "--kind NAME|NAME...".
constexpr char kUsageRest[] =
    " [--link PATH] [--quiet]\n"
    "                    [--silent] [--out-of-sync] [--truncate N] [--truncate-command CMD:N]...\n"
    "                    [--late MS] [--vanish-after K] [--corrupt-resend] [--studio-255]\n"
    "                    [--echo] [--log-requests FILE]\n"
    "       intercom-sim --help | --version\n"
    "\n"
    "Plays one intercom device on a pseudo-terminal; prints the port's path on the\n"
    "first line of stdout and serves until SIGINT or SIGTERM.\n"
    "\n"
    "  --kind K       the device to simulate\n"
    "  --link PATH    make PATH a symbolic link to the port (replaces an old link)\n"
    "  --quiet        do not log requests and replies to stderr\n"
    "  --silent       never answer\n"
    "  --out-of-sync  answer with replies that begin E4 E2\n"
    "  --truncate N   send only the first N (0..16) bytes of each reply\n"
    "  --truncate-command CMD:N\n"
    "                 send only the first N (0..16) bytes of each reply to the command\n"
    "                 CMD, its name (ReadSettings) or number (3); other replies stay\n"
    "                 whole or as --truncate cuts them; repeatable\n"
    "  --late MS      send each reply MS milliseconds after its request\n"
    "  --vanish-after K\n"
    "                 answer the first K requests, then hear and answer nothing more,\n"
    "                 like a pulled cable\n"
    "  --corrupt-resend\n"
    "                 apply a WriteSettings that re-sends the kind's last address\n"
    "                 byte as the previous WriteSettings had it with bit 0 of that\n"
    "                 byte flipped, like a device that damages a re-sent value\n"
    "  --studio-255   report studio mode 255 whatever was written\n"
    "  --echo         hand back every byte the tool sends before any reply, like a\n"
    "                 two-wire RS-485 adapter that echoes; with --silent, the echo\n"
    "                 alone\n"
    "  --log-requests FILE\n"
    "                 append a line per request to FILE: CLOCK_MONOTONIC nanoseconds\n"
    "                 when its last byte arrived, then its bytes in hexadecimal\n"
    "  --help         print this help and exit\n"
    "  --version      print the version and exit\n";

std::optional<int> ParseInt(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string SimUsage(const Catalogue& catalogue) {
  return "usage: intercom-sim --kind " + JoinList(KindNameList(catalogue), "|", "|") + kUsageRest;
}

bool ParseSimOptions(int argc, const char* const* argv, const Catalogue& catalogue,
                     SimOptions& options, std::ostream& err) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return true;
    } else if (arg == "--version") {
      options.version = true;
      return true;
    } else if (arg == "--kind") {
      const auto text = value();
      const KindEntry* kind = text ? catalogue.FindByName(*text) : nullptr;
      if (kind == nullptr) {
        err << "intercom-sim: --kind needs " << JoinList(KindNameList(catalogue), ", ", " or ")
            << "\n";
        return false;
      }
      options.kind = kind->kind;
    } else if (arg == "--link") {
      const auto text = value();
      if (!text || text->empty()) {
        err << "intercom-sim: --link needs a path\n";
        return false;
      }
      options.link = *text;
    } else if (arg == "--log-requests") {
      const auto text = value();
      if (!text || text->empty()) {
        err << "intercom-sim: --log-requests needs a file\n";
        return false;
      }
      options.requestLog = *text;
    } else if (arg == "--truncate" || arg == "--late") {
      const bool truncate = arg == "--truncate";
      const auto text = value();
      const auto number = text ? ParseInt(*text, 0, truncate ? kReplyLength : 60000) : std::nullopt;
      if (!number) {
        err << "intercom-sim: " << arg
            << (truncate ? " needs a byte count 0..16\n" : " needs milliseconds 0..60000\n");
        return false;
      }
      (truncate ? options.misbehaviour.replyBytes : options.misbehaviour.lateMs) = *number;
    } else if (arg == "--truncate-command") {
      const auto text = value();
      const auto cut = text ? ParseCommandBytes(*text) : std::nullopt;
      if (!cut) {
        err << "intercom-sim: --truncate-command needs CMD:N, CMD a command name "
               "(ReadSettings) or number 1..11, N a byte count 0..16\n";
        return false;
      }
      options.misbehaviour.commandReplyBytes[cut->first] = cut->second;
    } else if (arg == "--vanish-after") {
      const auto text = value();
      const auto count = text ? ParseInt(*text, 0, 1000000) : std::nullopt;
      if (!count) {
        err << "intercom-sim: --vanish-after needs a request count 0..1000000\n";
        return false;
      }
      options.misbehaviour.vanishAfter = *count;
    } else if (arg == "--corrupt-resend") {
      options.misbehaviour.corruptResend = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--echo") {
      options.misbehaviour.echo = true;
    } else if (arg == "--silent") {
      options.misbehaviour.silent = true;
    } else if (arg == "--out-of-sync") {
      options.misbehaviour.outOfSync = true;
    } else if (arg == "--studio-255") {
      options.studio255 = true;
    } else {
      err << "intercom-sim: unknown option " << arg << "\n";
      return false;
    }
  }
  if (options.kind == DeviceKind::None) {
    err << "intercom-sim: --kind is required\n";
    return false;
  }
  return true;
}

}  // namespace intercom
