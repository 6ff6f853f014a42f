// A small program that leaves work for the next start of Windows, as an
// installation does: it schedules NEW to replace OLD at the reboot (through
// WININIT.INI on Windows 95, MoveFileEx elsewhere), registers COMMAND to run
// once, and writes a few values of each type under
// HKEY_LOCAL_MACHINE\Software\BrimwellProbe.
//   reboot_probe NEW OLD COMMAND
#include <cstdio>
#include <string>

#include "common/exceptions_Brimwell.h"
#include "platform/Platform.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"

using namespace brim;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: reboot_probe NEW OLD COMMAND\n");
    return 2;
  }
  std::string newFile = argv[1], oldFile = argv[2], command = argv[3];
  try {
    auto& files = PlatformFiles();
    if (GetWindowsPlatform() == wpWindows95) {
      auto oldShort = files.ShortPathName(oldFile), newShort = files.ShortPathName(newFile);
      if (!oldShort || !newShort) throw Exception("Cannot get the short names of %s and %s", oldFile, newFile);
      std::string wininit = GetWindowsDirectoryPath() + "\\WININIT.INI";
      if (!files.WriteProfileString(wininit, "Rename", *oldShort, *newShort))
        throw Exception("Cannot write the file %s", wininit);
    } else if (!files.MoveFileAtReboot(newFile, oldFile, true)) {
      throw Exception("Cannot schedule %s to replace %s at the reboot: %s", newFile, oldFile,
                      PlatformSystem().ErrorMessage(PlatformSystem().LastError()));
    }
    if (!RegisterRunOnceCommand("BrimwellUnfinished", command, true))
      throw Exception("Cannot register %s in the RunOnce key", command);
    TQmbxRegistry registry(TRegRoot::LocalMachine);
    if (!registry.OpenKey("\\Software\\BrimwellProbe", true))
      throw Exception("Cannot create the key HKEY_LOCAL_MACHINE\\Software\\BrimwellProbe");
    registry.WriteString("Text", "C:\\Program Files\\Probe \"quoted\"");
    registry.WriteString("", "default value");
    registry.WriteInteger("Number", 42);
    registry.WriteBinaryData("Binary", std::string("\x01\x02\xfe\xff", 4));
  } catch (const Exception& e) {
    std::fprintf(stderr, "reboot_probe: %s\n", e.Message().c_str());
    return 1;
  }
  return 0;
}
