// The installation run on the machine: what a good run leaves, the phases
// after the tree and their status messages, the end that waits for a
// reboot, the runs that end before the tree, a self-extracting setup,
// OnAfterInstallObjects on a failed tree, the second try of a server's
// registration, the remote list of files, the files started after the
// installation, and runs refused by the machine or killed half way, which
// a second start completes as if nothing had happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "common/LittleEndian.h"
#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"
#include "engine/InstallRunTest.h"
#include "netlocation/TestServers.h"
#include "platform/FaultInjection.h"
#include "system/routines_Registry.h"
#include "translation/cmp_TTranslator.h"
#include "widgets/Forms.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

// A component of a later phase: its processing is logged.
class TPhaseProbe : public TInstallObject {
  BRIM_CLASS(TPhaseProbe)

 public:
  TPhaseProbe(TComponent* owner, int type, Names* log) : TInstallObject(owner), type_(type), log_(log) {}
  int RegisteredType() const override { return type_; }

 protected:
  // One named "Fails" fails once logged.
  void ProcessContents() override {
    log_->push_back(Name());
    if (Name() == "Fails") throw Exception("Fails cannot install itself");
  }

 private:
  int type_;
  Names* log_;
};

const TClassInfo& TPhaseProbe::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPhaseProbe>("TPhaseProbe", &TInstallObject::StaticClass()).Build();
  return info;
}

const char kLoadingProgram[] =
    "The path of the loading program was not passed correctly. If you are running your install "
    "project in the IDE, then you need to add two command line parameters. In Run | Parameters | "
    "\"Run Parameters\", type in: -d \"-sBUILDPATH\" where BUILDPATH is the path into which you "
    "built the distributables. Example: -d \"-sC:\\My Build\".";
const char kCannotReboot[] = "Could not reboot windows. Please manually reboot windows.";

class InstallRun : public InstallRunTest {
 protected:
  // A registry component writing Name = value under the scratch key.
  std::string Keys() const {
    return "object Keys: TInstallRegistry\n Container = Install1\n Key = '\\" + ScratchKey +
           "\\Product'\n Entries = <\n  item\n   EntryType = retText\n   Ident = 'Name'\n"
           "   Text = 'value'\n  end>\nend\n";
  }
  // The status messages heard, in order.
  Names StatusMessages() const {
    Names messages;
    for (size_t i = 0; i + 1 < heard.size(); ++i)
      if (heard[i] == "-974") messages.push_back(heard[i + 1]);
    return messages;
  }
  // Counts OnAfterInstallObjects in the log, with its WasAborted.
  void CountAfterInstallObjects() {
    install->OnAfterInstallObjects.Handler = [this](TComponent*, bool aborted) {
      heard.push_back(aborted ? "after objects, aborted" : "after objects");
    };
  }

  // The product of the fault tests: two directories, three files and a
  // registry component.
  void LoadTwoContainers() {
    LoadProduct(FileText("F", "a.txt") + FileText("G", "b.dll") +
                "object Dir2: TInstallDirectory\n Container = Install1\nend\n" + SecondDirFile() + Keys());
  }
  std::string SecondDirFile() const {
    std::string text = FileText("H", "c.txt");
    return text.replace(text.find("Container = Dir\n"), 16, "Container = Dir2\n");
  }
  const std::map<std::string, std::string> kPayload = {
      {"F", std::string(20000, 'a')}, {"G", "library"}, {"H", "second directory"}};
};

TEST_F(InstallRun, AGoodRunInstallsTheTreeThenThePhasesAndRemovesItsRecord) {
  LoadProduct(FileText("F", "a.txt") + FileText("G", "b.txt") + Keys());
  Archive({{"F", "alpha"}, {"G", "beta"}});
  CountAfterInstallObjects();
  RunInstall();
  EXPECT_EQ(shown, "");
  EXPECT_EQ(Installed("a.txt"), "alpha");
  EXPECT_EQ(Installed("b.txt"), "beta");
  EXPECT_EQ(MachineValue("\\" + ScratchKey + "\\Product", "Name"), "value");
  EXPECT_EQ(heard, (Names{"-984", "-974", "Reading file information...", "-973", "-983", "-986", "-980",
                          "-974", "Installing registry keys...", "-973", "after objects", "-995", "-979"}));
  // The record went, and with it the empty keys above it.
  EXPECT_EQ(install->InstallRecordKey, "");
  EXPECT_FALSE(MachineKeyExists(RecordsKey));
  EXPECT_FALSE(MachineKeyExists("\\Software\\Brimwell"));
  EXPECT_EQ(MachineValue(RunOnceKey, "BrimwellUnfinished"), "<none>");
  EXPECT_FALSE(install->Running);
  EXPECT_FALSE(CurrentSession().RestartRequired());
  // The archive information is read once in a program's life.
  heard.clear();
  install->ReadFileInformation();
  EXPECT_EQ(heard, Names{});
}

TEST_F(InstallRun, LaterPhasesRunInTheirOrderWithTheirMessagesOnlyWhenTheirContainerRan) {
  const std::string reading = "Reading file information...";
  struct Probe {
    const char* Name;
    int Kind;
    const char* Container;
  };
  const struct {
    const char* Case;
    std::vector<Probe> Probes;
    Names Processed;
    Names Messages;
    std::string Shown;
  } cases[] = {
      {"none", {}, {}, {reading}, ""},
      // Made last phase first: the order is the phases', not the making's.
      {"every phase",
       {{"P8700", 8700, ""}, {"P8500", 8500, "Install1"}, {"P4000", 4000, ""}, {"P8000", 8000, "Dir"},
        {"P7000", 7000, ""}, {"P3000", 3000, ""}, {"P2875", 2875, ""}, {"P2750", 2750, ""}},
       {"P2750", "P2875", "P3000", "P7000", "P8000", "P4000", "P8500", "P8700"},
       {reading, "Installing ODBC drivers...", "Installing ODBC sources...",
        "Installing Borland Database Engine aliases...", "Installing shell links...",
        "Installing shell links...", "Installing INI files...", "Installing registry keys..."},
       ""},
      {"in a directory left out", {{"Skipped", 8500, "Off"}}, {}, {reading, "Installing registry keys..."}, ""},
      {"failing", {{"Fails", 8500, ""}, {"Later", 8700, ""}}, {"Fails"}, {reading, "Installing registry keys..."},
       "setup: Fails cannot install itself\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    LoadProduct("object Off: TInstallDirectory\n Container = Install1\n Include = False\nend\n");
    Names processed;
    for (const Probe& p : c.Probes) {
      auto* probe = new TPhaseProbe(form.get(), p.Kind, &processed);
      probe->SetName(p.Name);
      if (*p.Container) probe->SetContainer(form->Find<TInstallContainer>(p.Container));
    }
    RunInstall();
    EXPECT_EQ(shown, c.Shown);
    EXPECT_EQ(processed, c.Processed);
    EXPECT_EQ(StatusMessages(), c.Messages);
    // Every message shown is withdrawn, also when its phase fails.
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "-973"), std::count(heard.begin(), heard.end(), "-974"));
  }
}

TEST_F(InstallRun, ARunThatNeedsARebootRegistersItsContinuationAndEndsWithoutTheGoodEnd) {
  const struct {
    const char* Case;
    bool FileInUse;        // else the definition asks for the reboot
    bool DialogDeclines;   // the reboot dialog clears Reboot on -987
    bool EventDeclines;    // OnBeforeReboot clears Continue
    int BeforeRebootRaised;
    bool Restarts;
  } cases[] = {
      {"Reboot in the definition", false, false, false, 1, true},
      {"declined by the dialog", false, true, false, 0, false},
      {"declined by OnBeforeReboot", false, false, true, 1, false},
      // Last: the file waits for the restart, and stays in use until then.
      {"a file in use", true, false, false, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    LoadProduct(FileText("F", "app.dll") + "object MainTranslator: TTranslator\n TranslateIntoLanguage = qlGerman\nend\n",
                c.FileInUse ? "" : "Reboot = True\n");
    Archive({{"F", "new"}});
    ASSERT_TRUE(CreateDirectoryPath(At("app")));
    WriteFile(At("app\\app.dll"), "old");
    int raised = 0;
    listener->OnCode = [&](int code) {
      if (code == -987 && c.DialogDeclines) install->Reboot = false;
    };
    install->OnBeforeReboot.Handler = [&](TComponent*, bool& proceed) {
      ++raised;
      EXPECT_TRUE(proceed);
      if (c.EventDeclines) proceed = false;
    };
    {
      std::optional<THeldFile> held;
      if (c.FileInUse) held.emplace(At("app\\app.dll"));
      RunInstall();
    }
    EXPECT_EQ(shown, "");
    EXPECT_EQ(MachineValue(RunOnceKey, "BrimwellUnfinished"), "\"" + SetupFile + "\" -r \"-s" + At("setup") + "\"");
    EXPECT_EQ(MachineInteger(install->InstallRecordKey, "Language"), 7) << "German";
    EXPECT_EQ(MachineValue(install->InstallRecordKey + "\\Unfinished", "F"), c.FileInUse ? "0" : "<none>");
    EXPECT_TRUE(Heard("-987"));
    EXPECT_FALSE(Heard("-995"));
    EXPECT_EQ(raised, c.BeforeRebootRaised);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(CurrentSession().RestartRequired(), c.Restarts);
  }
}

TEST_F(InstallRun, ARebootThatCannotBeAskedForIsReported) {
  const struct {
    uint32_t PlatformId;
    bool Handler;
    std::string Shown;
  } cases[] = {
      {3, true, ""},
      {3, false, kCannotReboot},
      {0, false, kCannotReboot},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.PlatformId) + (c.Handler ? " with OnFailedReboot" : ""));
    Reset();
    LoadProduct("", "Reboot = True\n");
    int failed = 0;
    if (c.Handler) install->OnFailedReboot.Handler = [&](TComponent*) { ++failed; };
    TPlatformOf system(PlatformSystem(), c.PlatformId);
    TPlatformServices services;
    services.System = &system;
    TScopedPlatformServices scope(services);
    RunInstall();
    EXPECT_EQ(failed, c.Handler ? 1 : 0);
    EXPECT_EQ(shown, c.Shown.empty() ? "" : "setup: " + c.Shown + "\n");
    EXPECT_FALSE(CurrentSession().RestartRequired());
    EXPECT_TRUE(Application().Terminated());
  }
  // Asked for on Windows NT, the restart comes at the program's end; the
  // system refuses it there, and the message says so.
  Reset();
  LoadProduct("", "Reboot = True\n");
  RunInstall();
  ASSERT_TRUE(CurrentSession().RestartRequired());
  form.reset();
  TPlatformOf refusing(PlatformSystem(), 2);
  TPlatformServices services;
  services.System = &refusing;
  TScopedPlatformServices scope(services);
  EXPECT_FALSE(RestartWhenRequired());
  EXPECT_EQ(shown, std::string("setup: ") + kCannotReboot + "\n");
  EXPECT_FALSE(CurrentSession().RestartRequired());
}

TEST_F(InstallRun, ARunThatEndsBeforeTheTreeLeavesTheMachineAsItWas) {
  const struct {
    const char* Case;
    std::string Properties;
    bool ArchiveMissing;
    bool AbortInDialogs;
    std::string Message;
  } cases[] = {
      {"no -s with the loading program", "UseLoadingProgram = True\n", false, false, kLoadingProgram},
      {"a web distribution without a location", "DistributeType = dtWeb\n", false, false,
       "Install1 has the DistributeType dtWeb, which reads the remote list of files \"filelist.lst\" "
       "from a network location, but its NetLocation names none"},
      {"the archive is missing", "", true, false, "Cannot open the compressed file " + At("files.1")},
      {"cancel in the before-install dialogs", "", false, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    LoadProduct(FileText("F", "a.txt"), c.Properties);
    Archive({{"F", "alpha"}});
    if (c.ArchiveMissing) PlatformFiles().DeleteFile(At("files.1"));
    CountAfterInstallObjects();
    listener->OnCode = [&](int code) {
      if (code == -980 && c.AbortInDialogs) throw EAIUserAbort();
    };
    RunInstall();
    EXPECT_EQ(shown, c.Message.empty() ? "" : "setup: " + c.Message + "\n");
    EXPECT_FALSE(Exists(At("app")));
    EXPECT_FALSE(Heard("after objects"));
    ASSERT_GE(heard.size(), 2u);
    EXPECT_EQ(Names(heard.end() - 2, heard.end()), (Names{"-994", "-978"}));
    EXPECT_FALSE(MachineKeyExists("\\Software\\Brimwell")) << "no record, and no keys to hold one";
    EXPECT_TRUE(install->Ended);
  }
}

TEST_F(InstallRun, ASelfExtractingSetupInstallsFromTheArchiveInsideIt) {
  const std::string exe = At("dist\\Setup.exe");
  const struct {
    const char* Case;
    bool Damaged;  // the trailer puts the archive beyond the file's end
  } cases[] = {{"a whole file", false}, {"a damaged trailer", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    LoadProduct(FileText("F", "a.txt"), "", {"-s" + At("dist"), "-eSetup.exe"});
    install->AssignArchive("", form->Find<TCustomPathSpecifier>("psMainArchiveFile"));
    dir->AssignArchive("", form->Find<TCustomPathSpecifier>("psContainerArchiveFile"));
    Archive({{"F", "alpha"}});
    RemoveTree(At("dist"));
    ASSERT_TRUE(PlatformFiles().CreateDirectory(At("dist")));
    WriteFile(exe, "the loading program");
    WriteFile(At("dist\\setup.1"), "the setup's own archive");
    AppendSelfExtract(exe, At("dist\\setup.1"), At("files.1"));
    PlatformFiles().DeleteFile(At("files.1"));
    if (c.Damaged) {
      auto file = PlatformFiles().Open(exe, accRead | accWrite, shareRead, TFileCreation::OpenExisting);
      ASSERT_TRUE(file && file->Seek(-SelfExtractTrailerSize + 24, TSeekOrigin::End));
      uint32_t done = 0;
      ASSERT_TRUE(file->Write("\xFF\xFF\xFF\x0F", 4, done));
    }
    RunInstall();
    EXPECT_EQ(Installed("a.txt"), c.Damaged ? "<none>" : "alpha");
    EXPECT_EQ(shown, c.Damaged ? "setup: The self-extracting file " + exe +
                                     " is damaged: its archive would begin at 268435455, outside the file\n"
                               : "");
    EXPECT_FALSE(MachineKeyExists("\\Software\\Brimwell"));
  }
}

TEST_F(InstallRun, AFailedTreeRaisesOnAfterInstallObjectsOnceBeforeTheBadEnd) {
  enum TCause { HandlerFails, CannotWrite, Cancelled };
  const struct {
    const char* Case;
    TCause Cause;
    const char* Reported;
    const char* Shown;
  } cases[] = {
      {"a file's handler fails", HandlerFails, "after objects", "the handler of F failed"},
      // The engine stops at its failure as at a cancel: WasAborted says so.
      {"the destination cannot be written", CannotWrite, "after objects, aborted", "a.txt"},
      {"copying is cancelled", Cancelled, "after objects, aborted", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    LoadProduct(FileText("F", "a.txt"));
    Archive({{"F", std::string(64 * 1024, 'x')}});
    if (c.Cause == CannotWrite) {
      ASSERT_TRUE(CreateDirectoryPath(At("app\\a.txt")));
    }
    if (c.Cause == HandlerFails)
      File("F")->OnAfterInstall.Handler = [](TComponent*) { throw Exception("the handler of F failed"); };
    CountAfterInstallObjects();
    listener->OnCode = [&](int code) {
      if (code == bcFileStatus && c.Cause == Cancelled) SharedCompressionEngine().Abort = true;
    };
    RunInstall();
    if (*c.Shown) {
      EXPECT_CONTAINS(shown, c.Shown);
    } else {
      EXPECT_EQ(shown, "");
    }
    EXPECT_EQ(std::count(heard.begin(), heard.end(), c.Reported), 1);
    auto reported = std::find(heard.begin(), heard.end(), c.Reported);
    EXPECT_EQ(Names(reported, heard.end()), (Names{c.Reported, "-994", "-978"}));
    SharedCompressionEngine().Abort = false;
  }
}

TEST_F(InstallRun, AServerThatFailsToRegisterIsTriedAgainAfterTheTreeAndThenEndsTheRun) {
  LoadProduct(FileText("F", "server.dll", " ActiveX = True\n") + FileText("G", "b.txt") + Keys());
  Archive({{"F", "no library"}, {"G", "beta"}});
  CountAfterInstallObjects();
  RunInstall();
  // The tree went on past the server; the second failure ended the run
  // before the registry phase.
  EXPECT_EQ(Installed("b.txt"), "beta");
  EXPECT_CONTAINS(shown, "server.dll");
  EXPECT_FALSE(Heard("Installing registry keys..."));
  EXPECT_EQ(MachineValue("\\" + ScratchKey + "\\Product", "Name"), "<none>");
  auto reported = std::find(heard.begin(), heard.end(), "after objects");
  EXPECT_EQ(Names(reported, heard.end()), (Names{"after objects", "-994", "-978"}));
}

// An 80-byte record of the remote list of files.
std::string RemoteRecord(int32_t size, double date, const std::string& name, const std::string& version) {
  std::string record(80, '\0');
  WriteLittleEndian(record.data(), static_cast<uint32_t>(size), 4);
  uint64_t bits = 0;
  std::memcpy(&bits, &date, sizeof bits);
  WriteLittleEndian(record.data() + 8, bits, 8);
  record.replace(16, name.size(), name);
  record.replace(56, version.size(), version);
  return record;
}

std::string Count(int32_t n) {
  std::string bytes;
  AppendLittleEndian(bytes, static_cast<uint32_t>(n), 4);
  return bytes;
}

std::string Repeated(const std::string& text, int times) {
  std::string all;
  while (times-- > 0) all += text;
  return all;
}

TEST_F(InstallRun, TheRemoteListOfFilesGivesItsFilesTheirInformation) {
  TTestServer server(TTestServer::TKind::Http);
  ASSERT_TRUE(server.Started()) << server.Problem();
  const struct {
    const char* Case;
    std::string List;
    bool Fails;
    int MoreFiles = 0;
    std::string Component = "F";
  } cases[] = {
      {"a count and no record", Count(1), true},
      {"a count cut short", Count(1).substr(0, 3), true},
      {"a short record", Count(1) + RemoteRecord(1, 2, "f", "1").substr(0, 79), true},
      {"a record and one of no file",
       Count(2) + RemoteRecord(99, 1, "Other", "9") +
           RemoteRecord(1234, 40000.5, "f", "1.2.3.4-and-more-than-20"),
       false},
      {"a record for each of 2,001 files",
       Count(2001) + RemoteRecord(1234, 40000.5, "f", "1.2.3.4-and-more-than-20") +
           Repeated(RemoteRecord(1, 1, "G", "1"), 2000),
       false, 2000},
      {"a name the build cut to what a record holds",
       Count(1) + RemoteRecord(1234, 40000.5, std::string(39, 'L'), "1.2.3.4-and-more-than-20"),
       false, 0, std::string(45, 'L')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    server.Put("filelist.lst", c.List);
    std::string more;
    for (int i = 0; i < c.MoreFiles; ++i) more += FileText("G" + std::to_string(i), "g.txt");
    LoadProduct(more + FileText(c.Component, "a.txt") +
                    "object Web: TCustomNetInstallLocation\n LoginInformation.Hostname = '" +
                    server.Host() + "'\nend\n",
                "DistributeType = dtWeb\nNetLocation = Web\n");
    Archive({{c.Component, "alpha"}});
    const std::string error = MessageOf([&] { install->ReadFileInformation(); });
    const std::string prefix = "Cannot read the remote list of files: ";
    if (c.Fails) {
      ASSERT_EQ(error.substr(0, prefix.size()), prefix);
      EXPECT_FALSE(Exists(error.substr(prefix.size()))) << "the temporary file goes";
      continue;
    }
    EXPECT_EQ(error, "");
    EXPECT_EQ(File(c.Component)->UncompressedSize, 1234);
    EXPECT_EQ(File(c.Component)->Date, 40000.5);
    EXPECT_EQ(File(c.Component)->Version, "1.2.3.4-and-more-tha");
  }
}

TEST_F(InstallRun, FilesMarkedToRunAfterTheInstallationStartUnlessTheEventDeclines) {
  for (bool declined : {false, true}) {
    SCOPED_TRACE(declined ? "declined" : "started");
    Reset();
    LoadProduct(FileText("F", "a.txt") + FileText("R", "start.bat", " RunAfterInstall = True\n"));
    const std::string marker = At("marker.txt");
    WriteFile(marker, "here");
    Archive({{"F", "alpha"}, {"R", "ERASE " + marker + "\r\n"}});
    Names asked;
    install->OnBeforeRunFile.Handler = [&](TComponent*, TCustomInstallFile* file, bool& defaultAction) {
      asked.push_back(file->Name());
      if (declined) defaultAction = false;
    };
    RunInstall();
    EXPECT_EQ(shown, "");
    EXPECT_EQ(asked, Names{"R"});
    // The batch file runs on its own, without the setup waiting for it.
    for (int i = 0; i < 100 && !declined && Exists(marker); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Exists(marker), declined);
  }
}

TEST_F(InstallRun, ARunRefusedByTheMachineEndsBadlyAndTheNextStartCompletesIt) {
  LoadTwoContainers();
  Archive(kPayload);
  RunInstall();
  ASSERT_EQ(shown, "");
  const std::map<std::string, std::string> clean = Snapshot();
  ASSERT_EQ(clean.count("file " + UpperCase(At("app2\\c.txt"))), 1u);
  for (TFaultKind kind : {TFaultKind::RegistryWrite, TFaultKind::FileWrite, TFaultKind::Move}) {
    for (uint64_t n = 1;; ++n) {
      SCOPED_TRACE("refused call " + std::to_string(n) + " of kind " + std::to_string(static_cast<int>(kind)));
      Reset();
      LoadTwoContainers();
      bool refused = false;
      {
        TFaultInjectingServices faults;
        faults.FailCall(kind, n);
        TScopedPlatformServices scope(faults.Services());
        RunInstall();
        refused = faults.Calls(kind) >= n;
      }
      // A refusal the design absorbs (an uninstall entry passed to the next
      // subkey) ends well; any other ends badly, keeping the record.
      if (install->Ended) {
        EXPECT_NE(shown, "");
        EXPECT_TRUE(Heard("-994"));
        if (!install->InstallRecordKey.empty()) {
          EXPECT_TRUE(MachineKeyExists(install->InstallRecordKey));
        }
      } else {
        EXPECT_EQ(shown, "");
        EXPECT_TRUE(Heard("-995"));
      }
      if (refused) {
        form.reset();
        shown.clear();
        Application().Initialize();
        LoadTwoContainers();
        RunInstall();
        EXPECT_EQ(shown, "");
      }
      EXPECT_EQ(Differences(Snapshot(), clean), "");
      if (HasFailure() || !refused) break;
    }
    if (HasFailure()) return;
  }
}

#ifndef _WIN32
TEST_F(InstallRun, ARunKilledAtAnyStepEndsLikeAnUninterruptedOneWhenStartedAgain) {
  LoadTwoContainers();
  Archive(kPayload);
  // Counted on the machine each killed run starts from, after a first run
  // as they come after one (the engine keeps what it read of the archive).
  RunInstall();
  Reset();
  LoadTwoContainers();
  uint64_t total = 0;
  {
    TFaultInjectingServices counting;
    counting.OnCall([&](TFaultKind, uint64_t) { ++total; });
    TScopedPlatformServices scope(counting.Services());
    RunInstall();
  }
  ASSERT_EQ(shown, "");
  const std::map<std::string, std::string> clean = Snapshot();
  for (uint64_t seed : {1u, 2u, 3u, 5u, 8u, 13u}) {
    // Calls spread over the whole run, the first and the last among them.
    const uint64_t killAt = seed == 1 ? 1 : seed == 13 ? total : 1 + (seed * 2654435761u) % total;
    SCOPED_TRACE("killed at call " + std::to_string(killAt) + " of " + std::to_string(total));
    Reset();
    LoadTwoContainers();
    std::fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      uint64_t calls = 0;
      TFaultInjectingServices killing;
      killing.OnCall([&](TFaultKind, uint64_t) {
        if (++calls == killAt) _exit(0);
      });
      TScopedPlatformServices scope(killing.Services());
      RunInstall();
      _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the run ended before the call that kills it";
    form.reset();
    LoadTwoContainers();
    RunInstall();
    EXPECT_EQ(shown, "");
    EXPECT_EQ(Differences(Snapshot(), clean), "");
    if (HasFailure()) return;
  }
}
#endif

}  // namespace
}  // namespace brim::test
