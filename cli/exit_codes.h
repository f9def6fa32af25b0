// The exit codes of intercom-cli, as --help and the README list them.
#pragma once

namespace intercom::cli {

enum ExitCode : int {
  kExitDone = 0,
  kExitUsage = 1,         // bad command line
  kExitPort = 2,          // the port could not be opened or configured
  kExitNoDevice = 3,      // no device answered (or it stopped answering)
  kExitRefused = 4,       // input refused: out of range, not a number, wrong kind, unknown name
  kExitDiffers = 5,       // what was read back differs from what was written
  kExitInterrupted = 130  // stopped by Ctrl+C (or SIGTERM) between two exchanges
};

}  // namespace intercom::cli
