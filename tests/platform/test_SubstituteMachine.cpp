// The substitute machine's own behaviour: its drives, short names kept
// across processes, files in use, the floppy's capacity, the renames at
// restart, batch files, executable resources and started programs.
#ifndef _WIN32

#include "platform/posix/SubstituteMachine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/PlatformTest.h"
#include "platform/posix/BatchInterpreter.h"
#include "platform/posix/ExecutableResources.h"
#include "platform/posix/MachineLocks.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PendingRenames.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/ProgramStart.h"
#include "platform/posix/ShortNames.h"

namespace brim::test {
namespace {

namespace fs = std::filesystem;

class Machine : public PlatformTest {
 protected:
  IFileService& files = PlatformFiles();
  IProcessService& processes = PlatformProcesses();
  TSubstituteMachine& machine() { return TSubstituteMachine::Current(); }
  std::string Host(const std::string& relative) { return machine().Root() + "/" + relative; }
  uint32_t LastError() { return MachineLastError(); }

  static void WriteHost(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
  }
  static std::string ReadHost(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// --- Drives ----------------------------------------------------------------

TEST_F(Machine, DrivesMapToTheMachineAndTheHost) {
  WriteFile("C:\\on-c.txt", "c");
  EXPECT_EQ(ReadHost(Host("drive_c/on-c.txt")), "c");
  WriteFile("A:\\on-a.txt", "a");
  EXPECT_EQ(ReadHost(Host("drive_a/on-a.txt")), "a");
  WriteHost(Host("host.txt"), "host");
  std::string z = "Z:" + Host("host.txt");
  std::replace(z.begin(), z.end(), '/', '\\');
  EXPECT_EQ(ReadFile(z), "host");

  EXPECT_FALSE(files.Open("Q:\\x.txt", accWrite, shareNone, TFileCreation::CreateAlways));
  EXPECT_EQ(LastError(), errPathNotFound);
  fs::create_directory(Host("drive_q"));
  WriteFile("q:\\x.txt", "q");
  EXPECT_EQ(ReadHost(Host("drive_q/x.txt")), "q");
  EXPECT_FALSE(files.FullPathName("\\\\server\\share\\file.txt")) << "no network on the machine";
}

// --- Names in another letter case -------------------------------------------

// The index of names behind case-insensitive lookups sees every change to a
// directory, made on the host by another program right between two lookups
// or through the machine's own calls, with or without the host's change
// notifications.
TEST_F(Machine, NamesChangedBetweenTwoLookupsAreSeen) {
  const std::string dir = Host("drive_c/Dir");
  auto host = [&](const char* name) { return dir + "/" + name; };
  struct Step {
    std::function<void()> change;
    const char* lookup;
    const char* found;  // empty: missing
  };
  const std::vector<Step> steps = {
      {[&] {}, "readme.txt", ""},
      {[&] { WriteHost(host("ReadMe.TXT"), "1"); }, "README.txt", "ReadMe.TXT"},
      {[&] { fs::rename(host("ReadMe.TXT"), host("Other.txt")); }, "readme.TXT", ""},
      {[&] {}, "OTHER.TXT", "Other.txt"},
      {[&] { WriteHost(host("readme.txt"), "2"), WriteHost(host("README.TXT"), "3"); }, "Readme.Txt",
       "README.TXT"},
      {[&] { fs::remove(host("README.TXT")); }, "Readme.Txt", "readme.txt"},
      {[&] { fs::remove(host("Other.txt")); }, "other.txt", ""},
      {[&] { fs::remove_all(dir), fs::create_directory(dir), WriteHost(host("Fresh.txt"), ""); },
       "FRESH.TXT", "Fresh.txt"},
      {[&] { WriteFile("C:\\Dir\\Made.Here", "4"); }, "made.here", "Made.Here"},
      {[&] { EXPECT_TRUE(files.MoveFile("C:\\DIR\\MADE.HERE", "C:\\dir\\Moved.Here")); }, "MADE.HERE",
       ""},
      {[&] {}, "moved.here", "Moved.Here"},
      {[&] { EXPECT_TRUE(files.DeleteFile("C:\\dir\\MOVED.HERE")); }, "Moved.here", ""},
  };
  for (bool notifications : {true, false}) {
    UseHostChangeNotifications(notifications);
    fs::remove_all(dir);
    fs::create_directory(dir);
    for (size_t i = 0; i < steps.size(); ++i) {
      steps[i].change();
      auto resolved = ResolveMachinePath(std::string("C:\\dir\\") + steps[i].lookup);
      ASSERT_TRUE(resolved) << i;
      EXPECT_EQ(resolved->Exists ? resolved->Name : "", steps[i].found)
          << "step " << i << ", notifications " << notifications;
    }
  }
  UseHostChangeNotifications(true);
}

// --- Short names -------------------------------------------------------------

TEST_F(Machine, ShortNamesAreMadeAsWindowsMakesThem) {
  EXPECT_EQ(MakeShortName("Program Files", 1), "PROGRA~1");
  EXPECT_EQ(MakeShortName("a long name.html", 2), "ALONGN~2.HTM");
  EXPECT_EQ(MakeShortName("x.tar.gz", 1), "XTAR~1.GZ");
  EXPECT_EQ(MakeShortName("a+b=c.txt", 1), "A_B_C~1.TXT");
  EXPECT_EQ(MakeShortName(".profile", 1), "PROFIL~1");
  EXPECT_EQ(MakeShortName("Program Files", 12), "PROGR~12");
  EXPECT_TRUE(IsShortName("readme.txt"));
  EXPECT_TRUE(IsShortName("SETUP~1.EXE"));
  EXPECT_FALSE(IsShortName("read me.txt"));
  EXPECT_FALSE(IsShortName("readme.html"));
  EXPECT_FALSE(IsShortName("a.b.c"));
}

// Windows matches "*." against the names without an extension (Wine takes
// it for "*", so this is checked here only).
TEST_F(Machine, PatternEndingInADotFindsNamesWithoutExtension) {
  for (const char* name : {"readme", "a.txt", "Long Name"}) WriteFile(At(name), name);
  std::vector<std::string> names;
  for (const auto& entry : files.FindFiles(At("*."))) names.push_back(entry.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Long Name", "readme"}));
}

TEST_F(Machine, ClashingNamesAreNumberedInCreationOrder) {
  ASSERT_TRUE(files.CreateDirectory("C:\\Product Files"));
  ASSERT_TRUE(files.CreateDirectory("C:\\Product Data"));
  WriteFile("C:\\Product Files\\Long Name Two.txt", "2");
  WriteFile("C:\\Product Files\\Long Name One.txt", "1");
  EXPECT_EQ(files.ShortPathName("C:\\Product Files"), "C:\\PRODUC~1");
  EXPECT_EQ(files.ShortPathName("C:\\Product Data"), "C:\\PRODUC~2");
  EXPECT_EQ(files.ShortPathName("C:\\Product Files\\Long Name Two.txt"),
            "C:\\PRODUC~1\\LONGNA~1.TXT");
  EXPECT_EQ(ReadFile("C:\\produc~1\\longna~2.txt"), "1");

  // A file that is gone gives its number back.
  ASSERT_TRUE(files.DeleteFile("C:\\Product Files\\Long Name Two.txt"));
  WriteFile("C:\\Product Files\\Long Name Three.txt", "3");
  EXPECT_EQ(files.ShortPathName("C:\\Product Files\\Long Name Three.txt"),
            "C:\\PRODUC~1\\LONGNA~1.TXT");
  // The old file back from outside does not take its old name from the new one.
  WriteHost(Host("drive_c/Product Files/Long Name Two.txt"), "2 again");
  EXPECT_EQ(files.ShortPathName("C:\\Product Files\\Long Name Two.txt"),
            "C:\\PRODUC~1\\LONGNA~3.TXT");
  EXPECT_EQ(ReadFile("C:\\PRODUC~1\\LONGNA~1.TXT"), "3");
}

TEST_F(Machine, ShortNamesStayTheSameInAnotherProcess) {
  ASSERT_TRUE(files.CreateDirectory("C:\\Shared Long Name"));
  WriteFile("C:\\Shared Long Name\\Another Long File.dat", "x");
  auto first = files.ShortPathName("C:\\Shared Long Name\\Another Long File.dat");
  ASSERT_TRUE(first);

  // Another process renames the first directory and makes a clashing one:
  // ours must keep its name, and the new one gets the next number.
  std::string root = machine().Root();
  pid_t child = fork();
  if (child == 0) {
    TSubstituteMachine::Use(root);
    bool ok = PlatformFiles().CreateDirectory("C:\\Shared Long Other") &&
              PlatformFiles().ShortPathName("C:\\Shared Long Other") == "C:\\SHARED~2";
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::string other = (fs::path(root).parent_path() / "other-machine").string();
  TSubstituteMachine::Use(other);  // forget what this process knew
  TSubstituteMachine::Use(root);
  fs::remove_all(other);
  EXPECT_EQ(files.ShortPathName("C:\\Shared Long Name\\Another Long File.dat"), first);
  EXPECT_EQ(files.ShortPathName("C:\\Shared Long Other"), "C:\\SHARED~2");
}

TEST_F(Machine, ShortPathsReachFilesMadeOnTheHost) {
  fs::create_directories(Host("drive_c/Alpha Beta 1"));
  fs::create_directories(Host("drive_c/Alpha Beta 2"));
  WriteHost(Host("drive_c/Alpha Beta 2/file.txt"), "two");
  EXPECT_EQ(ReadFile("C:\\ALPHAB~2\\FILE.TXT"), "two");
  EXPECT_EQ(files.ShortPathName("C:\\Alpha Beta 1"), "C:\\ALPHAB~1");
}

// Windows refuses to open a read-only file for writing; Wine run by root
// does not, so this is checked here rather than with the Windows calls.
TEST_F(Machine, ReadOnlyFileCannotBeOpenedForWriting) {
  WriteFile("C:\\locked.txt", "keep");
  ASSERT_TRUE(files.SetAttributes("C:\\locked.txt", attrReadOnly));
  EXPECT_FALSE(files.Open("C:\\locked.txt", accWrite, shareNone, TFileCreation::OpenExisting));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_FALSE(files.Open("C:\\locked.txt", accRead, shareRead, TFileCreation::CreateAlways));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_EQ(ReadFile("C:\\locked.txt"), "keep");
}

// --- Files in use ----------------------------------------------------------------

TEST_F(Machine, FileInUseCanBeReadButNotChanged) {
  WriteFile("C:\\app.dll", "running");
  WriteFile("C:\\new.dll", "update");
  ASSERT_TRUE(MarkFileInUse("c:\\APP.DLL", true));
  EXPECT_EQ(machine().Facts().Read("InUse", "C:\\APP.DLL"), "1");

  EXPECT_EQ(ReadFile("C:\\app.dll"), "running");
  EXPECT_FALSE(files.Open("C:\\app.dll", accRead, shareNone, TFileCreation::OpenExisting));
  EXPECT_EQ(LastError(), errSharingViolation);
  EXPECT_FALSE(files.Open("C:\\app.dll", accWrite, shareRead, TFileCreation::OpenExisting));
  EXPECT_EQ(LastError(), errSharingViolation);
  EXPECT_FALSE(files.DeleteFile("C:\\app.dll"));
  EXPECT_EQ(LastError(), errSharingViolation);
  EXPECT_FALSE(files.MoveFile("C:\\app.dll", "C:\\app.old"));
  EXPECT_EQ(LastError(), errSharingViolation);
  EXPECT_FALSE(files.CopyFile("C:\\new.dll", "C:\\app.dll", false));
  EXPECT_EQ(LastError(), errSharingViolation);
  EXPECT_TRUE(files.CopyFile("C:\\app.dll", "C:\\copy.dll", false)) << "copying it away reads it";
  EXPECT_EQ(ReadFile("C:\\app.dll"), "running");

  ASSERT_TRUE(MarkFileInUse("C:\\app.dll", false));
  EXPECT_TRUE(files.DeleteFile("C:\\app.dll"));
}

TEST_F(Machine, DirectoryHoldingAFileInUseOrOpenCannotBeMoved) {
  ASSERT_TRUE(files.CreateDirectory("C:\\App"));
  WriteFile("C:\\App\\app.exe", "running");
  ASSERT_TRUE(MarkFileInUse("C:\\App\\app.exe", true));
  EXPECT_FALSE(files.MoveFile("C:\\App", "C:\\Moved"));
  EXPECT_EQ(LastError(), errAccessDenied);
  ASSERT_TRUE(MarkFileInUse("C:\\App\\app.exe", false));
  {
    auto open = files.Open("C:\\App\\app.exe", accRead, shareRead | shareDelete,
                           TFileCreation::OpenExisting);
    ASSERT_TRUE(open);
    EXPECT_FALSE(files.MoveFile("C:\\App", "C:\\Moved"));
    EXPECT_EQ(LastError(), errAccessDenied);
  }
  EXPECT_TRUE(files.MoveFile("C:\\App", "C:\\Moved"));
  EXPECT_EQ(ReadFile("C:\\Moved\\app.exe"), "running");
}

// --- The floppy ------------------------------------------------------------------

TEST_F(Machine, FloppyFillsUpAtItsCapacity) {
  ASSERT_TRUE(machine().SetFact("Machine", "FloppyCapacity", "1000"));
  WriteFile("A:\\one.bin", std::string(600, 'x'));
  EXPECT_EQ(files.DiskFreeSpace("A:\\"), 400u);

  auto file = files.Open("A:\\two.bin", accWrite, shareNone, TFileCreation::CreateNew);
  ASSERT_TRUE(file);
  std::string data(600, 'y');
  uint32_t done = 0;
  EXPECT_FALSE(file->Write(data.data(), 600, done));
  EXPECT_EQ(LastError(), errDiskFull);
  EXPECT_EQ(done, 400u) << "what fits is written";
  file.reset();
  EXPECT_EQ(files.DiskFreeSpace("A:\\"), 0u);

  WriteFile("C:\\big.bin", std::string(500, 'z'));
  EXPECT_FALSE(files.CopyFile("C:\\big.bin", "A:\\big.bin", false));
  EXPECT_EQ(LastError(), errDiskFull);
  EXPECT_FALSE(files.GetAttributes("A:\\big.bin"));
  ASSERT_TRUE(files.DeleteFile("A:\\one.bin"));
  EXPECT_TRUE(files.CopyFile("C:\\big.bin", "A:\\big.bin", false));
}

// --- Renames at restart -------------------------------------------------------------

TEST_F(Machine, PendingRenamesAreStoredAsWindowsStoresThem) {
  std::string before = files.CurrentDirectory();
  ASSERT_TRUE(files.SetCurrentDirectory(Scratch));
  EXPECT_TRUE(files.MoveFileAtReboot("app.1", "app.dll", true));
  ASSERT_TRUE(files.SetCurrentDirectory(before));
  ASSERT_TRUE(files.MoveFileAtReboot(At("old.tmp"), "", false));
  ASSERT_TRUE(files.MoveFileAtReboot(At("a.txt"), At("b.txt"), false));

  auto key =
      PlatformRegistry().OpenKey(TRegRoot::LocalMachine, kSessionManagerKey, TRegAccess::Read);
  ASSERT_TRUE(key);
  auto value = key->ReadValue("PendingFileRenameOperations");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->Type, TRegType::MultiString);
  std::string p = "\\??\\" + Scratch + "\\";
  std::string expected = p + "app.1" + '\0' + "!" + p + "app.dll" + '\0' + p + "old.tmp" + '\0' +
                         '\0' + p + "a.txt" + '\0' + p + "b.txt" + '\0' + '\0';
  EXPECT_EQ(value->Data, expected);
}

TEST_F(Machine, PendingRenamesArePerformedInOrderAtRestart) {
  WriteFile(At("app.1"), "new app");
  WriteFile(At("app.dll"), "old app");
  WriteFile(At("old.tmp"), "junk");
  WriteFile(At("a.txt"), "a");
  WriteFile(At("taken.txt"), "taken");
  ASSERT_TRUE(MarkFileInUse(At("app.dll"), true));  // nothing runs at restart
  ASSERT_TRUE(files.MoveFileAtReboot(At("app.1"), At("app.dll"), true));
  ASSERT_TRUE(files.MoveFileAtReboot(At("missing.txt"), At("never.txt"), false));
  ASSERT_TRUE(files.MoveFileAtReboot(At("a.txt"), At("taken.txt"), false));
  ASSERT_TRUE(files.MoveFileAtReboot(At("old.tmp"), "", false));

  testing::internal::CaptureStderr();
  ApplyPendingRenames();
  std::string report = testing::internal::GetCapturedStderr();

  EXPECT_EQ(ReadFile(At("app.dll")), "new app");
  EXPECT_FALSE(Exists(At("app.1")));
  EXPECT_FALSE(Exists(At("old.tmp"))) << "the failures before did not stop the rest";
  EXPECT_EQ(ReadFile(At("taken.txt")), "taken") << "without \"!\" an existing target stays";
  EXPECT_NE(report.find("missing.txt"), std::string::npos) << report;
  EXPECT_NE(report.find("a.txt"), std::string::npos) << report;
  auto key =
      PlatformRegistry().OpenKey(TRegRoot::LocalMachine, kSessionManagerKey, TRegAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_FALSE(key->ReadValue("PendingFileRenameOperations"));
}

TEST_F(Machine, WininitRenamesAreDoneAndTheFileKept) {
  // C:\Program Files is there on a fresh machine.
  WriteFile("C:\\Program Files\\app.dll", "old");
  WriteFile("C:\\Program Files\\app.1", "new");
  WriteFile("C:\\Program Files\\leftover.tmp", "junk");
  WriteFile("C:\\WINDOWS\\WININIT.INI",
            "[Rename]\r\nNUL=C:\\PROGRA~1\\leftover.tmp\r\nC:\\PROGRA~1\\APP.DLL=C:\\PROGRA~1\\APP."
            "1\r\n");
  ApplyWininitRenames();
  EXPECT_EQ(ReadFile("C:\\Program Files\\app.dll"), "new");
  EXPECT_FALSE(Exists("C:\\Program Files\\app.1"));
  EXPECT_FALSE(Exists("C:\\Program Files\\leftover.tmp"));
  EXPECT_FALSE(Exists("C:\\WINDOWS\\WININIT.INI"));
  EXPECT_NE(ReadFile("C:\\WINDOWS\\WININIT.BAK").value_or("").find("[Rename]"), std::string::npos);
}

TEST_F(Machine, Windows95RefusesRenamesAtRestart) {
  ASSERT_TRUE(machine().SetFact("Machine", "Platform", "1"));
  WriteFile(At("app.1"), "x");
  EXPECT_FALSE(files.MoveFileAtReboot(At("app.1"), At("app.dll"), true));
  EXPECT_EQ(LastError(), errCallNotImplemented);
}

TEST_F(Machine, RebootIsRecordedForTheMachineTool) {
  EXPECT_TRUE(PlatformSystem().Reboot());
  EXPECT_EQ(machine().Facts().Read("Machine", "RebootRequested"), "1");
}

// --- Batch files ----------------------------------------------------------------

TEST_F(Machine, BatchFilesEraseMoveAndRemoveTrees) {
  // C:\Program Files is there on a fresh machine.
  ASSERT_TRUE(files.CreateDirectory("C:\\Setup Directory"));
  ASSERT_TRUE(files.CreateDirectory("C:\\Setup Directory\\Sub Folder"));
  ASSERT_TRUE(files.CreateDirectory("C:\\Quoted Dir"));
  WriteFile("C:\\Program Files\\app.dll", "old");
  WriteFile("C:\\Program Files\\app.1", "new");
  WriteFile("C:\\Program Files\\keep.txt", "keep");
  WriteFile("C:\\Program Files\\other.txt", "other");
  WriteFile("C:\\Setup Directory\\Sub Folder\\setup.exe", "setup");
  ASSERT_TRUE(files.SetAttributes("C:\\Setup Directory\\Sub Folder\\setup.exe", attrReadOnly));
  WriteFile("C:\\Quoted Dir\\file.txt", "q");
  std::string script =
      "@echo off\r\n"
      "rem replace a file that was in use\r\n"
      "ERASE C:\\PROGRA~1\\APP.DLL\r\n"
      "move C:\\PROGRA~1\\APP.1 C:\\PROGRA~1\\APP.DLL\r\n"
      "move C:\\PROGRA~1\\other.txt C:\\PROGRA~1\\keep.txt\r\n"
      "frobnicate C:\\PROGRA~1\r\n"
      "\r\n"
      "DelTree /Y C:\\SETUPD~1\r\n"
      "del \"C:\\Quoted Dir\\file.txt\"\r\n"
      "erase C:\\nothing-here.txt\r\n"
      "ERASE C:\\cleanup.bat\r\n";
  WriteFile("C:\\cleanup.bat", script);

  testing::internal::CaptureStderr();
  EXPECT_TRUE(processes.RunBatchFile("C:\\cleanup.bat", TShowWindow::Hide));
  std::string report = testing::internal::GetCapturedStderr();

  EXPECT_EQ(ReadFile("C:\\Program Files\\app.dll"), "new");
  EXPECT_FALSE(Exists("C:\\Program Files\\app.1"));
  EXPECT_EQ(ReadFile("C:\\Program Files\\keep.txt"), "keep") << "move does not replace";
  EXPECT_EQ(ReadFile("C:\\Program Files\\other.txt"), "other");
  EXPECT_FALSE(Exists("C:\\Setup Directory")) << "the tree goes, read-only files too";
  EXPECT_FALSE(Exists("C:\\Quoted Dir\\file.txt"));
  EXPECT_FALSE(Exists("C:\\cleanup.bat")) << "a script may erase itself";
  EXPECT_NE(report.find("frobnicate"), std::string::npos) << report;
  EXPECT_NE(report.find("nothing-here.txt"), std::string::npos) << report;

  EXPECT_FALSE(processes.RunBatchFile("C:\\cleanup.bat", TShowWindow::Hide));
  EXPECT_EQ(LastError(), errFileNotFound);
}

// --- Executable resources ---------------------------------------------------------

class Resources : public Machine {
 protected:
  void SetUp() override {
    Machine::SetUp();
    exe = Host("program");
    image = std::string(
                "\x7F"
                "ELF",
                4) +
            std::string(96, '\x01');
    WriteHost(exe, image);
  }
  std::string exe, image;
};

TEST_F(Resources, ResourcesRoundTripAndKeepTheImage) {
  EXPECT_EQ(ReadExecutableResources(exe)->size(), 0u);
  EXPECT_FALSE(ReadExecutableResource(exe, kResourceTypeRCData, "TINSTALATOR"));
  EXPECT_EQ(LastError(), errResourceTypeNotFound);

  std::string definition("TPF0\0\x01\x02", 7);
  ASSERT_TRUE(WriteExecutableResources(exe, {{kResourceTypeRCData, "TINSTALATOR", definition},
                                             {kResourceTypeRCData, "OTHER", "other"}}));
  EXPECT_EQ(ReadExecutableResource(exe, "#10", "tInstalator"), definition);
  EXPECT_EQ(ReadHost(exe).substr(0, image.size()), image);
  EXPECT_FALSE(ReadExecutableResource(exe, kResourceTypeRCData, "MISSING"));
  EXPECT_EQ(LastError(), errResourceNameNotFound);

  ASSERT_TRUE(WriteExecutableResources(exe, {{"#10", "tinstalator", "bound again"}}));
  auto all = ReadExecutableResources(exe);
  ASSERT_TRUE(all);
  EXPECT_EQ(all->size(), 2u) << "a resource of the same name is replaced";
  EXPECT_EQ(ReadExecutableResource(exe, "#10", "TINSTALATOR"), "bound again");
  EXPECT_EQ(ReadHost(exe).substr(0, image.size()), image);
  EXPECT_EQ(fs::file_size(exe),
            image.size() + (12 + 3 + 11 + 11) + (12 + 3 + 5 + 5) + kResourceTrailerSize);
}

TEST_F(Resources, DamagedTrailersAreRefused) {
  ASSERT_TRUE(WriteExecutableResources(exe, {{"#10", "TINSTALATOR", "definition"}}));
  const std::string good = ReadHost(exe);
  const size_t trailer = good.size() - kResourceTrailerSize;
  auto damaged = [&](size_t at, char byte) {
    std::string bytes = good;
    bytes[at] = byte;
    WriteHost(exe, bytes);
  };
  damaged(trailer + 7, '\x7F');  // block offset far past the end
  EXPECT_FALSE(ReadExecutableResources(exe));
  damaged(trailer + 8, '\x09');  // more entries than there are
  EXPECT_FALSE(ReadExecutableResources(exe));
  damaged(image.size() + 3, '\x40');  // a type length past the block
  EXPECT_FALSE(ReadExecutableResource(exe, "#10", "TINSTALATOR"));
  std::string before = ReadHost(exe);
  std::string error;
  EXPECT_FALSE(WriteExecutableResources(exe, {{"#10", "X", "y"}}, &error));
  EXPECT_NE(error.find(exe), std::string::npos) << error;
  EXPECT_EQ(ReadHost(exe), before) << "a damaged file is left alone";

  // No damage to any one byte of the block or trailer makes a read go wrong.
  for (size_t at = image.size(); at < good.size(); ++at) {
    damaged(at, static_cast<char>(good[at] ^ 0xA5));
    auto entries = ReadExecutableResources(exe);
    if (entries) {
      for (const auto& entry : *entries) EXPECT_LE(entry.Data.size(), good.size());
    }
  }
}

TEST_F(Resources, RunningProgramIsSeenFromTheMachine) {
  IModuleService& module = PlatformModule();
  std::string name = module.ModuleFileName();
  EXPECT_EQ(name.substr(0, 3), "Z:\\");
  EXPECT_NE(name.find("brim_tests"), std::string::npos) << name;
  EXPECT_FALSE(module.LoadResource("TINSTALATOR")) << "the test program has none bound";
}

// --- Starting programs -------------------------------------------------------------

TEST_F(Machine, ArgumentsAreSplitAsTheWindowsRuntimeDoes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLineArguments(" a  b\tc "), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitCommandLineArguments("\"two words\" x"), (V{"two words", "x"}));
  EXPECT_EQ(SplitCommandLineArguments("a\\\"b"), (V{"a\"b"}));
  EXPECT_EQ(SplitCommandLineArguments("\"C:\\dir\\\\\" next"), (V{"C:\\dir\\", "next"}));
  EXPECT_EQ(SplitCommandLineArguments("C:\\a\\b"), (V{"C:\\a\\b"}));
  EXPECT_EQ(SplitCommandLineArguments("\"say \"\"hi\"\"\""), (V{"say \"hi\""}));
  EXPECT_EQ(SplitCommandLineArguments("\"\""), (V{""}));
}

TEST_F(Machine, HostScriptIsStartedWithTheMachine) {
  std::string out = Host("started.txt");
  WriteFile(At("run.sh"),
            "#!/bin/sh\nprintf '%s|%s|%s' \"$BRIMWELL_MACHINE\" \"$1\" \"$2\" > \"$3.part\"\n"
            "mv \"$3.part\" \"$3\"\n");
  std::string host = Host("drive_c/" + Scratch.substr(3) + "/run.sh");
  ASSERT_EQ(chmod(host.c_str(), 0755), 0);

  ASSERT_TRUE(
      processes.StartProgram(At("run.sh") + " \"two words\" a\\\"b " + out, TShowWindow::Hide))
      << LastError();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ReadHost(out), machine().Root() + "|two words|a\"b");
}

TEST_F(Machine, ARunProgramGivesItsExitCodeOrTimesOut) {
  WriteFile(At("exit.sh"), "#!/bin/sh\nexit \"$1\"\n");
  WriteFile(At("slow.sh"), "#!/bin/sh\nsleep 5\n");
  for (const char* name : {"exit.sh", "slow.sh"}) {
    std::string host = Host("drive_c/" + Scratch.substr(3) + "/" + name);
    ASSERT_EQ(chmod(host.c_str(), 0755), 0);
  }
  const std::pair<std::string, uint32_t> exits[] = {{"0", 0}, {"3", 3}, {"255", 255}};
  for (const auto& [argument, code] : exits)
    EXPECT_EQ(processes.RunProgram(At("exit.sh") + " " + argument, TShowWindow::Hide, waitForever),
              code);
  WriteFile(At("gone.txt"), "x");
  WriteFile(At("job.bat"), "erase " + At("gone.txt") + "\r\n");
  EXPECT_EQ(processes.RunProgram(At("job.bat"), TShowWindow::Hide, 1000), 0u);
  EXPECT_FALSE(Exists(At("gone.txt")));

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(processes.RunProgram(At("slow.sh"), TShowWindow::Hide, 100), std::nullopt);
  EXPECT_EQ(LastError(), errTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(processes.RunProgram(At("missing.exe"), TShowWindow::Hide, waitForever), std::nullopt);
  EXPECT_EQ(LastError(), errFileNotFound);
}

TEST_F(Machine, ProgramsThatCannotRunHereAreRefused) {
  WriteFile(At("app.exe"), "MZ\x90\x00 a Windows program");
  EXPECT_FALSE(processes.StartProgram(At("app.exe") + " /REGSERVER", TShowWindow::Hide));
  EXPECT_EQ(LastError(), errBadExeFormat);
  EXPECT_FALSE(processes.StartProgram(At("app") + " /REGSERVER", TShowWindow::Hide))
      << "found with .exe added";
  EXPECT_EQ(LastError(), errBadExeFormat);
  EXPECT_FALSE(processes.StartProgram(At("missing.exe"), TShowWindow::Hide));
  EXPECT_EQ(LastError(), errFileNotFound);

  WriteFile(At("gone.txt"), "x");
  WriteFile(At("job.bat"), "erase " + At("gone.txt") + "\r\n");
  EXPECT_TRUE(processes.StartProgram(At("job.bat"), TShowWindow::Hide));
  EXPECT_FALSE(Exists(At("gone.txt"))) << "batch files run to their end at once";
}

}  // namespace
}  // namespace brim::test

#endif  // _WIN32
