// Server registration and shell links through the COM service, checked on
// whichever backend this build has: Windows runs a real server's entry
// points and saves links through the shell, the substitute machine checks
// its export table and records it, and writes link files itself.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ComService.h"
#include "platform/FaultInjection.h"
#include "platform/Platform.h"
#include "platform/PlatformTest.h"
#ifndef _WIN32
#include "platform/TestPE.h"
#include "platform/posix/PosixCom.h"
#endif

namespace brim::test {

// Whether the shell reads a link's show command back: Wine 8 reads every
// link's as SW_SHOWNORMAL, its own links' too (Windows and the machine
// read what was saved).
bool ReadsShowCommands();

namespace {

class ComServers : public PlatformTest {
 protected:
  enum class TFile { Missing, NotAProgram, NoEntryPoint, Server };

  // A file of each kind: on Windows real libraries built beside the tests,
  // on the substitute machine PE files made in memory.
  std::string FileOf(TFile kind) {
    switch (kind) {
      case TFile::Missing: return At("missing.dll");
      case TFile::NotAProgram: WriteFile(At("text.dll"), "not a program"); return At("text.dll");
#ifdef _WIN32
      case TFile::NoEntryPoint: return BesideTests("VersionTestLibrary.dll");
      case TFile::Server: return BesideTests("ComTestServer.dll");
#else
      case TFile::NoEntryPoint:
        WriteFile(At("plain.dll"), BuildPEWithoutResources({.Exports = {"Other"}}));
        return At("plain.dll");
      case TFile::Server:
        WriteFile(At("server.dll"), BuildPEWithoutResources(
                                        {.Exports = {"DllRegisterServer", "DllUnregisterServer"}}));
        return At("server.dll");
#endif
    }
    return {};
  }

  // Whether the server's registration can be seen on the machine.
  bool Registered(const std::string& server) {
#ifdef _WIN32
    auto key = PlatformRegistry().OpenKey(TRegRoot::CurrentUser,
                                          "Software\\BrimwellTests\\ComTestServer", TRegAccess::Read);
    return key && key->ReadValue("Registered").has_value();
#else
    auto servers = RegisteredComServers();
    return std::find(servers.begin(), servers.end(), server) != servers.end();
#endif
  }

#ifdef _WIN32
  static std::string BesideTests(const std::string& name) {
    std::string program = PlatformModule().ModuleFileName();
    return program.substr(0, program.rfind('\\') + 1) + name;
  }
#endif
};

TEST_F(ComServers, RegistrationReportsTheHResultOfEachStep) {
  struct Case {
    TFile File;
    bool Unregister;
    uint32_t HResult;
    bool RegisteredAfter;
  } cases[] = {
      {TFile::Missing, false, hrFileNotFound, false},
      {TFile::NotAProgram, false, hrBadExeFormat, false},
      {TFile::NoEntryPoint, false, hrProcNotFound, false},
      {TFile::Server, false, hrOk, true},
      {TFile::Server, true, hrOk, false},
  };
  for (const auto& c : cases) {
    std::string path = FileOf(c.File);
    TPlatformError result = NativeComService().RegisterServer(path, c.Unregister);
    EXPECT_EQ(result.Domain, TErrorDomain::HResult) << path;
    EXPECT_EQ(result.Code, c.HResult) << path << ": " << result.Describe();
    if (c.File == TFile::Server) {
      EXPECT_EQ(Registered(path), c.RegisteredAfter) << path;
    }
  }
}

#ifdef _WIN32
// A server named without its folder would be searched for, and a library of
// that name beside the running program would be found and run: refused.
TEST_F(ComServers, AServerNamedWithoutItsFolderIsRefused) {
  TPlatformError result = NativeComService().RegisterServer("ComTestServer.dll", false);
  EXPECT_EQ(result.Code, hrBadPathname) << result.Describe();
  EXPECT_FALSE(Registered(BesideTests("ComTestServer.dll")));
}
#endif

#ifndef _WIN32
// A server program registers itself when it runs on Windows; the machine,
// which cannot run it, records the registration of a Windows program.
TEST_F(ComServers, AServerProgramAskedToRegisterIsRecorded) {
  WriteFile(At("Server Program.exe"), BuildPEWithoutResources({}));
  WriteFile(At("library.dll"), BuildPEWithoutResources({.Exports = {"DllRegisterServer"}}));
  struct Case {
    std::string CommandLine;
    bool Started;
    bool RegisteredAfter;
  } cases[] = {
      {"\"" + At("Server Program.exe") + "\" /x", false, false},
      {"\"" + At("library.dll") + "\" /REGSERVER", false, false},
      {"\"" + At("Server Program.exe") + "\" /RegServer", true, true},
      {"\"" + At("Server Program.exe") + "\" /UNREGSERVER", true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlatformProcesses().StartProgram(c.CommandLine, TShowWindow::Hide), c.Started) << c.CommandLine;
    if (!c.Started) {
      EXPECT_EQ(PlatformSystem().LastError(), errBadExeFormat) << c.CommandLine;
    }
    EXPECT_EQ(Registered(At("Server Program.exe")), c.RegisteredAfter) << c.CommandLine;
  }
}
#endif

// Each field of a link reads back as saved, on Windows through the shell's
// own link object, on the substitute machine from the file's bytes.
TEST_F(ComServers, AShellLinkIsSavedAsALinkFile) {
  ASSERT_TRUE(PlatformFiles().CreateDirectory(At("Program Files")));
  ASSERT_TRUE(PlatformFiles().CreateDirectory(At("Program Files\\Caf\xE9")));
  const std::string app = At("app.exe"), spaced = At("Program Files\\Caf\xE9\\my app.exe");
  WriteFile(app, "MZ");
  WriteFile(spaced, "MZ");
  // Target, arguments, working directory, description, icon path and index,
  // show command, hot key.
  const TShellLink cases[] = {
      {app, "", "", "", "", 0, 1, 0},
      {app, "-x", Scratch, "The application", app, 1, 7, 0},
      // Maximised, Ctrl+Alt+Q, an icon by its resource number.
      {spaced, "/open \"a b.txt\"", At("Program Files\\Caf\xE9"), "",
       At("Program Files\\Caf\xE9\\icons.dll"), -3, 3, 0x0651},
  };
  int number = 0;
  for (const TShellLink& link : cases) {
    const std::string path = At("Program Files\\Caf\xE9\\link " + std::to_string(++number) + ".lnk");
    TPlatformError result = NativeComService().SaveShellLink(path, link);
    EXPECT_FALSE(result.Failed()) << path << ": " << result.Describe();
    auto file = ReadFile(path);
    ASSERT_TRUE(file) << path;
    EXPECT_EQ(file->substr(0, 4), std::string("L\0\0\0", 4)) << "a shell link's header";
    TShellLink read;
    result = NativeComService().LoadShellLink(path, read);
    EXPECT_FALSE(result.Failed()) << path << ": " << result.Describe();
    EXPECT_EQ(read.Target, link.Target) << path;
    EXPECT_EQ(read.Arguments, link.Arguments) << path;
    EXPECT_EQ(read.WorkingDirectory, link.WorkingDirectory) << path;
    EXPECT_EQ(read.Description, link.Description) << path;
    EXPECT_EQ(read.IconPath, link.IconPath) << path;
    EXPECT_EQ(read.IconIndex, link.IconIndex) << path;
    EXPECT_EQ(read.ShowCommand, ReadsShowCommands() ? link.ShowCommand : 1u) << path;
    EXPECT_EQ(read.HotKey, link.HotKey) << path;
  }
}

// A link that cannot be saved leaves no file, or the one that was there;
// a file that is not a link does not load.
TEST_F(ComServers, AShellLinkThatCannotBeSavedOrReadIsAnError) {
  const TShellLink link{At("app.exe"), "-x", "", "", "", 0, 1, 0};
  WriteFile(link.Target, "MZ");
  WriteFile(At("Held.lnk"), "an older link");
  struct SaveCase {
    std::string Path;
    bool Refused;  // by the fault-injecting services
    bool Held;     // open in another program that shares nothing
    uint32_t HResult;
  } saves[] = {
      {At("missing\\App.lnk"), false, false, hrPathNotFound},
      {At("Refused.lnk"), true, false, FaultErrorCode(TFaultKind::ShellLinkSave)},
      {At("Held.lnk"), false, true, HResultFromWin32(errSharingViolation)},
  };
  for (const auto& c : saves) {
    TFaultInjectingServices faults;
    if (c.Refused) faults.FailCall(TFaultKind::ShellLinkSave, 1);
    std::unique_ptr<IFile> holder;
    if (c.Held) holder = PlatformFiles().Open(c.Path, accRead, shareNone, TFileCreation::OpenExisting);
    TScopedPlatformServices scope(faults.Services());
    TShellLinkStep step = TShellLinkStep::Create;
    TPlatformError result = PlatformCom().SaveShellLink(c.Path, link, &step);
    holder.reset();
    EXPECT_EQ(result.Domain, TErrorDomain::HResult) << c.Path;
    EXPECT_EQ(result.Code, c.HResult) << c.Path << ": " << result.Describe();
    EXPECT_EQ(step, TShellLinkStep::Save) << c.Path;
    EXPECT_EQ(ReadFile(c.Path), c.Held ? std::optional<std::string>("an older link") : std::nullopt) << c.Path;
  }

  WriteFile(At("text.lnk"), "not a link, but long enough to hold a link's header: " + std::string(80, 'x'));
  WriteFile(At("short.lnk"), "L");
  struct LoadCase {
    std::string Path;
    std::optional<uint32_t> HResult;  // any failure when not given
  } loads[] = {
      {At("missing.lnk"), hrFileNotFound},
      {At("text.lnk"), std::nullopt},
      {At("short.lnk"), std::nullopt},
  };
  for (const auto& c : loads) {
    TShellLink read;
    TPlatformError result = NativeComService().LoadShellLink(c.Path, read);
    EXPECT_TRUE(result.Failed()) << c.Path;
    if (c.HResult) {
      EXPECT_EQ(result.Code, *c.HResult) << c.Path << ": " << result.Describe();
    }
  }
}

}  // namespace
}  // namespace brim::test

// Last in the file: the Windows header's macros rename the platform
// services' members (DeleteFile) in whatever follows it.
#ifdef _WIN32
#include <windows.h>

bool brim::test::ReadsShowCommands() {
  return !::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version");
}
#else
bool brim::test::ReadsShowCommands() { return true; }
#endif
