// What the win32 backend adds to the plain API calls: batch files started
// through the command interpreter, and the refusals Windows makes on
// protected files, which Wine does not make by itself.
#ifdef _WIN32

#include "platform/PlatformTest.h"
#include "platform/win32/Win32Api.h"

namespace brim::test {
namespace {

class Win32Files : public PlatformTest {
 protected:
  IFileService& files = PlatformFiles();
  IProcessService& processes = PlatformProcesses();
  uint32_t LastError() { return PlatformSystem().LastError(); }

  // Started programs run on their own: wait (up to 10 s) for what they do.
  bool Gone(const std::string& path) {
    for (int i = 0; i < 200 && Exists(path); ++i) ::Sleep(50);
    return !Exists(path);
  }
};

TEST_F(Win32Files, BatchFileRunsFromADirectoryWithSpacesAndSymbols) {
  // Temporary directories under "Documents and Settings" or a user name with
  // "&" or "(" must not split the command.
  std::string dir = At("Setup & Cleanup (old)");
  ASSERT_TRUE(files.CreateDirectory(dir));
  WriteFile(dir + "\\gone.txt", "x");
  std::string batch = dir + "\\clean up.bat";
  WriteFile(batch, "@echo off\r\nerase \"" + dir + "\\gone.txt\"\r\n");
  ASSERT_TRUE(processes.RunBatchFile(batch, TShowWindow::Hide)) << "error " << LastError();
  EXPECT_TRUE(Gone(dir + "\\gone.txt"));
}

TEST_F(Win32Files, MissingBatchFileOrProgramIsNotStarted) {
  EXPECT_FALSE(processes.RunBatchFile(At("missing.bat"), TShowWindow::Hide));
  EXPECT_EQ(LastError(), errFileNotFound);
  EXPECT_FALSE(processes.StartProgram(At("missing.exe") + " /REGSERVER", TShowWindow::Hide));
  EXPECT_EQ(LastError(), errFileNotFound);
}

TEST_F(Win32Files, StartedProgramRunsWithItsArguments) {
  WriteFile(At("gone.txt"), "x");
  ASSERT_TRUE(
      processes.StartProgram("cmd.exe /c erase \"" + At("gone.txt") + "\"", TShowWindow::Hide))
      << "error " << LastError();
  EXPECT_TRUE(Gone(At("gone.txt")));
}

TEST_F(Win32Files, ARunProgramGivesItsExitCode) {
  const std::pair<std::string, uint32_t> exits[] = {{"0", 0}, {"3", 3}, {"255", 255}};
  for (const auto& [argument, code] : exits)
    EXPECT_EQ(processes.RunProgram("cmd.exe /c exit " + argument, TShowWindow::Hide, 10000), code);
  EXPECT_EQ(processes.RunProgram(At("missing.exe"), TShowWindow::Hide, waitForever), std::nullopt);
  EXPECT_EQ(LastError(), errFileNotFound);
}

TEST_F(Win32Files, ReadOnlyTargetsAreNotReplaced) {
  WriteFile(At("new.dll"), "new");
  WriteFile(At("old.dll"), "old");
  ASSERT_TRUE(files.SetAttributes(At("old.dll"), attrReadOnly));
  EXPECT_FALSE(files.CopyFile(At("new.dll"), At("old.dll"), false));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_FALSE(files.Open(At("old.dll"), accWrite, shareNone, TFileCreation::CreateAlways));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_EQ(ReadFile(At("old.dll")), "old");

  std::string ini = At("setup.ini");
  WriteFile(ini, "[Main]\r\nKey=old\r\n");
  ASSERT_TRUE(files.SetAttributes(ini, attrReadOnly));
  EXPECT_FALSE(files.WriteProfileString(ini, "Main", "Key", "new"));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_EQ(files.ReadProfileString(ini, "Main", "Key"), "old");

  files.SetAttributes(At("old.dll"), attrNormal);
  files.SetAttributes(ini, attrNormal);
}

TEST_F(Win32Files, HiddenAndSystemFilesAreNotRecreatedOver) {
  WriteFile(At("hidden.dat"), "hidden");
  WriteFile(At("system.dat"), "system");
  ASSERT_TRUE(files.SetAttributes(At("hidden.dat"), attrHidden));
  ASSERT_TRUE(files.SetAttributes(At("system.dat"), attrSystem));
  EXPECT_FALSE(files.Open(At("hidden.dat"), accWrite, shareNone, TFileCreation::CreateAlways));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_FALSE(files.Open(At("system.dat"), accWrite, shareNone, TFileCreation::CreateAlways));
  EXPECT_EQ(LastError(), errAccessDenied);
  WriteFile(At("new.dat"), "new");
  EXPECT_FALSE(files.CopyFile(At("new.dat"), At("hidden.dat"), false));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_EQ(ReadFile(At("hidden.dat")), "hidden");
  EXPECT_EQ(ReadFile(At("system.dat")), "system");
  // Opening them in place is allowed.
  EXPECT_TRUE(files.Open(At("hidden.dat"), accWrite, shareNone, TFileCreation::OpenExisting));
}

TEST_F(Win32Files, ProfileValuesMayBeEmptyOrLong) {
  std::string ini = At("values.ini");
  std::string longValue(5000, 'v');
  ASSERT_TRUE(files.WriteProfileString(ini, "Main", "Empty", ""));
  ASSERT_TRUE(files.WriteProfileString(ini, "Main", "Long", longValue));
  EXPECT_EQ(files.ReadProfileString(ini, "Main", "Empty"), "");
  EXPECT_EQ(files.ReadProfileString(ini, "Main", "Long"), longValue);
  EXPECT_FALSE(files.ReadProfileString(ini, "Main", "Missing"));
}

}  // namespace
}  // namespace brim::test

#endif  // _WIN32
