// Server registration and shell links through the COM service, checked on
// whichever backend this build has: Windows runs a real server's entry
// points, the substitute machine checks its export table and records it.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ComService.h"
#include "platform/PlatformTest.h"
#ifdef _WIN32
#include "platform/Platform.h"
#else
#include "platform/Platform.h"
#include "platform/TestPE.h"
#include "platform/posix/PosixCom.h"
#endif

namespace brim::test {
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

TEST_F(ComServers, AShellLinkIsSavedAsALinkFile) {
  TShellLink link{.Target = At("app.exe"), .Arguments = "-x", .WorkingDirectory = Scratch,
                  .Description = "The application", .IconPath = At("app.exe"), .IconIndex = 1,
                  .ShowCommand = 7};
  WriteFile(link.Target, "MZ");
  TPlatformError result = NativeComService().SaveShellLink(At("App.lnk"), link);
#ifdef _WIN32
  EXPECT_FALSE(result.Failed()) << result.Describe();
  auto file = ReadFile(At("App.lnk"));
  ASSERT_TRUE(file);
  EXPECT_EQ(file->substr(0, 4), std::string("L\0\0\0", 4)) << "a shell link's header";
#else
  EXPECT_EQ(result.Code, hrNotImplemented);
  EXPECT_FALSE(Exists(At("App.lnk")));
#endif
}

}  // namespace
}  // namespace brim::test
