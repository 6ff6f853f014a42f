// The running program on the posix build: its file is the host executable,
// seen from the substitute machine as a Z:\ (or C:\) path, and its
// resources are those appended to it (ExecutableResources.h).
#pragma once

#include <string>

namespace brim {

// The host path of the running executable (/proc/self/exe); empty when it
// cannot be read.
std::string HostExecutable();

}  // namespace brim
