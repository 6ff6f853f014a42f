// Registry components and their entries as a definition declares them.
#include <gtest/gtest.h>

#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"
#include "engine/cmp_TInstallRegistry.h"
#include "objects/BinaryForm.h"
#include "objects/TextForm.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformTest.h"
#include "system/routines_Registry.h"

namespace brim::test {
namespace {

// Written as a generated definition writes it: saving it gives it back.
const char* kRegistry = R"(
    object psMainInstall: TpsMainInstall
    end
    object InstallRegistry1: TInstallRegistry
      Container = Install1
      Entries = <
        item
          Boolean = False
          EntryType = retText
          Ident = 'Path'
          Integer = 0
          PathSpecifier = psMainInstall
          Text = '%p'
        end
        item
          Boolean = False
          EntryType = retInteger
          Ident = 'Runs'
          Integer = -1
        end
        item
          Boolean = True
          EntryType = retBoolean
          Ident = 'Registered'
          Integer = 0
        end>
      InstallTypes = [itFull, itDefault, itCompact]
      KeySpecifierType = ksProductName
    end
    object Install1: TInstall
      BuildInfo.SignCode = False
      HideMainForm = False
      Reboot = False
      UseLoadingProgram = True
    end)";

TEST(RegistryEntries, ItemsWithoutOrderValuesLoadInSequence) {
  auto form = LoadOnForm(kRegistry);
  auto* registry = form->Find<TInstallRegistry>("InstallRegistry1");
  ASSERT_EQ(registry->Entries.Count(), 3);
  TRegistryEntry* path = registry->Entries.Entries(0);
  EXPECT_EQ(path->Ident, "Path");
  EXPECT_EQ(path->Text(), "%p");
  EXPECT_EQ(path->EntryType, TRegistryEntryType::retText);
  EXPECT_EQ(path->PathSpecifier(), form->FindComponent("psMainInstall"));
  EXPECT_EQ(registry->Entries.Entries(1)->Integer(), -1);
  EXPECT_EQ(registry->Entries.Entries(1)->EntryType, TRegistryEntryType::retInteger);
  EXPECT_TRUE(registry->Entries.Entries(2)->Boolean());
  EXPECT_EQ(registry->KeySpecifierType(), TKeySpecifier::ksProductName);
  EXPECT_EQ(registry->Container(), form->FindComponent("Install1"));
}

const TObjectRecord& Child(const TObjectRecord& root, const std::string& name) {
  for (const auto& child : root.Children)
    if (child.Name == name) return child;
  throw Exception("The form has no component %s", name);
}

TEST(RegistryEntries, AreSavedAsTheyWereWritten) {
  auto form = LoadOnForm(kRegistry);
  // The saved collection has no order values and every entry field that
  // has no declared default; what was loaded comes back the same.
  TObjectRecord saved = SaveForm(*form);
  const TObjectRecord& registry = Child(saved, "InstallRegistry1");
  std::optional<TValue> entries = SavedValue(registry.Props, "Entries");
  ASSERT_TRUE(entries.has_value());
  ASSERT_EQ(entries->Items.size(), 3u);
  for (const auto& item : entries->Items) EXPECT_FALSE(item.HasOrder);
  EXPECT_EQ(PrintTextForm(registry),
            PrintTextForm(Child(ParseTextForm(FormText(kRegistry)), "InstallRegistry1")));
}

TEST(RegistryEntries, AnEntrySpecifierOfTheWrongClassIsNamed) {
  std::string error = LoadError(R"(
    object InstallRegistry1: TInstallRegistry
      Entries = <
        item
          PathSpecifier = Group1
        end>
    end
    object Group1: TInstallGroup
    end)");
  EXPECT_CONTAINS(error, "InstallRegistry1.Entries[0].PathSpecifier");
  EXPECT_CONTAINS(error, "Group1 is a TInstallGroup, not a TCustomPathSpecifier");
}

TEST(RegistryEntries, NeedTheirRegistryComponent) {
  try {
    TRegistryEntries entries(nullptr);
    FAIL() << "entries were created without a registry component";
  } catch (const IERegistryEntries& e) {
    EXPECT_EQ(e.Message(), "Cannot create a TRegistryEntries component with a Nil Owner");
  }
}

TEST(InstallRegistry, ConstructorValuesAndDefaults) {
  auto form = LoadComponents("object InstallRegistry1: TInstallRegistry\nend");
  auto* registry = form->Find<TInstallRegistry>("InstallRegistry1");
  EXPECT_EQ(registry->Key(), "\\SOFTWARE\\MyStuff");
  EXPECT_EQ(registry->RootKey, TRootKeys::hkLocalMachine);
  EXPECT_TRUE(registry->Uninstall);
  EXPECT_FALSE(registry->ProcessWithContainer);
  EXPECT_EQ(registry->RegisteredType(), 8500);
  // KeySpecifierType has no declared default; the key and root are left out.
  EXPECT_EQ(SavedNames(*form, "InstallRegistry1"),
            (std::vector<std::string>{"InstallTypes", "KeySpecifierType"}));
}

TEST(InstallRegistry, RootKeysLoadByName) {
  auto form = LoadComponents(R"(
    object InstallRegistry1: TInstallRegistry
      Key = '\Software\Brimwell\Demo'
      RootKey = hkCurrentUser
    end)");
  auto* registry = form->Find<TInstallRegistry>("InstallRegistry1");
  EXPECT_EQ(registry->RootKey, TRootKeys::hkCurrentUser);
  EXPECT_EQ(registry->Key(), "\\Software\\Brimwell\\Demo");
  EXPECT_CONTAINS(LoadError("object R: TInstallRegistry\n RootKey = hkLocalSystem\nend"),
                  "hkLocalSystem is not a value of TRootKeys");
}

TEST(InstallRegistry, AWriteEntryHandlerSeesTheEntry) {
  std::string seen;
  std::function<void(TComponent*, TRegistryEntry*, bool&)> skip =
      [&](TComponent*, TRegistryEntry* entry, bool& go) {
        seen = entry->Ident;
        go = false;
      };
  auto form = LoadComponents(R"(
    object R: TInstallRegistry
      Entries = <
        item
          Ident = 'Skipped'
        end>
      OnBeforeWriteEntry = SkipEntry
    end)",
                             {{"SkipEntry", skip}});
  auto* registry = form->Find<TInstallRegistry>("R");
  bool go = true;
  registry->OnBeforeWriteEntry(registry, registry->Entries.Entries(0), go);
  EXPECT_EQ(seen, "Skipped");
  EXPECT_FALSE(go);
}

// ---- Writing keys on the machine ----

constexpr int kLocalMachine = 4;  // TRootKeys ordinal

// An installation whose company and product put the keys it derives under
// the test's scratch key: "\SOFTWARE\BrimwellTests\<test>".
class RegistryWrites : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    product = ScratchKey.substr(ScratchKey.rfind('\\') + 1);
    uninstall = UninstallKeyPrefix + product;
  }
  void TearDown() override {
    form.reset();
    RemoveKeyTree(TRegRoot::LocalMachine, uninstall.substr(1));
    PlatformTest::TearDown();
  }
  TInstallRegistry* Load(const std::string& registries, std::map<std::string, std::any> handlers = {}) {
    form = LoadOnForm(R"(
      object psMainInstall: TpsMainInstall
      end
      object Install1: TInstall
        Information.CompanyName = 'BrimwellTests'
        Information.ProductName = ')" + product + R"('
        Information.Version = '2.1'
      end)" + registries, std::move(handlers));
    return form->Find<TInstallRegistry>("Keys");
  }
  std::string Read(const std::string& key, const std::string& name) {
    return ReadRegistryString(kLocalMachine, key, name, "<none>");
  }

  std::string product, uninstall;
  std::unique_ptr<TDefinitionTestMainForm> form;
};

TEST_F(RegistryWrites, EntriesAreWrittenAndRecordedForTheUninstaller) {
  std::function<void(TComponent*, TRegistryEntry*, bool&)> skip =
      [](TComponent*, TRegistryEntry* entry, bool& go) { go = entry->Ident != "Skipped"; };
  TInstallRegistry* keys = Load(R"(
    object Keys: TInstallRegistry
      Container = Install1
      Key = '\)" + ScratchKey + R"(\App\'
      Entries = <
        item
          Ident = 'Path'
          PathSpecifier = psMainInstall
          Text = '%p'
        end
        item
          EntryType = retInteger
          Ident = 'Runs'
          Integer = -7
        end
        item
          Boolean = True
          EntryType = retBoolean
          Ident = 'Registered'
        end
        item
          Ident = 'Skipped'
          Text = 'no'
        end>
      OnBeforeWriteEntry = Skip
    end
    object Versioned: TInstallRegistry
      Container = Install1
      KeySpecifierType = ksVersion
      Entries = <
        item
          Ident = 'Edition'
          Text = 'Pro'
        end>
    end)", {{"Skip", skip}});
  std::string installed = form->Find<TInstall>("Install1")->DestinationPath();
  ASSERT_FALSE(installed.empty());
  ASSERT_NE(installed.back(), '\\');
  keys->Process();
  form->Find<TInstallRegistry>("Versioned")->Process();

  std::string app = "\\" + ScratchKey + "\\App";
  EXPECT_EQ(Read(app, "Path"), installed);
  EXPECT_EQ(ReadRegistryInteger(kLocalMachine, app, "Runs", 0), -7);
  EXPECT_EQ(ReadRegistryInteger(kLocalMachine, app, "Registered", 0), 1);
  EXPECT_EQ(Read(app, "Skipped"), "<none>");
  EXPECT_EQ(Read("\\SOFTWARE\\BrimwellTests\\" + product + "\\2.1", "Edition"), "Pro");

  // The record lists every entry by its text, skipped or not, whatever its type.
  std::string record = uninstall + "\\RegistryKeys";
  EXPECT_EQ(Read(record, "Entries"), "2");
  EXPECT_EQ(Read(record + "\\RegistryKey1", "Key"), app);
  EXPECT_EQ(ReadRegistryInteger(kLocalMachine, record + "\\RegistryKey1", "Root", -1), 4);
  const std::vector<std::pair<std::string, std::string>> recorded = {
      {"Path", installed}, {"Runs", ""}, {"Registered", ""}, {"Skipped", "no"}};
  for (const auto& [ident, text] : recorded)
    EXPECT_EQ(Read(record + "\\RegistryKey1\\Entries", ident), text) << ident;
  EXPECT_EQ(Read(record + "\\RegistryKey2", "Key"), "\\SOFTWARE\\BrimwellTests\\" + product + "\\2.1");
}

TEST_F(RegistryWrites, PropertyRulesApplyOutsideLoading) {
  TInstallRegistry* keys = Load(R"(
    object Keys: TInstallRegistry
      Container = Install1
      RootKey = hkCurrentUser
      Entries = <
        item
          Ident = 'A'
        end>
    end)");
  TRegistryEntry* entry = keys->Entries.Entries(0);
  entry->SetInteger(3);
  EXPECT_EQ(entry->EntryType, TRegistryEntryType::retInteger);
  entry->SetBoolean(true);
  EXPECT_EQ(entry->EntryType, TRegistryEntryType::retBoolean);
  auto* main = form->Find<TCustomPathSpecifier>("psMainInstall");
  entry->SetPathSpecifier(main);
  EXPECT_EQ(entry->EntryType, TRegistryEntryType::retText);
  EXPECT_EQ(entry->Text(), "%p");
  entry->SetInteger(4);
  entry->SetPathSpecifier(nullptr);
  EXPECT_EQ(entry->EntryType, TRegistryEntryType::retText);
  EXPECT_EQ(entry->Registry, keys);

  TRegistryEntry copy(nullptr);
  copy.Assign(*entry);
  EXPECT_EQ(copy.Integer(), 4);
  EXPECT_EQ(copy.Text(), "%p");
  EXPECT_TRUE(copy.Boolean());

  keys->SetKeySpecifierType(TKeySpecifier::ksProductName);
  EXPECT_EQ(keys->Key(), "");
  EXPECT_EQ(keys->RootKey, TRootKeys::hkLocalMachine);
  keys->SetKey("\\Ignored");
  EXPECT_EQ(keys->Key(), "");
  EXPECT_EQ(keys->GetKeyPath(), "\\SOFTWARE\\BrimwellTests\\" + product);

  // A specifier that goes leaves the entry's type alone; the installation
  // going turns a derived key absolute, and a derived key then needs one.
  entry->SetPathSpecifier(main);
  entry->EntryType = TRegistryEntryType::retInteger;
  delete main;
  EXPECT_EQ(entry->PathSpecifier(), nullptr);
  EXPECT_EQ(entry->EntryType, TRegistryEntryType::retInteger);
  delete form->Find<TInstall>("Install1");
  EXPECT_EQ(keys->KeySpecifierType(), TKeySpecifier::ksAbsolute);
  EXPECT_EQ(MessageOf([&] { keys->SetKeySpecifierType(TKeySpecifier::ksVersion); }),
            "There is no TInstall component in your project");
  EXPECT_EQ(MessageOf([] { InstallRegistries().Add(nullptr); }),
            "Cannot add blank entry to the registry list");
}

TEST_F(RegistryWrites, ARefusedKeyOrValueEndsInTheMessageAndKeepsWhatWasThere) {
  std::string app = "\\" + ScratchKey + "\\App";
  TInstallRegistry* keys = Load(R"(
    object Keys: TInstallRegistry
      Container = Install1
      Key = '\)" + ScratchKey + R"(\App'
      Entries = <
        item
          Ident = 'A'
          Text = 'new'
        end
        item
          Ident = 'B'
          Text = 'new'
        end>
    end)");
  for (int refused = 0; refused <= 2; ++refused) {
    SCOPED_TRACE("refused call " + std::to_string(refused));
    WriteRegistryString(kLocalMachine, app, "A", "old");
    WriteRegistryString(kLocalMachine, app, "B", "old");
    TFaultInjectingServices faults;
    if (refused == 0) faults.FailFrom(TFaultKind::RegistryCreateKey, 1);
    else faults.FailCall(TFaultKind::RegistryWrite, refused);
    std::string message;
    {
      TScopedPlatformServices scope(faults.Services());
      if (refused == 0) RemoveKeyTree(TRegRoot::LocalMachine, ScratchKey + "\\App");
      message = MessageOf([&] { keys->Process(); });
    }
    if (refused == 0) {
      EXPECT_EQ(message, "Keys cannot create the key " + app + " in the registry");
      continue;
    }
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(Read(app, refused == 1 ? "A" : "B"), "old");
    EXPECT_EQ(Read(app, "B"), "old");
    EXPECT_EQ(Read(uninstall + "\\RegistryKeys", "Entries"), "<none>") << "not recorded";
  }
}

TEST_F(RegistryWrites, TheUnfinishedListLivesInTheInstallationRecord) {
  Load("");
  TInstall* install = form->Find<TInstall>("Install1");
  TStringList list;
  const std::string none = "The TInstall could not either write or read unfinished business from the registry";
  EXPECT_EQ(MessageOf([&] { install->AddUnfinished("File1", 0); }), none);
  EXPECT_EQ(MessageOf([&] { install->ReadUnfinished(list); }), none);
  EXPECT_EQ(MessageOf([&] { install->ClearUnfinished(); }), none);

  install->InstallRecordKey = "\\" + ScratchKey + "\\Record\\";
  install->ReadUnfinished(list);
  EXPECT_EQ(list.Count(), 0);
  install->AddUnfinished("File1", 0);
  install->AddUnfinished("C:\\TEMP\\move.bat", 1);
  EXPECT_EQ(install->UnfinishedCount, 2);
  EXPECT_EQ(Read("\\" + ScratchKey + "\\Record\\Unfinished", "File1"), "0");
  install->ReadUnfinished(list);
  std::vector<std::string> lines = list.Lines();
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"C:\\TEMP\\move.bat;1", "File1;0"}));
  install->ClearUnfinished();
  install->ReadUnfinished(list);
  EXPECT_EQ(list.Count(), 0);
  install->ClearUnfinished();  // nothing left to delete is no error
}

}  // namespace
}  // namespace brim::test
