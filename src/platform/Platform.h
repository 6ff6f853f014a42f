// The Windows services the system uses, one interface each in a header of
// its own; this header includes them all. Everything above this layer
// reaches the machine through these interfaces and never knows whether it
// runs on Windows (platform/win32, the real API calls) or on the substitute
// machine of the posix build (platform/posix, a directory that plays a
// Windows computer). New code includes the header of the service it needs.
//
// Conventions shared by every interface:
//   - Paths are Windows paths ("C:\Program Files\App\a.dll"), ANSI bytes.
//   - Calls that can fail return false, an empty optional or a null pointer,
//     as the Windows call they stand for does, and leave the Windows error
//     code for LastError(). Only the layers above raise the system's
//     exceptions, because only they know what the message must say; the
//     exception carries the code as its cause (platform/PlatformError.h).
//   - Open handles are objects (IRegistryKey, IFile): destroying one closes it.
//   - File times are UTC, in 100-nanosecond ticks since 1601-01-01, as
//     FILETIME holds them; ISystemService converts to and from local time.
#pragma once

#include "platform/ErrorCodes.h"
#include "platform/FileService.h"
#include "platform/ModuleService.h"
#include "platform/PlatformError.h"
#include "platform/PlatformServices.h"
#include "platform/ProcessService.h"
#include "platform/RegistryService.h"
#include "platform/SystemService.h"
#include "platform/VersionService.h"
#include "platform/WindowService.h"
