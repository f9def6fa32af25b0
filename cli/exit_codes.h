// The exit codes of intercom-cli, as --help and docs/cli.md list them.
#pragma once

namespace intercom::cli {

enum ExitCode : int {
  kExitDone = 0,
  kExitUsage = 1,         // bad command line
  kExitPort = 2,          // the port could not be opened or configured
  kExitNoDevice = 3,      // no device answered, or a read did not come back whole
  kExitRefused = 4,       // input refused: out of range, not a number, wrong kind, unknown name
  kExitDiffers = 5,       // not everything asked was written, or the read back differs
  kExitWouldChange = 6,   // --check: a device does not hold what it would be given
  kExitInterrupted = 130  // stopped by a signal between two exchanges (the entry reports
                          // 128 + the signal's number)
};

}  // namespace intercom::cli
