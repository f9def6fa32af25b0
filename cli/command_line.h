// The command line of intercom-cli: parses it and runs the command.
#pragma once

#include "cli/commands.h"

namespace intercom::cli {

// The program's version, as the build sets it.
const char* Version();

// Parses argv and runs the command; returns the exit code. --help and
// --version print to env.out and return 0; a bad command line prints why to
// env.err and returns 1.
int RunCommandLine(int argc, const char* const* argv, Environment& env);

}  // namespace intercom::cli
