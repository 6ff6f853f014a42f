#include "common/DateTime.h"

#include <cmath>

namespace brim {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsPerDay = 86400;
// Days from 1601-01-01 to 1899-12-30.
constexpr int64_t kDaysFrom1601To1899 = 109205;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days since 1899-12-30 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468 + 25569;  // 1970-01-01 is day 25569
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468 - 25569;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

}  // namespace

bool TryEncodeDateTime(const TDateTimeParts& p, TDateTime& result) {
  if (p.Year < 1 || p.Year > 9999 || p.Month < 1 || p.Month > 12 || p.Day < 1 ||
      p.Day > DaysInMonth(p.Year, p.Month) || p.Hour < 0 || p.Hour > 23 || p.Minute < 0 ||
      p.Minute > 59 || p.Second < 0 || p.Second > 59 || p.Millisecond < 0 || p.Millisecond > 999)
    return false;
  double days = static_cast<double>(DaysFromCivil(p.Year, p.Month, p.Day));
  double time = (p.Hour * 3600000.0 + p.Minute * 60000.0 + p.Second * 1000.0 + p.Millisecond) /
                (kSecondsPerDay * 1000.0);
  result = days >= 0 ? days + time : days - time;
  return true;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts p;
  double day = std::trunc(value);
  int64_t ms = static_cast<int64_t>(std::llround(std::fabs(value - day) * kSecondsPerDay * 1000));
  int64_t d = static_cast<int64_t>(day);
  if (ms >= kSecondsPerDay * 1000) {  // rounding reached the next midnight
    ms -= kSecondsPerDay * 1000;
    d += value >= 0 ? 1 : -1;
  }
  CivilFromDays(d, p.Year, p.Month, p.Day);
  p.Hour = static_cast<int>(ms / 3600000);
  p.Minute = static_cast<int>(ms / 60000 % 60);
  p.Second = static_cast<int>(ms / 1000 % 60);
  p.Millisecond = static_cast<int>(ms % 1000);
  return p;
}

TDateTime LocalFileTimeToDateTime(int64_t ticks) {
  int64_t seconds = ticks / kTicksPerSecond;
  seconds -= seconds % 2;
  int64_t days = seconds / kSecondsPerDay - kDaysFrom1601To1899;
  int64_t secOfDay = seconds % kSecondsPerDay;
  TDateTimeParts p = DecodeDateTime(static_cast<double>(days));
  p.Hour = static_cast<int>(secOfDay / 3600);
  p.Minute = static_cast<int>(secOfDay / 60 % 60);
  p.Second = static_cast<int>(secOfDay % 60);
  TDateTime result = 0;
  TryEncodeDateTime(p, result);
  return result;
}

int64_t DateTimeToLocalFileTime(TDateTime value) {
  TDateTimeParts p = DecodeDateTime(value);
  int64_t days = DaysFromCivil(p.Year, p.Month, p.Day) + kDaysFrom1601To1899;
  int64_t seconds = days * kSecondsPerDay + p.Hour * 3600 + p.Minute * 60 + p.Second;
  seconds -= seconds % 2;
  return seconds * kTicksPerSecond;
}

uint32_t DateTimeToFileDate(TDateTime value) {
  TDateTimeParts p = DecodeDateTime(value);
  if (p.Year < 1980 || p.Year > 2107) return 0;
  uint32_t date = static_cast<uint32_t>(((p.Year - 1980) << 9) | (p.Month << 5) | p.Day);
  uint32_t time = static_cast<uint32_t>((p.Hour << 11) | (p.Minute << 5) | (p.Second / 2));
  return (date << 16) | time;
}

TDateTime FileDateToDateTime(uint32_t fileDate) {
  TDateTimeParts p;
  uint32_t date = fileDate >> 16, time = fileDate & 0xFFFF;
  p.Year = static_cast<int>((date >> 9) + 1980);
  p.Month = static_cast<int>((date >> 5) & 15);
  p.Day = static_cast<int>(date & 31);
  p.Hour = static_cast<int>(time >> 11);
  p.Minute = static_cast<int>((time >> 5) & 63);
  p.Second = static_cast<int>((time & 31) * 2);
  TDateTime result = 0;
  return TryEncodeDateTime(p, result) ? result : 0;
}

}  // namespace brim
