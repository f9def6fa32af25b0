// The time stamps of a report: the local wall clock with milliseconds and the
// zone's numeric offset, "2026-12-08T14:31:05.123+01:00" (RFC 3339; UTC is
// written "+00:00", never "Z").
#pragma once

#include <chrono>
#include <string>

namespace intercom::cli {

// Now, with the offset the machine's local zone has now.
std::string Rfc3339Now();

// `moment` on a clock `utcOffsetSeconds` ahead of UTC (negative: behind). The
// offset is written in whole minutes; milliseconds are truncated.
std::string Rfc3339(std::chrono::system_clock::time_point moment, long utcOffsetSeconds);

}  // namespace intercom::cli
