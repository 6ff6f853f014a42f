// The registry of the substitute machine. Each predefined key is a hive file
// of REGEDIT4 text in the machine root (HKEY_LOCAL_MACHINE is "HKLM.reg",
// ...); HKEY_CLASSES_ROOT has no file of its own: it is the view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, where Windows writes it by default.
// Every change is made under the machine lock on the hive as it stands on
// disk and written back whole through a temporary file, so concurrent
// processes lose nothing and a killed one leaves the old or the new hive.
#pragma once

#include <vector>

#include "platform/Platform.h"

namespace brim {

struct TMachineHive {
  TRegRoot Root;
  const char* FileName;  // in the machine root
  const char* RootName;  // as REGEDIT4 names the key
};

// The hive files of a machine, HKEY_LOCAL_MACHINE first.
const std::vector<TMachineHive>& MachineHives();

// The prefix under HKEY_LOCAL_MACHINE that HKEY_CLASSES_ROOT shows.
inline constexpr const char* kClassesRootPath = "SOFTWARE\\Classes";

}  // namespace brim
