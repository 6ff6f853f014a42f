// The Windows error codes (ERROR_*) the backends report through
// ISystemService::LastError and the layers above test for.
#pragma once

#include <cstdint>

namespace brim {

// Windows error codes the backends report and callers test for.
inline constexpr uint32_t errSuccess = 0;
inline constexpr uint32_t errFileNotFound = 2;
inline constexpr uint32_t errPathNotFound = 3;
inline constexpr uint32_t errAccessDenied = 5;
inline constexpr uint32_t errInvalidHandle = 6;
inline constexpr uint32_t errInvalidData = 13;
inline constexpr uint32_t errNotSameDevice = 17;
inline constexpr uint32_t errNoMoreFiles = 18;
inline constexpr uint32_t errGenFailure = 31;
inline constexpr uint32_t errSharingViolation = 32;
inline constexpr uint32_t errNotSupported = 50;
inline constexpr uint32_t errFileExists = 80;
inline constexpr uint32_t errInvalidParameter = 87;
inline constexpr uint32_t errDiskFull = 112;
inline constexpr uint32_t errCallNotImplemented = 120;
inline constexpr uint32_t errInvalidName = 123;
inline constexpr uint32_t errDirNotEmpty = 145;
inline constexpr uint32_t errBadPathname = 161;
inline constexpr uint32_t errAlreadyExists = 183;
inline constexpr uint32_t errBadExeFormat = 193;
inline constexpr uint32_t errMoreData = 234;
inline constexpr uint32_t errDirectory = 267;  // a directory call on a file
inline constexpr uint32_t errBadDB = 1009;       // the registry database is damaged
inline constexpr uint32_t errKeyDeleted = 1018;  // the open key was deleted
inline constexpr uint32_t errTimeout = 1460;     // a wait ran out of time
inline constexpr uint32_t errResourceTypeNotFound = 1813;
inline constexpr uint32_t errResourceNameNotFound = 1814;

}  // namespace brim
