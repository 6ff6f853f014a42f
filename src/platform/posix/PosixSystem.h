// The system service of the substitute machine: the Windows version, the
// directories and the language come from the machine's facts; the clock and
// the time zone are the host's. It also keeps the last error of each thread,
// which every call of the posix backend sets as the Windows call it stands
// for would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace brim {

uint32_t MachineLastError();
void SetMachineLastError(uint32_t code);

// Sets the last error and returns false, for the many "fail with code" exits.
inline bool FailWith(uint32_t code) {
  SetMachineLastError(code);
  return false;
}

// The Windows error code closest to a host errno value.
uint32_t WindowsErrorOfErrno(int error);

// CompareStringA with NORM_IGNORECASE for code page 1252: letters compare by
// their base letter first (so "e" < "é" < "f"), then by accent; case is
// ignored throughout, ASCII and Latin-1 alike. Returns -1, 0 or 1.
int CompareTextAnsi(const std::string& a, const std::string& b);

// Local time offset from UTC of the host, in seconds, as it is now
// (FileTimeToLocalFileTime uses the current bias whatever the date).
int64_t HostUtcOffsetSeconds();

}  // namespace brim
