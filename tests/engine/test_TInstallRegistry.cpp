// Registry components and their entries as a definition declares them.
#include <gtest/gtest.h>

#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstallRegistry.h"
#include "objects/BinaryForm.h"
#include "objects/TextForm.h"

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
  EXPECT_EQ(path->Text, "%p");
  EXPECT_EQ(path->EntryType, TRegistryEntryType::retText);
  EXPECT_EQ(path->PathSpecifier, form->FindComponent("psMainInstall"));
  EXPECT_EQ(registry->Entries.Entries(1)->Integer, -1);
  EXPECT_EQ(registry->Entries.Entries(1)->EntryType, TRegistryEntryType::retInteger);
  EXPECT_TRUE(registry->Entries.Entries(2)->Boolean);
  EXPECT_EQ(registry->KeySpecifierType, TKeySpecifier::ksProductName);
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
  EXPECT_EQ(registry->Key, "\\SOFTWARE\\MyStuff");
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
  EXPECT_EQ(registry->Key, "\\Software\\Brimwell\\Demo");
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

}  // namespace
}  // namespace brim::test
