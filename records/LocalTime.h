#pragma once
// The local time as the journal and the trace write it: the offset from UTC
// is worked out here, as Windows' %z gives the zone's name in the ANSI code
// page instead.

#include <chrono>
#include <string>

namespace galt {

// `at` as ISO 8601 local time with its offset from UTC (+03:00).
std::string LocalTimeText(std::chrono::system_clock::time_point at);

}  // namespace galt
