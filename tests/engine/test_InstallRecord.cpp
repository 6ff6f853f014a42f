// The installation record and the start after a reboot: how a record is
// found again by its setup file's size and date or made under the lowest
// free number, what removing it takes along, the dialog language kept
// across the reboot, the RunOnce command that restarts the setup, and the
// continuation that finishes the unfinished list and ends well.
#include <gtest/gtest.h>

#include "common/DateTime.h"
#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"
#include "engine/InstallRunTest.h"
#include "engine/cmp_TInstallRegistry.h"
#include "platform/FaultInjection.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_Registry.h"
#include "translation/cmp_TTranslator.h"
#include "widgets/Forms.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

// An install file whose work after the reboot is logged.
class TLoggedFile : public TInstallFile {
  BRIM_CLASS(TLoggedFile)

 public:
  TLoggedFile(TComponent* owner, Names* log) : TInstallFile(owner), log_(log) {}
  void CompleteAfterReboot() override { log_->push_back("completed " + Name()); }

 private:
  Names* log_;
};

const TClassInfo& TLoggedFile::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLoggedFile>("TLoggedFile", &TInstallFile::StaticClass()).Build();
  return info;
}

constexpr int kLocalMachine = static_cast<int>(TRootKeys::hkLocalMachine);

// 2020-05-06 07:08:10, a date a file keeps exactly.
const TDateTime kSetupDate = 43957.2973379629629;

class InstallRecord : public InstallRunTest {
 protected:
  void SetUp() override {
    InstallRunTest::SetUp();
    SetFileDate(SetupFile, kSetupDate);
  }
  void SetFileDate(const std::string& path, TDateTime date) {
    auto file = PlatformFiles().Open(path, accWrite, shareRead, TFileCreation::OpenExisting);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->SetLastWriteTime(PlatformSystem().LocalToUtcFileTime(DateTimeToLocalFileTime(date))));
  }
  // A record of another setup file.
  void WriteRecord(const std::string& name, double date, int32_t size) {
    TQmbxRegistry registry(TRegRoot::LocalMachine);
    ASSERT_TRUE(registry.OpenKey(std::string(RecordsKey) + "\\" + name, true));
    registry.WriteString("Path", "C:\\Other\\setup.exe");
    registry.WriteFloat("CreationDate", date);
    registry.WriteInteger("Size", size);
  }
  std::optional<double> RecordDate(const std::string& key, const std::string& name) {
    TQmbxRegistry registry(TRegRoot::LocalMachine);
    if (!registry.OpenKeyReadOnly(key) || !registry.ValueExists(name)) return std::nullopt;
    return registry.ReadFloat(name);
  }
  Names RecordNames() {
    TQmbxRegistry registry(TRegRoot::LocalMachine);
    if (!registry.OpenKeyReadOnly(RecordsKey)) return {};
    Names names = registry.GetKeyNames();
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string Record(int n) { return std::string(RecordsKey) + "\\Install" + std::to_string(n); }
};

TEST_F(InstallRecord, ARecordIsMadeUnderTheLowestFreeNumberWithTheSetupFilesStamp) {
  const struct {
    const char* Case;
    Names Others;  // records of other setup files (n), or cut short while made ("-n")
    std::vector<std::string> Arguments;
    std::string Key;
    std::string SelfExtract;
    size_t Records;  // afterwards
  } cases[] = {
      {"a clean machine", {}, {}, Record(0), "<none>", 1},
      {"0 and 2 taken", {"0", "2"}, {}, Record(1), "<none>", 3},
      {"0 cut short while made", {"-0", "1"}, {}, Record(0), "<none>", 2},
      {"self-extracting", {}, {"-sC:\\Dist", "-eSetup.exe"}, Record(0), "C:\\Dist\\Setup.exe", 1},
      {"self-extracting from a root", {}, {"-sA:\\", "-eSetup.exe"}, Record(0), "A:\\Setup.exe", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    for (const std::string& other : c.Others) {
      if (other[0] == '-')
        WriteRegistryString(kLocalMachine, Record(std::stoi(other.substr(1))),
                            "Path", SetupFile);
      else
        WriteRecord("Install" + other, kSetupDate + 1, 17);
    }
    LoadProduct("", "", c.Arguments);
    // Looking without making finds none, and makes none.
    EXPECT_EQ(install->InstallRecordKey, "");
    EXPECT_EQ(install->FindInstallRecord(false), "");
    EXPECT_EQ(install->FindInstallRecord(true), c.Key);
    EXPECT_EQ(MachineValue(c.Key, "Path"), SetupFile);
    EXPECT_EQ(RecordDate(c.Key, "CreationDate"), kSetupDate);
    EXPECT_EQ(MachineInteger(c.Key, "Size"), 17);
    EXPECT_EQ(RecordDate(c.Key, "LastRunDate"), 0.0) << "no run has started";
    EXPECT_EQ(MachineValue(c.Key, "SelfExtract"), c.SelfExtract);
    EXPECT_EQ(RecordNames().size(), c.Records);
  }
}

TEST_F(InstallRecord, TheSameSetupFileAnywhereFindsItsRecordAndAChangedOneMakesANewOne) {
  LoadProduct("");
  const std::string first = install->FindInstallRecord(true);
  ASSERT_EQ(first, Record(0));
  const std::string copy = At("copy\\setup.exe");
  ASSERT_TRUE(PlatformFiles().CreateDirectory(At("copy")));
  ASSERT_TRUE(PlatformFiles().CopyFile(SetupFile, copy, false));
  SetFileDate(copy, kSetupDate);
  const struct {
    const char* Case;
    std::string Running;
    TDateTime Date;
    std::string Key;
  } cases[] = {
      {"the copy, size and date kept", copy, kSetupDate, Record(0)},
      // Within a file system's two seconds, but further than a lookup allows.
      {"the file touched", SetupFile, kSetupDate + 2.0 / 86400, Record(1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    SetFileDate(c.Running, c.Date);
    RunFrom(c.Running);
    install->RunStartTime = 44000.5;
    EXPECT_EQ(install->FindInstallRecord(false), c.Key == first ? first : "");
    EXPECT_EQ(install->FindInstallRecord(true), c.Key);
    EXPECT_EQ(MachineValue(c.Key, "Path"), c.Running);
    EXPECT_EQ(RecordDate(c.Key, "LastRunDate"), 44000.5);
    EXPECT_EQ(RecordDate(c.Key, "CreationDate"), c.Date);
  }
}

TEST_F(InstallRecord, AtStartUpTheMainArchiveTakesTheLocalCopyItsRecordKeeps) {
  LoadProduct("");
  const std::string record = install->FindInstallRecord(true);
  const std::string local = At("Install1.1");
  WriteFile(local, "downloaded before");
  WriteRegistryString(kLocalMachine, record + "\\Install1", "LocalFile", local);
  LoadProduct("");
  EXPECT_EQ(install->LocalArchive, local);
}

TEST_F(InstallRecord, RemovingTheRecordTakesItsLocalCopiesAndTheEmptyKeysAboveIt) {
  for (bool another : {false, true}) {
    SCOPED_TRACE(another ? "another product's record" : "the only record");
    Reset();
    if (another) WriteRecord("Install0", kSetupDate + 1, 5);
    LoadProduct("");
    install->InstallRecordKey = install->FindInstallRecord(true);
    const std::string local = At("Dir.1");
    WriteFile(local, "downloaded");
    WriteRegistryString(kLocalMachine, install->InstallRecordKey + "\\Dir", "LocalFile", local);
    WriteRegistryString(kLocalMachine, install->InstallRecordKey + "\\Blank", "LocalFile", "  ");
    WriteRegistryString(kLocalMachine, install->InstallRecordKey + "\\Unfinished", "F", "0");
    const std::string record = install->InstallRecordKey;
    install->RemoveInstallRecord();
    EXPECT_FALSE(Exists(local));
    EXPECT_FALSE(MachineKeyExists(record));
    EXPECT_EQ(install->InstallRecordKey, "");
    EXPECT_EQ(MachineKeyExists(RecordsKey), another);
    EXPECT_EQ(MachineKeyExists("\\Software\\Brimwell"), another);
    // Nothing to remove is no error.
    install->RemoveInstallRecord();
  }
}

TEST_F(InstallRecord, TheDialogLanguageIsKeptInTheRecordAcrossTheReboot) {
  const struct {
    const char* Case;
    const char* Translator;  // the translator's language, or none
    std::optional<int32_t> Stored;
    const char* StoredText;  // stored as text instead
    TQmbxLanguage Loaded;
  } cases[] = {
      {"French stored", "qlEnglish", 6, nullptr, TQmbxLanguage::qlFrench},
      {"none stored", "qlSpanish", std::nullopt, nullptr, TQmbxLanguage::qlSpanish},
      {"stored as text", "qlGerman", std::nullopt, "6", TQmbxLanguage::qlGerman},
      {"no such language", "qlDutch", 99, nullptr, TQmbxLanguage::qlDutch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    LoadProduct(std::string("object MainTranslator: TTranslator\n TranslateIntoLanguage = ") + c.Translator +
                "\nend\n");
    ASSERT_NE(MainTranslator(), nullptr);
    install->InstallRecordKey = install->FindInstallRecord(true);
    if (c.Stored) WriteRegistryInteger(kLocalMachine, install->InstallRecordKey, "Language", *c.Stored);
    if (c.StoredText) WriteRegistryString(kLocalMachine, install->InstallRecordKey, "Language", c.StoredText);
    install->LoadLanguage();
    EXPECT_EQ(MainTranslator()->TranslateIntoLanguage, c.Loaded);
    MainTranslator()->TranslateIntoLanguage = TQmbxLanguage::qlUser;
    install->SaveLanguage();
    EXPECT_EQ(MachineInteger(install->InstallRecordKey, "Language"), 19);
  }
  // Without a translator nothing is kept.
  Reset();
  LoadProduct("");
  EXPECT_EQ(MainTranslator(), nullptr);
  install->InstallRecordKey = install->FindInstallRecord(true);
  install->SaveLanguage();
  EXPECT_EQ(MachineInteger(install->InstallRecordKey, "Language"), std::nullopt);
}

TEST_F(InstallRecord, TheRunOnceCommandRestartsTheSetupUnderTheFirstFreeName) {
  const std::string exe = "\"" + SetupFile + "\" -r ";
  const struct {
    const char* Case;
    Names Taken;
    std::string Properties;
    std::vector<std::string> Arguments;
    std::string Name;
    std::string Command;
  } cases[] = {
      {"the setup itself", {}, "", {}, "BrimwellUnfinished", exe + "\"-s" + At("setup") + "\""},
      {"two names taken", {"BrimwellUnfinished", "BrimwellUnfinished1"}, "", {}, "BrimwellUnfinished2",
       exe + "\"-s" + At("setup") + "\""},
      {"self-extracting", {}, "", {"-sC:\\Dist", "-eSetup.exe"}, "BrimwellUnfinished",
       exe + "\"-eSetup.exe\" \"-sC:\\Dist\""},
      {"a copy to clean up", {}, "UseLoadingProgram = True\n", {"-sC:\\Dist", "-c"}, "BrimwellUnfinished",
       exe + "\"-sC:\\Dist\" -c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    for (const std::string& name : c.Taken) WriteRegistryString(kLocalMachine, RunOnceKey, name, "other");
    LoadProduct("", c.Properties, c.Arguments);
    // The self-extracting file is the main archive.
    install->AssignArchive("", form->Find<TCustomPathSpecifier>("psMainArchiveFile"));
    install->RegisterRunOnce();
    EXPECT_EQ(MachineValue(RunOnceKey, c.Name), c.Command);
    for (const std::string& name : c.Taken) EXPECT_EQ(MachineValue(RunOnceKey, name), "other");
  }
  TFaultInjectingServices faults;
  faults.FailFrom(TFaultKind::RegistryWrite, 1);
  TScopedPlatformServices scope(faults.Services());
  EXPECT_EQ(MessageOf([&] { install->RegisterRunOnce(); }),
            "Cannot register the install to be run on reboot in the RunOnce key in the registry");
}

TEST_F(InstallRecord, TheStartAfterTheRebootFinishesTheUnfinishedListAndEndsWell) {
  // A rename batch file, in the temporary directory of the setup that made it.
  const std::string leftOver = At("BWS0123ABCD.tmp\\left.bat");
  const struct {
    const char* Case;
    std::map<std::string, std::string> Entries;
    Names Completed;
    std::string Error;
  } cases[] = {
      {"a file to complete and one to delete", {{"logged", "0"}, {leftOver, "1"}}, {"completed Logged"}, ""},
      {"a file already gone", {{At("gone.bat"), "1"}}, {}, ""},
      {"a component the definition lacks", {{"Missing", "0"}}, {}, ""},
      {"an unknown type", {{"Logged", "7"}}, {}, ""},
      {"no number", {{"Logged", "abc"}}, {}, "There is an invalid entry for the unfinished install list Logged;abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    ASSERT_TRUE(CreateDirectoryPath(ExtractFileDir(leftOver)));
    WriteFile(leftOver, "echo");
    LoadProduct("object MainTranslator: TTranslator\nend\n");
    Names completed;
    auto* logged = new TLoggedFile(form.get(), &completed);
    logged->SetName("Logged");
    logged->SetContainer(dir);
    const std::string record = install->FindInstallRecord(true);
    for (const auto& [name, type] : c.Entries) WriteRegistryString(kLocalMachine, record + "\\Unfinished", name, type);
    WriteRegistryInteger(kLocalMachine, record, "Language", 7);
    EXPECT_EQ(MessageOf([&] { install->ContinueAfterReboot(); }), c.Error);
    EXPECT_EQ(completed, c.Completed);
    EXPECT_EQ(Exists(leftOver), !c.Entries.count(leftOver));
    EXPECT_EQ(Exists(ExtractFileDir(leftOver)), !c.Entries.count(leftOver))
        << "its directory with it";
    EXPECT_EQ(MainTranslator()->TranslateIntoLanguage, TQmbxLanguage::qlGerman);
    EXPECT_EQ(Heard("-995"), c.Error.empty());
    EXPECT_EQ(MachineKeyExists(record), !c.Error.empty()) << "the good end removes the record";
    EXPECT_FALSE(MachineKeyExists(record + "\\Unfinished")) << "the list is read once";
  }
  // -r does it all before the main window shows.
  Reset();
  LoadProduct("");
  const std::string record = install->FindInstallRecord(true);
  WriteRegistryString(kLocalMachine, record + "\\Unfinished", "Missing", "0");
  form.reset();
  LoadProduct("", "", {"-r"});
  EXPECT_FALSE(MachineKeyExists(record));
  EXPECT_FALSE(install->Running);
}

}  // namespace
}  // namespace brim::test
