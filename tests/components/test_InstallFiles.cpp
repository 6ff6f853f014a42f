// Install files on a fresh machine: the property rules, the replace
// decision, files in use, the registrations and the uninstall entries, and
// a machine that refuses at every step of installing two files.
#include <gtest/gtest.h>

#include "components/InstallFileTest.h"
#include "components/InstallParameters.h"
#include "platform/FaultInjection.h"
#include "platform/ForwardingServices.h"
#include "platform/TestPE.h"
#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"
#ifndef _WIN32
#include "platform/posix/PosixCom.h"
#endif

namespace brim::test {
namespace {

class InstallFiles : public InstallFileTest {};

// The rules the setters apply outside loading.
TEST_F(InstallFiles, SettersApplyTheFileRules) {
  Load(FileText("F", "plain.txt"));
  struct Case {
    const char* Step;
    std::function<void(TCustomInstallFile&)> Set;
    std::function<bool(TCustomInstallFile&)> Holds;
  };
  auto specifier = [&](const TClassInfo& cls) { return ObtainStandardPathSpecifier(cls, form.get()); };
  const Case cases[] = {
      {"readme.hlp is a help file named for its destination", [](auto& f) { f.SetFileName("readme.hlp"); },
       [](auto& f) { return f.RegisterAsHelp && f.DestName == "readme.hlp" && !f.ActiveX; }},
      {"a .cnt is one too", [](auto& f) { f.SetFileName("readme.cnt"); }, [](auto& f) { return f.RegisterAsHelp; }},
      {"an .ocx is a system-wide COM server",
       [](auto& f) { f.SetFileName("grid.ocx"); },
       [&](auto& f) {
         return f.ActiveX && !f.RegisterAsHelp && f.FileType == TInstallFileType::iftSystemWideDLL &&
                f.UpdateDLLCounter && f.OverwriteMode == TOverwriteType::owVersionDate &&
                f.DestDirType() == specifier(TpsSystem::StaticClass()) && f.DestDir().empty();
       }},
      {"an application DLL goes to \\System of the main directory",
       [](auto& f) { f.SetFileType(TInstallFileType::iftApplicationSpecificDLL); },
       [&](auto& f) {
         return f.DestDir() == "\\System" && f.DestDirType() == specifier(TpsMainInstall::StaticClass()) &&
                f.OverwriteMode == TOverwriteType::owVersionDate && !f.UpdateDLLCounter;
       }},
      {"a vendor DLL goes to the common files and is counted",
       [](auto& f) { f.SetFileType(TInstallFileType::iftVendorSharedDLL); },
       [&](auto& f) {
         return f.DestDir() == "\\System" && f.DestDirType() == specifier(TpsCommonFiles::StaticClass()) &&
                f.UpdateDLLCounter;
       }},
      {"a DLL in the Windows directory compares version and date",
       [&](auto& f) { f.SetFileName("lib.dll"), f.SetDestDirType(specifier(TpsWindow::StaticClass())); },
       [](auto& f) { return f.OverwriteMode == TOverwriteType::owVersionDate && f.FileType == TInstallFileType::iftNormal; }},
      {"a DLL in the system directory is system-wide",
       [&](auto& f) { f.SetFileName("lib.dll"), f.SetDestDirType(specifier(TpsSystem::StaticClass())); },
       [](auto& f) { return f.FileType == TInstallFileType::iftSystemWideDLL && f.UpdateDLLCounter; }},
      {"a text file in the system directory stays normal",
       [&](auto& f) { f.SetDestDirType(specifier(TpsSystem::StaticClass())); },
       [](auto& f) { return f.FileType == TInstallFileType::iftNormal && !f.UpdateDLLCounter; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Step);
    Load(FileText("F", "plain.txt"));
    TCustomInstallFile& file = *File("F");
    c.Set(file);
    EXPECT_TRUE(c.Holds(file));
  }
}

TEST_F(InstallFiles, AContradictingDefinitionIsRefusedWithTheObjectsName) {
  Load(FileText("A", "a.txt") + FileText("B", "b.txt") +
       "object Link: TMainLinkGroup\nend\n");
  const struct {
    std::function<void()> Step;
    std::string Message;
  } cases[] = {
      {[&] { File("B")->SetFileName("A.TXT"); }, "There is already a file with the name :" + At("src") + "\\A.TXT"},
      {[&] { File("B")->SetContainer(form->Find<TInstallContainer>("Link")); },
       "The following TInstallFile component B requires the Container property to be a component "
       "descended from the TFileContainer component"},
      {[&] { dir->AssignArchive("", nullptr), File("B")->Process(); },
       "Cannot either compress or decompress the following file because it's archive file property "
       "is blank. File is :b.txt"},
      {[&] { dir->SetDestDir(""), File("B")->Process(); },
       "Cannot compress,copy, or install the following file because it's destination directory is "
       "blank. File is :B"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MessageOf(c.Step), c.Message);
    EXPECT_EQ(File("B")->FileName, "b.txt");
    EXPECT_EQ(File("B")->Container(), dir);
  }
}

TEST_F(InstallFiles, ADestinationThatLeavesItsFolderIsRefusedAtLoad) {
  const std::string leaves = " of Dir leaves its folder", plain = " of F is not a plain file name";
  const struct {
    std::string DestDir, DestName, Error;
  } cases[] = {
      {"\\..\\..\\Windows", "a.exe", "The DestDir \\..\\..\\Windows" + leaves},
      {"\\App/. .\\...", "a.exe", "The DestDir \\App/. .\\..." + leaves},
      {"C:\\Windows", "a.exe", "The DestDir C:\\Windows" + leaves},
      {"\\App", "sub\\a.exe", "The DestName sub\\a.exe" + plain},
      {"\\App\\v1.2\\..x", "a..exe", ""},
  };
  for (const auto& c : cases) {
    std::string error = LoadErrorOnForm(
        "object Dir: TInstallDirectory\n DestDirType = psProgramFiles\n"
        " DestDir = '" +
        c.DestDir + "'\nend\n" + FileText("F", "a.exe", " DestName = '" + c.DestName + "'\n"));
    EXPECT_EQ(error.empty(), c.Error.empty()) << error;
    EXPECT_CONTAINS(error, c.Error);
  }
}

// The replace decision over what is at the destination.
TEST_F(InstallFiles, TheReplaceDecisionKeepsOrWritesAndKeptFilesStillRegister) {
  TTestVersion v2001;
  v2001.FileVersion = {2, 0, 0, 1};
  const std::string archived = BuildPEWithVersion(v2001) + "new";
  const struct {
    const char* Mode;
    std::optional<std::string> Existing;  // none: the destination is absent
    bool Written;
  } cases[] = {
      {"owNever", std::nullopt, true},
      {"owNever", "old", false},
      {"owVersion", BuildPEWithVersion(v2001), false},
      {"owVersion", "no version resource", true},
      {"owAlways", BuildPEWithVersion(v2001), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Mode) + (c.Existing ? " over an existing file" : ""));
    RemoveTree(At("app"));
    Load(FileText("F", "lib.hlp", std::string(" OverwriteMode = ") + c.Mode + "\n RegisterAsHelp = True\n"));
    Archive({{"F", archived}});
    if (c.Existing) {
      ASSERT_TRUE(CreateDirectoryPath(At("app")));
      WriteFile(At("app\\lib.hlp"), *c.Existing);
    }
    std::vector<int> codes;
    dir->OnStatus.Handler = [&](TComponent*, int32_t file, int32_t) { codes.push_back(file); };
    dir->Process();
    EXPECT_EQ(Installed("lib.hlp"), c.Written ? archived : *c.Existing);
    EXPECT_EQ(MachineValue("\\SOFTWARE\\Microsoft\\Windows\\Help", "LIB.HLP"), At("app"));
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), 100);
    EXPECT_EQ(File("F")->Replace, c.Written);
  }
}

std::string ExtensionOf(const std::string& path) {
  size_t dot = path.rfind('.');
  return dot == std::string::npos ? "" : path.substr(dot);
}

TEST_F(InstallFiles, AFileInUseIsWrittenBesideItAndReplacedAtTheRestart) {
  const struct {
    uint32_t PlatformId;
    bool FirstTemporaryTaken;
  } cases[] = {{2, false}, {2, true}, {1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("platform " + std::to_string(c.PlatformId) + (c.FirstTemporaryTaken ? ", app.1 taken" : ""));
    RemoveTree(At("app"));
    Load(FileText("F", "app.dll", " ActiveX = True\n"));
    Archive({{"F", "new"}});
    ASSERT_TRUE(CreateDirectoryPath(At("app")));
    WriteFile(At("app\\app.dll"), "old");
    if (c.FirstTemporaryTaken) WriteFile(At("app\\app.1"), "other");
    const std::string temporary = c.FirstTemporaryTaken ? "app.2" : "app.1";
    TPlatformOf system(PlatformSystem(), c.PlatformId);
    TPlatformServices services;
    services.System = &system;
    TScopedPlatformServices scope(services);
    {
      THeldFile held(At("app\\app.dll"));
      ASSERT_TRUE(held.File);
      dir->Process();
    }
    EXPECT_EQ(Installed("app.dll"), "old");
    EXPECT_EQ(Installed(temporary), "new");
    EXPECT_TRUE(File("F")->InUse);
    EXPECT_EQ(File("F")->DestName, "app.dll") << "the uninstall entries name the file's own name";
    EXPECT_TRUE(install->Reboot);
    EXPECT_EQ(MachineValue(install->InstallRecordKey + "\\Unfinished", "F"), "0") << "registered after the restart";
    EXPECT_EQ(MachineValue(UninstallKey() + "\\ActiveX", "File1"), At("app\\app.dll") + ";0");
    if (c.PlatformId == 1) {
      auto shortOld = PlatformFiles().ShortPathName(At("app\\app.dll"));
      ASSERT_TRUE(shortOld);
      EXPECT_EQ(PlatformFiles().ReadProfileString(GetWindowsDirectoryPath() + "\\WININIT.INI", "Rename", *shortOld),
                ExtractFileDir(*shortOld) + "\\" + temporary);
    }
  }
}

// A file service whose renames at the restart are refused.
class TNoRenameAtRestart : public TTemporaryDirectoryAt {
 public:
  using TTemporaryDirectoryAt::TTemporaryDirectoryAt;
  bool MoveFileAtReboot(const std::string&, const std::string&, bool) override {
    PlatformSystem().SetLastError(errAccessDenied);
    return false;
  }
};

// A clock that stands still, so temporary names drawn from it are known.
struct TStoppedClock : TForwardingSystem {
  using TForwardingSystem::TForwardingSystem;
  uint32_t TickCount() override { return 0x1234; }
};

TEST_F(InstallFiles, WithoutRenamesAtTheRestartABatchFileRunOnceMovesTheFile) {
  // Unquoted, the lines would erase "...\R" and run "D(1)..."; the batch
  // must not go through a link planted where a stopped clock named it.
  const std::string app = At("R&D (1) ^x\\app"), temp = At("R&D (1) ^x\\Temp\\");
  Load(FileText("F", "app.dll"));
  dir->SetDestDir(app);
  Archive({{"F", "new"}});
  ASSERT_TRUE(CreateDirectoryPath(app) && CreateDirectoryPath(temp));
  WriteFile(app + "\\app.dll", "old");
  WriteFile(At("R"), "a sibling");
  WriteFile(At("outside.bat"), "outside");
  PlantLink(temp + "bat1234.bat", At("outside.bat"));
  TNoRenameAtRestart files(temp);
  TStoppedClock clock(PlatformSystem());
  TPlatformServices services;
  services.Files = &files;
  services.System = &clock;
  TScopedPlatformServices scope(services);
  {
    THeldFile held(app + "\\app.dll");
    dir->Process();
  }
  const std::string command = MachineValue(RunOnceKey, "BrimwellBatFile");
  const std::string batch = command.substr(1, command.size() - 2);
  EXPECT_EQ(command, "\"" + batch + "\"");
  EXPECT_EQ(ExtensionOf(batch), ".bat");
  const std::string oldShort = PlatformFiles().ShortPathName(app + "\\app.dll").value_or("?");
  EXPECT_EQ(ReadFile(batch).value_or(""), "erase \"" + oldShort + "\"\r\nmove \"" +
                                              ExtractFileDir(oldShort) + "\\app.1\" \"" + oldShort +
                                              "\"\r\n");
  EXPECT_EQ(MachineValue(install->InstallRecordKey + "\\Unfinished", batch), "1") << "deleted after the restart";
  // Run as the next start runs it: Wine's cmd, or the substitute machine's.
  ASSERT_TRUE(PlatformProcesses().RunProgram(command, TShowWindow::Hide, 60000));
  EXPECT_EQ(ReadFile(app + "\\app.dll"), "new");
  EXPECT_EQ(ReadFile(At("R")), "a sibling");
  EXPECT_EQ(ReadFile(At("outside.bat")), "outside");
  PlatformFiles().DeleteFile(temp + "bat1234.bat");
  RemoveKeyTree(TRegRoot::LocalMachine, std::string(RunOnceKey).substr(1));
}

TEST_F(InstallFiles, ANewDiskIsAskedOfTheContainerAndRemembered) {
  Load(FileText("F", "f.txt"));
  dir->Operation = 2;
  std::vector<std::string> asked;
  dir->OnNewDisk.Handler = [&](TComponent* file, int32_t disk, std::string& path) {
    asked.push_back(file->Name() + " " + std::to_string(disk) + " " + path);
    path = At("disk2");
  };
  TQmbxCompress engine(nullptr);
  std::string path = "ignored";
  File("F")->EngineNewDisk(&engine, 2, path);
  EXPECT_EQ(asked, std::vector<std::string>{"F 2 " + Scratch});
  EXPECT_EQ(path, At("disk2"));
  EXPECT_FALSE(engine.Abort);
  EXPECT_EQ(StandardPathSpecifier<TpsMainArchiveFile>()->DiskDirectory, At("disk2"));
  dir->Operation = 0;
}

TEST_F(InstallFiles, ADownloadReachesTheContainerWithTheSameMeanings) {
  Load(FileText("F", "f.txt"));
  dir->Operation = 2;
  std::vector<std::string> seen;
  auto record = [&](TComponent* sender, const std::string& name, int32_t bytes, int32_t total, int32_t size,
                    const void*) {
    seen.push_back(sender->Name() + " " + name + " " + std::to_string(bytes) + " " + std::to_string(total) +
                   "/" + std::to_string(size));
  };
  File("F")->OnDataReceived.Handler = record;
  dir->OnDataReceived.Handler = record;
  File("F")->DoDataReceived("F.1", 4, 8, 10, "abcd");
  EXPECT_EQ(seen, (std::vector<std::string>{"F F.1 4 8/10", "Dir F.1 4 8/10"}));
  dir->Operation = 0;
}

// The process service of the set, recording the programs started.
class TRecordingProcesses : public IProcessService {
 public:
  bool StartProgram(const std::string& commandLine, TShowWindow show) override {
    Started.push_back(commandLine + (show == TShowWindow::Hide ? " [hidden]" : ""));
    return Result;
  }
  std::optional<uint32_t> RunProgram(const std::string&, TShowWindow, uint32_t) override { return 0; }
  bool RunBatchFile(const std::string&, TShowWindow) override { return true; }
  std::vector<std::string> Started;
  bool Result = true;
};

TEST_F(InstallFiles, ServersRegisterByTheirKind) {
  TRecordingProcesses processes;
  TPlatformServices services;
  services.Processes = &processes;
  TScopedPlatformServices scope(services);
  const std::string library = BuildPEWithoutResources({.Exports = {"DllRegisterServer"}});
  const std::string plain = BuildPEWithoutResources();
  struct Case {
    const char* Name;
    std::string Content;
    std::string Started;  // the program started, "" for none
    std::string Message;  // "" when it registers
  };
  std::vector<Case> cases = {
      {"my tool.exe", plain, "\"" + At("app\\my tool.exe") + "\" /REGSERVER [hidden]", ""},
      {"tool.exe", plain, At("app\\tool.exe") + " /REGSERVER [hidden]", ""},
  };
#ifdef _WIN32
  // Windows loads the library and runs its entry point: real ones, built beside the tests.
  auto beside = [&](const std::string& name) {
    std::string program = PlatformModule().ModuleFileName();
    return ReadFile(program.substr(0, program.rfind('\\') + 1) + name).value_or("");
  };
  const std::string server = beside("ComTestServer.dll"), noEntry = beside("VersionTestLibrary.dll");
  RemoveKeyTree(TRegRoot::CurrentUser, "Software\\BrimwellTests\\ComTestServer");
#else
  const std::string server = library, noEntry = plain;
#endif
  cases.push_back({"grid.ocx", server, "", ""});
  cases.push_back({"plain.ocx", noEntry, "",
                   "Could not register the ActiveX component, " + At("app\\plain.ocx") +
                       ", because the DllRegisterServer function could not be found. The file "
                       "component is F. The following value is the value of the GetLastError "
                       "function: 127"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    processes.Started.clear();
    Load(FileText("F", c.Name, " ActiveX = True\n"));
    Archive({{"F", c.Content}});
    EXPECT_EQ(MessageOf([&] { dir->Process(); }), c.Message);
    EXPECT_EQ(processes.Started, c.Started.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Started});
  }
  // Once a run has begun, a server that fails waits for the run's second try.
  Load(FileText("F", "plain.ocx", " ActiveX = True\n"));
  Archive({{"F", noEntry}});
  install->Running = true;
  install->Processed = true;
  EXPECT_EQ(MessageOf([&] { dir->Process(); }), "");
  EXPECT_TRUE(RegistrationRetryFiles().Contains(File("F")));
  install->Running = false;
  Load(FileText("F", "grid.ocx", " ActiveX = True\n"));
  Archive({{"F", server}});
  dir->Process();
  // The server's own registration took place.
#ifdef _WIN32
  auto key = PlatformRegistry().OpenKey(TRegRoot::CurrentUser, "Software\\BrimwellTests\\ComTestServer",
                                        TRegAccess::Read);
  EXPECT_TRUE(key && key->ReadValue("Registered").has_value());
  key.reset();
  RemoveKeyTree(TRegRoot::CurrentUser, "Software\\BrimwellTests\\ComTestServer");
#else
  auto servers = RegisteredComServers();
  EXPECT_NE(std::find(servers.begin(), servers.end(), At("app\\grid.ocx")), servers.end());
#endif
}

TEST_F(InstallFiles, SharedLibrariesAreCountedUnderTheirLongNameOncePerInstall) {
  Load(FileText("F", "shared library.dll", " UpdateDLLCounter = True\n"));
  Archive({{"F", "lib"}});
  const std::string key = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  for (int32_t count : {1, 2}) {
    dir->Process();
    EXPECT_EQ(MachineInteger(key, At("app\\shared library.dll")), count);
  }
}

TEST_F(InstallFiles, AFilesSubkeyThatRefusesPassesTheEntryOnAndTheWalkEnds) {
  Load(FileText("F", "a.txt"));
  Archive({{"F", "a"}});
  {
    TFaultInjectingServices faults;
    TScopedPlatformServices scope(faults.Services());
    faults.FailCall(TFaultKind::RegistryWrite, 1);
    File("F")->WriteUninstallInfo(UninstallKey());
  }
  EXPECT_EQ(MachineValue(UninstallKey() + "\\Files", "File1"), "<none>");
  EXPECT_EQ(MachineValue(UninstallKey() + "\\Files1", "File1"), At("app\\a.txt"));
  EXPECT_EQ(MachineValue(UninstallKey() + "\\Files1", "Entries"), "1");
  TFaultInjectingServices refusing;
  TScopedPlatformServices scope(refusing.Services());
  refusing.FailFrom(TFaultKind::RegistryWrite, 1);
  EXPECT_EQ(MessageOf([&] { File("F")->WriteUninstallInfo(UninstallKey()); }),
            "Cannot install into registry. Key: " + UninstallKey() + "\\Files99 Ident: File1 Value " +
                At("app\\a.txt"));
}

// Installing two files (a new one, and one over an older copy) on a
// machine that refuses one call: every call in turn.
TEST_F(InstallFiles, ARefusalAtAnyStepEndsInAMessageAndLosesNothing) {
  const std::string files = FileText("A", "a.txt") + FileText("B", "b.dll", " UpdateDLLCounter = True\n RegisterAsHelp = True\n");
  const std::string newA = std::string(70000, 'a'), newB = std::string(90000, 'b');
  auto prepare = [&] {
    RemoveTree(At("app"));
    Load(files);
    Archive({{"A", newA}, {"B", newB}});
    ASSERT_TRUE(CreateDirectoryPath(At("app")));
    WriteFile(At("app\\b.dll"), "old b");
    WriteFile(At("app\\other.txt"), "other");
  };
  const TFaultKind kinds[] = {TFaultKind::RegistryWrite, TFaultKind::RegistryCreateKey, TFaultKind::FileWrite,
                              TFaultKind::FileOpen, TFaultKind::Move};
  for (TFaultKind kind : kinds) {
    prepare();
    uint64_t calls = 0;
    {
      TFaultInjectingServices counting;
      TScopedPlatformServices scope(counting.Services());
      dir->Process();
      calls = counting.Calls(kind);
    }
    ASSERT_GT(calls, 0u);
    for (uint64_t n = 1; n <= calls; ++n) {
      SCOPED_TRACE("call " + std::to_string(n) + " of kind " + std::to_string(static_cast<int>(kind)));
      prepare();
      std::string message;
      {
        TFaultInjectingServices faults;
        faults.FailCall(kind, n);
        TScopedPlatformServices scope(faults.Services());
        try {
          dir->Process();
        } catch (const Exception& e) {
          message = e.Message();
        }
      }
      // Refused the open that tells whether b.dll is in use, it waits for the restart.
      if (message.empty()) {
        EXPECT_TRUE(Installed("b.dll") == newB || install->Reboot);
      }
      EXPECT_TRUE(Installed("a.txt") == newA || Installed("a.txt") == "<none>");
      EXPECT_TRUE(Installed("b.dll") == newB || Installed("b.dll") == "old b");
      EXPECT_EQ(Installed("other.txt"), "other");
      dir->Process();
      EXPECT_EQ(Installed("a.txt"), newA);
      EXPECT_EQ(Installed("b.dll"), newB);
    }
  }
}

TEST_F(InstallFiles, InformationComesFromTheArchiveEntryOfTheFilesIdentity) {
  Load(FileText("A", "a.txt") + FileText("B", "b.txt"));
  Archive({{"A", std::string(1234, 'x')}});
  File("A")->ReadInfoFromArchive();
  File("B")->Version = "kept";
  File("B")->ReadInfoFromArchive();
  EXPECT_EQ(File("A")->UncompressedSize, 1234);
  EXPECT_TRUE(File("A")->InformationRead);
  EXPECT_GT(File("A")->CompressedSize, 0);
  EXPECT_EQ(File("B")->UncompressedSize, 0) << "an identity the archive lacks leaves it unchanged";
  EXPECT_EQ(File("B")->Version, "kept");
  EXPECT_FALSE(File("B")->InformationRead);
}

TEST_F(InstallFiles, TheFileListsKeepEveryFileAndRefuseABlankOne) {
  Load(FileText("A", "a.txt") + FileText("B", "b.txt"));
  EXPECT_TRUE(AllInstallFiles().Contains(File("A")) && AllInstallFiles().Contains(File("B")));
  TCustomInstallFile* a = File("A");
  a->Free();
  EXPECT_FALSE(AllInstallFiles().Contains(a));
  EXPECT_EQ(MessageOf([] { RegistrationRetryFiles().Add(nullptr); }),
            "Cannot add a blank entry to the TCustomInstallFileList object");
}

TEST_F(InstallFiles, BuildingCompressesAndCopiesTheSourceAndStateEndsAtNone) {
  Load(FileText("F", "f.txt"));
  WriteFile(File("F")->SourceFile(), "source");
  File("F")->AssignArchive(At("out\\files.1"), nullptr);
  File("F")->SetState(TInstallFileState::ifsCompress);
  EXPECT_EQ(File("F")->State, TInstallFileState::ifsNone);
  EXPECT_EQ(File("F")->CompressState, 2);
  File("F")->SetState(TInstallFileState::ifsCopying);
  EXPECT_EQ(Installed("f.txt"), "source");
  File("F")->ReadInfoFromFile();
  EXPECT_EQ(File("F")->UncompressedSize, 6);
  File("F")->SetFileName("missing.txt");
  EXPECT_EQ(MessageOf([&] { File("F")->SetState(TInstallFileState::ifsCompress); }),
            "Cannot open the file " + At("src\\missing.txt"));
  EXPECT_EQ(File("F")->State, TInstallFileState::ifsNone);
  EXPECT_EQ(MessageOf([&] { File("F")->ReadInfoFromFile(); }),
            "Could not open or find the following file when trying to read the Size, Date, and "
            "Version :" + At("src\\missing.txt"));
}

}  // namespace
}  // namespace brim::test
