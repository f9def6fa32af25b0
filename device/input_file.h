// Reading a settings file or a plan the user named: small regular files only.
#pragma once

#include <string>

namespace intercom {

// The text of the regular file at `path`, of at most 1 MiB. Throws InputError
// "PATH: no such file", "PATH: not a regular file", "PATH: larger than 1 MiB"
// or "PATH: cannot be read", whose InputProblem gives the fault and the path.
std::string ReadInputFile(const std::string& path);

}  // namespace intercom
