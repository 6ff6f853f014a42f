// The backend's own services, one object each for the life of the program.
// Each backend (platform/posix, platform/win32) defines these; the shared
// code makes its set of them (NativePlatformServices). Nothing above the
// platform layer calls them: it uses the current set.
#pragma once

#include "platform/PlatformServices.h"

namespace brim {

IRegistryService& NativeRegistry();
IFileService& NativeFiles();
IProcessService& NativeProcesses();
ISystemService& NativeSystem();
IModuleService& NativeModule();
IVersionService& NativeVersions();
IWindowService& NativeWindows();

}  // namespace brim
