// A fresh substitute machine looks like the Windows installation chosen for
// it, and making one again over a used machine leaves nothing of the old.
#ifndef _WIN32
#include <gtest/gtest.h>

#include "platform/PlatformTest.h"
#include "platform/posix/SubstituteMachine.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"

namespace brim::test {
namespace {

constexpr int kCurrentUser = 2, kLocalMachine = 4;  // TRootKeys ordinals
const char* const kShellFolders = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kWindowsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

class MachineSetup : public PlatformTest {
 protected:
  void Make(TMachineWindows windows, uint16_t language = 0x0409) {
    TSubstituteMachine::Initialize(TSubstituteMachine::Current().Root() + "-" + std::to_string(int(windows)),
                                   {windows, language});
    ASSERT_TRUE(PlatformFiles().CreateDirectory(Scratch));
  }
  bool IsDirectory(const std::string& path) {
    auto attributes = PlatformFiles().GetAttributes(path);
    return attributes && (*attributes & attrDirectory);
  }
};

TEST_F(MachineSetup, CurrentWindowsNTHasExplorersFoldersAndProgramFiles) {
  Make(TMachineWindows::NT);
  EXPECT_EQ(GetWindowsPlatform(), wpWindowsNT);
  EXPECT_EQ(GetSystemDirectoryPath(), "C:\\WINDOWS\\system32");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, kWindowsKey, "ProgramFilesDir", ""), "C:\\Program Files");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, kWindowsKey, "CommonFilesDir", ""),
            "C:\\Program Files\\Common Files");
  EXPECT_TRUE(IsDirectory("C:\\Program Files\\Common Files"));
  for (const char* folder : {"Start Menu", "Programs", "Startup", "Desktop", "Fonts"}) {
    std::string path = ReadRegistryString(kCurrentUser, kShellFolders, folder, "");
    EXPECT_TRUE(IsDirectory(path)) << folder << " " << path;
  }
  EXPECT_EQ(PlatformFiles().ShortPathName("C:\\Program Files"), "C:\\PROGRA~1");
  EXPECT_EQ(PlatformSystem().UserDefaultLangID(), 0x0409);
}

TEST_F(MachineSetup, Windows95KeepsItsFoldersInTheWindowsDirectory) {
  Make(TMachineWindows::Windows95);
  EXPECT_EQ(GetWindowsPlatform(), wpWindows95);
  EXPECT_EQ(GetSystemDirectoryPath(), "C:\\WINDOWS\\SYSTEM");
  EXPECT_TRUE(IsDirectory("C:\\WINDOWS\\SYSTEM"));
  EXPECT_EQ(ReadRegistryString(kCurrentUser, kShellFolders, "Start Menu", ""), "C:\\WINDOWS\\Start Menu");
  // Windows 95 cannot schedule a rename through MoveFileEx.
  WriteFile(At("new"), "x");
  EXPECT_FALSE(PlatformFiles().MoveFileAtReboot(At("new"), At("old"), true));
  EXPECT_EQ(PlatformSystem().LastError(), errCallNotImplemented);
}

TEST_F(MachineSetup, WindowsNT351HasProgramManagerOnly) {
  Make(TMachineWindows::NT351, 0x0407);
  EXPECT_EQ(GetWindowsPlatform(), wpWindowsNT35);
  EXPECT_EQ(ReadRegistryString(kCurrentUser, kShellFolders, "Start Menu", "none"), "none");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, kWindowsKey, "ProgramFilesDir", "none"), "none");
  EXPECT_EQ(PlatformSystem().UserDefaultLangID(), 0x0407);
}

TEST_F(MachineSetup, MakingAMachineAgainForgetsTheOldOne) {
  Make(TMachineWindows::NT);
  WriteRegistryString(kLocalMachine, "\\Software\\Old", "Value", "1");
  WriteFile("C:\\Long File Name.txt", "old");
  ASSERT_EQ(PlatformFiles().ShortPathName("C:\\Long File Name.txt"), "C:\\LONGFI~1.TXT");
  Make(TMachineWindows::NT);
  EXPECT_EQ(ReadRegistryString(kLocalMachine, "\\Software\\Old", "Value", "gone"), "gone");
  EXPECT_FALSE(Exists("C:\\Long File Name.txt"));
  WriteFile("C:\\Long File Nine.txt", "new");
  EXPECT_EQ(PlatformFiles().ShortPathName("C:\\Long File Nine.txt"), "C:\\LONGFI~1.TXT");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, kWindowsKey, "ProgramFilesDir", ""), "C:\\Program Files");
}

}  // namespace
}  // namespace brim::test
#endif
