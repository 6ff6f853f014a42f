// Building a distribution on a fresh machine: "-b" with BUILD.INF beside the
// setup program (which lives in the kit directory with the loading
// program), the self-extracting setup and its trailer, the remote file
// list, the floppy transfer, the clean-up batch of a loaded setup, builds
// refused by the machine, and builds that give the same bytes twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

#include "archive/cmp_TQmbxCompress.h"
#include "common/LittleEndian.h"
#include "common/constants_Brimwell.h"
#include "common/routines_Strings.h"
#include "components/InstallFileTest.h"
#include "components/cmp_TVersion.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "platform/FaultInjection.h"
#include "platform/ForwardingServices.h"
#include "platform/HeadlessWindows.h"
#include "platform/TestPE.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_API.h"

namespace brim::test {
namespace {

// The running program, as the build sees it: the setup in the kit directory.
class TKitModule : public IModuleService {
 public:
  TKitModule(std::string file, IModuleService& inner) : file_(std::move(file)), inner_(inner) {}
  std::string ModuleFileName() override { return file_; }
  std::optional<std::string> LoadResource(const std::string& name) override { return inner_.LoadResource(name); }
  std::optional<std::string> LoadBitmapResource(const std::string& name) override {
    return inner_.LoadBitmapResource(name);
  }
  std::optional<std::string> CommandLine() override { return inner_.CommandLine(); }
  std::string file_;

 private:
  IModuleService& inner_;
};

// Message boxes recorded, answered with Answer.
class TAnsweringWindows : public THeadlessWindowService {
 public:
  TAnsweringWindows() : THeadlessWindowService(TUserInterfaceKind::Auto, {[](const std::string&) {}, nullptr}) {}
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
    Shown.push_back(text);
    return Answer;
  }
  std::vector<std::string> Shown;
  int Answer = idOk;
};

// Floppies of the drive directory hold room bytes each: a write beyond
// that comes up short, as on a full disk.
class TSmallDisks : public TForwardingFileService {
 public:
  TSmallDisks(std::string drive, int64_t room) : TForwardingFileService(PlatformFiles()), drive_(std::move(drive)), room_(room) {}
  std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                              TFileCreation creation) override {
    std::unique_ptr<IFile> file = TForwardingFileService::Open(path, access, share, creation);
    if (!file || !StartsWithText(path, drive_ + "\\files.")) return file;
    return std::make_unique<TCappedFile>(std::move(file), room_);
  }

 private:
  class TCappedFile : public TForwardingFile {
   public:
    TCappedFile(std::unique_ptr<IFile> file, int64_t room) : TForwardingFile(std::move(file)), room_(room) {}
    bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
      int64_t at = Seek(0, TSeekOrigin::Current).value_or(0);
      uint32_t fits = static_cast<uint32_t>(std::clamp<int64_t>(room_ - at, 0, count));
      return TForwardingFile::Write(buffer, fits, done);
    }

   private:
    int64_t room_;
  };
  std::string drive_;
  int64_t room_;
};

// Bytes that do not compress.
std::string Noise(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 12345;
  for (char& c : bytes) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  return bytes;
}

class BuildDistribution : public InstallFileTest {
 protected:
  void SetUp() override {
    InstallFileTest::SetUp();
    ASSERT_TRUE(CreateDirectoryPath(At("kit")));
    WriteFile(At("kit\\brimsetup.exe"), "the setup runtime " + std::string(3000, 'r'));
    WriteFile(At("kit\\" + std::string(LoaderProgramName)), "the loading program");
    module_ = std::make_unique<TKitModule>(At("kit\\brimsetup.exe"), PlatformModule());
    TPlatformServices services;
    services.Module = module_.get();
    scope_ = std::make_unique<TScopedPlatformServices>(services);
    Application().SetWindows(&windows);
    Application().Initialize();
  }
  void TearDown() override {
    form.reset();
    Application().SetWindows(nullptr);
    Application().Initialize();
    scope_.reset();
    RemoveKeyTree(TRegRoot::LocalMachine, std::string(BrimwellSetupKey).substr(1));
    InstallFileTest::TearDown();
  }

  // Loads the installation with its properties and files A (a.txt) and B
  // (b.txt) in Dir, whose sources are written; files false leaves Dir empty.
  void LoadBuild(const std::string& properties = "", bool files = true) {
    form.reset();
    std::string text = "object Install1: TInstall\n RunAutomatic = False\n" + properties +
                       "end\nobject Dir: TInstallDirectory\n Container = Install1\n"
                       " ArchiveFileType = psContainerArchiveFile\nend\n";
    if (files) {
      text += FileText("A", "a.txt") + FileText("B", "b.txt");
      WriteFile(At("src\\a.txt"), "alpha " + std::string(5000, 'a'));
      WriteFile(At("src\\b.txt"), "beta");
    }
    form = LoadOnForm(text);
    install = form->Find<TCustomInstall>("Install1");
    dir = form->Find<TInstallDirectory>("Dir");
    ASSERT_TRUE(install && dir);
  }
  // Writes BUILD.INF beside the setup and builds as "-b" does.
  void Build(const std::string& buildInf) {
    WriteFile(At("kit\\BUILD.INF"), buildInf);
    RunBuild();
  }
  void RunBuild() {
    windows.Shown.clear();
    Application().Initialize();
    install->BuildFromBuildInf();
  }
  // The names the archive holds in name order; with leader, the first
  // stays first (the setup leads setup.1).
  std::vector<std::string> ArchiveNames(const std::string& archive, int32_t offset = 0, bool leader = false) {
    TQmbxCompress engine(nullptr);
    engine.Offset = offset;
    engine.SetCompressedFile(archive);
    std::vector<std::string> names;
    for (int i = 0; i < engine.FileCount(); ++i) {
      TlzhFileStats stats;
      engine.GetFileStats(i, stats);
      names.push_back(ArchiveNamePart(stats.FileName));
    }
    std::sort(names.begin() + (leader && !names.empty() ? 1 : 0), names.end());
    return names;
  }
  std::string Shown() const { return windows.Shown.empty() ? "" : windows.Shown.back(); }

  TAnsweringWindows windows;
  std::unique_ptr<TKitModule> module_;
  std::unique_ptr<TScopedPlatformServices> scope_;
};

TEST_F(BuildDistribution, ABuildMakesTheSelfExtractingSetupOfLoaderSetup1AndFiles1) {
  const struct {
    const char* what;
    std::string presetup;
    bool files;
    std::vector<std::string> setup1, files1;
  } cases[] = {
      {"no presetup files: the setup alone", "", true, {"brimsetup.exe"}, {"a.txt", "b.txt"}},
      {"presetup files after the setup", " PresetupFiles.Strings = (\n  '" + At("src\\readme.txt") + "')\n",
       true, {"brimsetup.exe", "readme.txt"}, {"a.txt", "b.txt"}},
      {"no file for files.1: no archive, trailer 0", "", false, {"brimsetup.exe"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(At("out"));
    WriteFile(At("src\\readme.txt"), "read me");
    LoadBuild(c.presetup, c.files);
    Build(At("out") + "\r\nignored second line\r\n");
    EXPECT_EQ(Shown(), "");
    EXPECT_FALSE(install->Ended);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(ArchiveNames(At("out\\setup.1"), 0, true), c.setup1);
    EXPECT_EQ(Exists(At("out\\files.1")), !c.files1.empty());
    if (!c.files1.empty()) {
      EXPECT_EQ(ArchiveNames(At("out\\files.1")), c.files1);
    }

    const std::string exe = ReadFile(At("out\\setup.exe")).value_or("");
    const std::string setup1 = ReadFile(At("out\\setup.1")).value_or("?");
    const std::string files1 = ReadFile(At("out\\files.1")).value_or("");
    const std::string loader = "the loading program";
    ASSERT_EQ(exe.size(), loader.size() + setup1.size() + files1.size() + SelfExtractTrailerSize);
    EXPECT_EQ(exe.substr(0, loader.size()), loader);
    EXPECT_EQ(exe.substr(loader.size(), setup1.size()), setup1);
    EXPECT_EQ(exe.substr(loader.size() + setup1.size(), files1.size()), files1);
    TSelfExtractTrailer t = ReadSelfExtractTrailer(At("out\\setup.exe"));
    EXPECT_EQ(t.SetupStart, static_cast<int32_t>(loader.size()));
    EXPECT_EQ(t.SetupEnd, static_cast<int32_t>(loader.size() + setup1.size() - 1));
    EXPECT_EQ(t.ArchiveStart, files1.empty() ? 0 : t.SetupEnd + 1);
    EXPECT_EQ(t.ArchiveEnd, files1.empty() ? 0 : static_cast<int32_t>(exe.size() - SelfExtractTrailerSize - 1));
    const std::string tail = exe.substr(exe.size() - SelfExtractTrailerSize);
    EXPECT_EQ(tail.substr(0, 16), std::string("\x0eSELFEXTRACTING\0", 16));
    EXPECT_EQ(tail.substr(32), std::string(24, '\0'));
    // The embedded setup.1 is found where the trailer says.
    EXPECT_EQ(ArchiveNames(At("out\\setup.exe"), t.SetupStart, true), c.setup1);
    // The archive settings are the installation's own again.
    EXPECT_EQ(install->ArchiveFile(), "");
  }
}

TEST_F(BuildDistribution, TheBuildModeStartedWhileTheDefinitionIsReadBuildsEveryFile) {
  // -b runs from the installation's Loaded, before the files after it in
  // the definition have finished loading.
  WriteFile(At("kit\\BUILD.INF"), At("out"));
  WriteFile(At("src\\a.txt"), "alpha");
  WriteFile(At("src\\b.txt"), "beta");
  SetProgramArguments({"-b"});
  form = LoadOnForm("object Install1: TInstall\nend\nobject Dir: TInstallDirectory\n Container = Install1\n"
                    " ArchiveFileType = psContainerArchiveFile\nend\n" +
                    FileText("A", "a.txt") + FileText("B", "b.txt"));
  SetProgramArguments({});
  EXPECT_EQ(Shown(), "");
  EXPECT_TRUE(Application().Terminated());
  EXPECT_EQ(ArchiveNames(At("out\\files.1")), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(BuildDistribution, AnEmptyBuildInfLineBuildsIntoTheCurrentDirectory) {
  LoadBuild();
  ASSERT_TRUE(CreateDirectoryPath(At("cwd")));
  const std::string before = PlatformFiles().CurrentDirectory();
  ASSERT_TRUE(PlatformFiles().SetCurrentDirectory(At("cwd")));
  Build("\r\n");
  PlatformFiles().SetCurrentDirectory(before);
  EXPECT_EQ(Shown(), "");
  for (const char* name : {"setup.exe", "setup.1", "files.1"}) EXPECT_TRUE(Exists(At("cwd\\") + name)) << name;
}

TEST_F(BuildDistribution, ABuildThatCannotStartIsShownAndChangesNothing) {
  WriteFile(At("a file"), "not a directory");
  const struct {
    const char* what;
    std::string buildInf;  // "<none>": no BUILD.INF
    std::string properties;
    std::string message;
  } cases[] = {
      {"no BUILD.INF", "<none>", "",
       "Need to have a BUILD.INF file in this directory with the first line specifying the build directory"},
      {"no line", "", "", "Must be 1 line in BUILD.INF. This line should specify the build directory"},
      {"a directory that cannot be made", At("a file\\out"), "",
       "Cannot create the build directory " + At("a file\\out")},
      {"a stand-alone setup without the loading program", At("out"), " UseLoadingProgram = False\n",
       "Cannot build a stand alone executable if the UseLoadingProgram property of the TInstall is set to False"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadBuild(c.properties);
    PlatformFiles().DeleteFile(At("kit\\BUILD.INF"));
    if (c.buildInf == "<none>") {
      RunBuild();
    } else {
      Build(c.buildInf);
    }
    EXPECT_EQ(Shown(), c.message);
    EXPECT_TRUE(install->Ended);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_FALSE(Exists(At("out")));
    EXPECT_EQ(ReadFile(At("a file")), "not a directory");
  }
}

TEST_F(BuildDistribution, TheLoaderComesFromBesideTheSetupOrFromTheRegisteredDirectory) {
  const std::string key = std::string(BrimwellSetupKey).substr(1);
  ASSERT_TRUE(CreateDirectoryPath(At("set")));
  WriteFile(At("set\\") + LoaderProgramName, "the registered loader");
  const std::string missing =
      "The HKEY_LOCAL_MACHINE | \\SOFTWARE\\Brimwell\\Setup key in the registry is either missing or "
      "points to an invalid Brimwell directory";
  const struct {
    const char* what;
    bool beside;
    std::string registered;  // "<none>": no value
    std::string setupExe, message;
  } cases[] = {
      {"beside the setup first", true, At("set"), "the loading program", ""},
      {"else the registered directory", false, At("set"), "the registered loader", ""},
      {"no value", false, "<none>", "", missing},
      {"a directory that is not there", false, At("gone"), "", missing},
      {"a directory without the loader", false, At("src"), "",
       "The loader program " + At("src\\") + LoaderProgramName + " was not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(At("out"));
    RemoveKeyTree(TRegRoot::LocalMachine, key);
    if (c.registered != "<none>") {
      TQmbxRegistry registry(TRegRoot::LocalMachine);
      ASSERT_TRUE(registry.OpenKey("\\" + key, true));
      registry.WriteString("Directory", c.registered);
    }
    if (c.beside) WriteFile(At("kit\\") + LoaderProgramName, "the loading program");
    else PlatformFiles().DeleteFile(At("kit\\") + LoaderProgramName);
    LoadBuild();
    Build(At("out"));
    EXPECT_EQ(Shown(), c.message);
    if (c.message.empty()) {
      EXPECT_EQ(ReadFile(At("out\\setup.exe")).value_or("").substr(0, c.setupExe.size()), c.setupExe);
    }
  }
}

TEST_F(BuildDistribution, AWebBuildListsThePlacedFilesInEightyByteRecords) {
  const std::string longName = "AVeryLongComponentNameThatGoesOnAndOnAndOn";  // 42 characters
  const struct {
    const char* what;
    std::vector<std::string> names;
    std::string message;
  } cases[] = {
      {"names cut to 39 characters", {"A", longName}, ""},
      {"two names the same once cut", {longName + "1", longName + "2"},
       "The remote list of files cannot tell " + longName + "1 from " + longName +
           "2: it keeps only the first 39 characters of a name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(At("out"));
    std::string files;
    for (const std::string& name : c.names) files += FileText(name, name + ".txt");
    form.reset();
    form = LoadOnForm(
        "object Install1: TInstall\n RunAutomatic = False\n DistributeType = dtWeb\n NetLocation = Net1\nend\n"
        "object Net1: TCustomNetInstallLocation\n LoginInformation.Hostname = 'server1'\nend\n"
        "object Dir: TInstallDirectory\n Container = Install1\n ArchiveFileType = psContainerArchiveFile\nend\n" +
        files);
    install = form->Find<TCustomInstall>("Install1");
    ASSERT_TRUE(install);
    for (const std::string& name : c.names) WriteFile(At("src\\" + name + ".txt"), name + " data");
    Build(At("out"));
    EXPECT_EQ(Shown(), c.message);
    if (!c.message.empty()) continue;
    const std::string list = ReadFile(At("out\\server1\\HTTP Root directory\\filelist.lst")).value_or("");
    ASSERT_EQ(list.size(), 4u + 80u * c.names.size());
    EXPECT_EQ(ReadLittleEndian(list.data(), 4), c.names.size());
    for (size_t i = 0; i < c.names.size(); ++i) {
      SCOPED_TRACE(c.names[i]);
      const std::string record = list.substr(4 + 80 * i, 80);
      TCustomInstallFile* file = File(c.names[i]);
      EXPECT_EQ(ReadLittleEndian(record.data(), 4), static_cast<uint64_t>(file->UncompressedSize));
      EXPECT_EQ(record.substr(4, 4), std::string(4, '\0'));
      double date = 0;
      uint64_t bits = ReadLittleEndian(record.data() + 8, 8);
      std::memcpy(&date, &bits, sizeof date);
      EXPECT_EQ(date, file->Date);
      const std::string name = c.names[i].substr(0, 39);
      EXPECT_EQ(record.substr(16, 40), name + std::string(40 - name.size(), '\0'));
      EXPECT_EQ(record.substr(56), std::string(24, '\0'));
    }
  }
}

TEST_F(BuildDistribution, AFloppyTransferCopiesTheLoaderSetup1AndTheDisks) {
  for (size_t size : {size_t{1}, size_t{8191}, size_t{8192}, size_t{8193}, size_t{20000}}) {
    SCOPED_TRACE(size);
    RemoveTree(At("dist"));
    RemoveTree(At("a"));
    ASSERT_TRUE(CreateDirectoryPath(At("dist")));
    ASSERT_TRUE(CreateDirectoryPath(At("a")));
    LoadBuild();
    Archive({{"A", "alpha " + std::string(5000, 'a')}, {"B", "beta"}});
    std::string setup1;
    for (size_t i = 0; i < size; ++i) setup1 += static_cast<char>('0' + i % 37);
    WriteFile(At("dist\\setup.exe"), "LOADER");
    WriteFile(At("dist\\setup.1"), setup1);
    AppendSelfExtract(At("dist\\setup.exe"), At("dist\\setup.1"), At("files.1"));
    install->AssignArchive(At("dist\\setup.exe"), nullptr);
    SetProgramArguments({"-e" + At("dist\\setup.exe")});
    install->ParseCommandLine();
    Application().Initialize();
    install->TransferToFloppies(At("a"));
    SetProgramArguments({});
    EXPECT_EQ(windows.Shown, std::vector<std::string>{});
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(ReadFile(At("a\\setup.exe")), "LOADER");
    EXPECT_EQ(ReadFile(At("a\\setup.1")), setup1);
    EXPECT_EQ(ArchiveNames(At("a\\files.1")), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(SharedCompressionEngine().Offset, 0);
  }
}

TEST_F(BuildDistribution, AFloppyTransferThatCannotGoOnIsShownAndEnds) {
  const struct {
    const char* what;
    std::string switches, trailer;  // trailer "": a good one
    bool fullDisk;
    int answer;
    std::string message;
  } cases[] = {
      {"without -e", "", "", false, idOk,
       "Sorry... You can only transfer this installation to floppies through the self-extracting file. "
       "Usage example: setup.exe *TODISK"},
      {"a trailer pointing outside the file", "-e", std::string("\x0eSELFEXTRACTING\0", 16) + std::string("\x10\0\0\0\xff\xff\0\0", 8) + std::string(32, '\0'),
       false, idOk, "The self-extracting file " + At("dist\\setup.exe") + " is damaged: its trailer points outside the file"},
      {"Cancel when the next disk is asked for", "-e", "", true, idCancel, "Aborted by user"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(At("dist"));
    RemoveTree(At("a"));
    ASSERT_TRUE(CreateDirectoryPath(At("dist")));
    ASSERT_TRUE(CreateDirectoryPath(At("a")));
    LoadBuild();
    Archive({{"A", Noise(30000)}, {"B", "beta"}});
    WriteFile(At("dist\\setup.exe"), "LOADER");
    WriteFile(At("dist\\setup.1"), "SETUP1");
    AppendSelfExtract(At("dist\\setup.exe"), At("dist\\setup.1"), At("files.1"));
    if (!c.trailer.empty()) WriteFile(At("dist\\setup.exe"), "LOADER" + c.trailer);
    install->AssignArchive(At("dist\\setup.exe"), nullptr);
    SetProgramArguments(c.switches.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.switches + At("dist\\setup.exe")});
    install->ParseCommandLine();
    SetProgramArguments({});
    windows.Shown.clear();
    windows.Answer = c.answer;
    Application().Initialize();
    {
      TSmallDisks disks(At("a"), c.fullDisk ? 10000 : INT32_MAX);
      TPlatformServices services;
      services.Files = &disks;
      TScopedPlatformServices scope(services);
      install->TransferToFloppies(At("a"));
    }
    windows.Answer = idOk;
    ASSERT_FALSE(windows.Shown.empty());
    if (c.fullDisk) {
      EXPECT_EQ(windows.Shown.front(), "Please insert disk 2");
    }
    EXPECT_EQ(windows.Shown.back(), c.message);
    EXPECT_TRUE(install->Ended);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(SharedCompressionEngine().OnNewDisk.Handler, nullptr);
  }
}

TEST_F(BuildDistribution, TheCleanUpBatchRemovesOnlyTheLoadersOwnDirectory) {
  // Unquoted, "ERASE ...\R&D\..." would erase "...\R" and run "D\...".
  TTemporaryDirectoryAt files(At("R&D\\Temp^(1)\\"));
  TPlatformServices services;
  services.Files = &files;
  TScopedPlatformServices scope(services);
  const std::string temp = RemoveTrailingBackslash(files.temp_);
  const std::string loaderDir = temp + "\\" + LoaderDirectoryPrefix + "1A2B.tmp";
  ASSERT_TRUE(CreateDirectoryPath(loaderDir));
  WriteFile(loaderDir + "\\brimsetup.exe", "the loaded setup");
  WriteFile(At("R"), "a sibling");
  const struct {
    const char* what;
    std::string exe;
    std::vector<std::string> arguments;
    bool batch, deltree;
  } cases[] = {
      {"a setup the loader extracted", loaderDir + "\\brimsetup.exe", {"-c"}, true, true},
      {"a setup started by hand with -c", At("hand\\brimsetup.exe"), {"-c"}, true, false},
      {"-d: no clean-up even with -c", loaderDir + "\\brimsetup.exe", {"-c", "-d", "-s" + At("hand")}, false, false},
      {"no -c: no clean-up", loaderDir + "\\brimsetup.exe", {}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    module_->file_ = At("kit\\brimsetup.exe");
    LoadBuild();
    // The setup as the clean-up sees it when it runs.
    module_->file_ = c.exe;
    SetProgramArguments(c.arguments);
    install->ParseCommandLine();
    SetProgramArguments({});
    install->RunCleanupBatch = false;
    install->CleanupBatchFile.clear();
    install->CleanupLoadingProgram();
    EXPECT_EQ(install->RunCleanupBatch, c.batch);
    if (!c.batch) {
      EXPECT_EQ(install->CleanupBatchFile, "");
      continue;
    }
    const std::string text = ReadFile(install->CleanupBatchFile).value_or("");
    auto quoted = [](const std::string& p) { return "\"" + p + "\""; };
    EXPECT_CONTAINS(text, "ERASE " + quoted(c.exe) + "\r\n");
    EXPECT_EQ(text.find("DELTREE") != std::string::npos, c.deltree) << text;
    if (c.deltree) {
      EXPECT_CONTAINS(text, "DELTREE /Y " + quoted(ExtractFileDir(c.exe)) + "\r\n");
    }
    EXPECT_CONTAINS(text, "ERASE " + quoted(install->CleanupBatchFile) + "\r\n");
    // Run as the system runs it: Wine's cmd, or the substitute machine's.
    install->RunCleanupBatch = false;
    ASSERT_TRUE(PlatformProcesses().RunProgram(quoted(install->CleanupBatchFile), TShowWindow::Hide,
                                               60000));
    EXPECT_FALSE(Exists(c.exe));
    EXPECT_FALSE(Exists(install->CleanupBatchFile));
    EXPECT_EQ(ReadFile(At("R")), "a sibling");
  }
}

TEST_F(BuildDistribution, ABuildRefusedByTheMachineIsShownAndKeepsItsFiles) {
  const std::string keep = At("out\\keep.txt");
  auto prepare = [&] {
    RemoveTree(At("out"));
    ASSERT_TRUE(CreateDirectoryPath(At("out")));
    WriteFile(keep, "the author's file");
    WriteFile(At("kit\\BUILD.INF"), At("out\\dist"));
    LoadBuild();
  };
  std::set<std::string> messages;
  for (TFaultKind kind : {TFaultKind::FileWrite, TFaultKind::CreateDirectory}) {
    prepare();
    uint64_t calls = 0;
    {
      TFaultInjectingServices counting;
      TScopedPlatformServices scope(counting.Services());
      RunBuild();
      calls = counting.Calls(kind);
    }
    ASSERT_EQ(Shown(), "");
    ASSERT_GT(calls, 0u);
    for (uint64_t n = 1; n <= calls; ++n) {
      SCOPED_TRACE("call " + std::to_string(n) + " of kind " + std::to_string(static_cast<int>(kind)));
      prepare();
      {
        TFaultInjectingServices faults;
        faults.FailCall(kind, n);
        TScopedPlatformServices scope(faults.Services());
        RunBuild();
      }
      EXPECT_NE(Shown(), "");
      messages.insert(Shown());
      EXPECT_TRUE(install->Ended);
      EXPECT_EQ(ReadFile(keep), "the author's file");
      EXPECT_EQ(ReadFile(At("kit\\brimsetup.exe")).value_or("").substr(0, 18), "the setup runtime ");
      EXPECT_EQ(ReadFile(At("src\\b.txt")), "beta");
      EXPECT_EQ(install->ArchiveFile(), "");
    }
  }
  // A full disk while setup.1 is written asks the author to make room.
  EXPECT_EQ(messages.count(
                "The disk that you have specified has been determined to be either too full or is corrupt while "
                "trying to copy the SETUP.1 archive file. You should probably clear all files off of the drive. "
                "Minimally, you should leave enough space on the drive for the SETUP.1 archive file."),
            1u);
}

TEST_F(BuildDistribution, TwoBuildsOfTheSameDefinitionGiveTheSameBytes) {
  WriteFile(At("src\\a.txt"), "alpha " + std::string(5000, 'a'));
  WriteFile(At("src\\b.txt"), "beta");
  form = LoadOnForm(
      "object Install1: TInstall\n RunAutomatic = False\n DistributeType = dtTraditionalNet\n NetLocation = Net1\nend\n"
      "object Net1: TCustomNetInstallLocation\n LoginInformation.Hostname = 'server1'\nend\n"
      "object Dir: TInstallDirectory\n Container = Install1\n ArchiveFileType = psContainerArchiveFile\nend\n" +
      FileText("A", "a.txt") + FileText("B", "b.txt", " Net = True\n"));
  install = form->Find<TCustomInstall>("Install1");
  ASSERT_TRUE(install);
  Build(At("one"));
  ASSERT_EQ(Shown(), "");
  // Another build directory, after the sources were read once more.
  Build(At("second build"));
  ASSERT_EQ(Shown(), "");
  for (const char* name : {"setup.exe", "setup.1", "files.1", "server1\\HTTP Root directory\\filelist.lst",
                           "server1\\HTTP Root directory\\Dir.1"}) {
    SCOPED_TRACE(name);
    std::optional<std::string> one = ReadFile(At("one\\") + name);
    ASSERT_TRUE(one);
    EXPECT_EQ(ReadFile(At("second build\\") + name), one);
  }
}

TEST_F(BuildDistribution, ASignedSetupsTrailerIsFoundBeforeItsCertificateTableAndPadding) {
  const std::string loader = BuildPEWithoutResources();
  WriteFile(At("setup.1"), "SETUP ONE");
  WriteFile(At("files.1"), "FILES ONE, LONGER");
  // The zeros a signer put between the trailer and its table; -1: not signed.
  for (int padding : {-1, 0, 3, 7}) {
    SCOPED_TRACE(padding);
    WriteFile(At("setup.exe"), loader);
    AppendSelfExtract(At("setup.exe"), At("setup.1"), At("files.1"));
    std::string exe = ReadFile(At("setup.exe")).value_or("");
    const int64_t trailerEnd = static_cast<int64_t>(exe.size());
    if (padding >= 0) {
      exe.append(padding, '\0');
      const std::string table = std::string("\x18\0\0\0\0\x02\x02\0", 8) + "PKCS#7 data.....";
      const size_t entry = ReadLittleEndian(exe.data() + 0x3C, 4) + 24 + 96 + 4 * 8;
      WriteLittleEndian(exe.data() + entry, exe.size(), 4);
      WriteLittleEndian(exe.data() + entry + 4, table.size(), 4);
      WriteFile(At("setup.exe"), exe + table);
    }
    int64_t end = 0;
    const TSelfExtractTrailer t = ReadSelfExtractTrailer(At("setup.exe"), &end);
    EXPECT_EQ(end, trailerEnd);
    EXPECT_EQ(t.SetupStart, static_cast<int32_t>(loader.size()));
    EXPECT_EQ(t.ArchiveStart, static_cast<int32_t>(loader.size() + 9));
    EXPECT_EQ(t.ArchiveEnd, static_cast<int32_t>(trailerEnd - SelfExtractTrailerSize - 1));
    EXPECT_TRUE(SelfExtractTrailerFits(t, end));
  }
}

TEST_F(BuildDistribution, ATrailerThatCannotBeReadOrWrittenNamesTheFile) {
  WriteFile(At("short"), std::string(55, 'x'));
  WriteFile(At("exe"), "LOADER");
  const std::string read =
      "Could not read the extraction info from the archive file %s when trying to find the correct offset into "
      "the self extracting file";
  EXPECT_EQ(MessageOf([&] { ReadSelfExtractTrailer(At("short")); }), Format(read, At("short")));
  EXPECT_EQ(MessageOf([&] { ReadSelfExtractTrailer(At("missing")); }), Format(read, At("missing")));
  EXPECT_EQ(MessageOf([&] { AppendSelfExtract(At("exe"), At("missing.1"), At("files.1")); }),
            "Cannot create the self-extracting exe because " + At("missing.1") + " could not be loaded onto " +
                At("exe"));
}

}  // namespace
}  // namespace brim::test
