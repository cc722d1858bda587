// The one ISO 8601 UTC form of a time ("2023-02-18T22:16:05Z"), computed
// here rather than with gmtime, whose range and thread safety differ
// between C run-times.
#pragma once

#include <cstdint>
#include <string>

namespace support {

// Seconds since 1970-01-01 UTC (negative before it) in the proleptic
// Gregorian calendar.
std::string UtcTimeText(std::int64_t secondsSince1970);

// A FILETIME's 100-nanosecond units since 1601-01-01 UTC, to the second.
std::string UtcTimeTextOfFileTime(std::uint64_t unitsSince1601);

}  // namespace support
