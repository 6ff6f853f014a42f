// TDateTime: days since 1899-12-30 00:00 as a double, the fraction being
// the time of day, in local time. File dates travel through this type with
// the file system's 2-second resolution.
#pragma once

#include <cstdint>

namespace brim {

using TDateTime = double;

struct TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Converts calendar parts to a date; false when a part is out of range.
bool TryEncodeDateTime(const TDateTimeParts& parts, TDateTime& result);
TDateTimeParts DecodeDateTime(TDateTime value);

// A local file time (100-nanosecond ticks since 1601-01-01, local clock)
// to a date, truncated to the even second below as the file system keeps it.
TDateTime LocalFileTimeToDateTime(int64_t ticks);
// A date to a local file time, truncated to an even second.
int64_t DateTimeToLocalFileTime(TDateTime value);

// The packed date/time word pair (date in the high 16 bits) with 2-second
// resolution, for years 1980 to 2107; 0 for a date outside that range.
uint32_t DateTimeToFileDate(TDateTime value);
TDateTime FileDateToDateTime(uint32_t fileDate);

}  // namespace brim
