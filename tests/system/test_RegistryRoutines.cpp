// The registry access class and the one-value registry routines, on the
// platform of the build (the substitute machine, or Windows under Wine).
#include <gtest/gtest.h>

#include "common/exceptions_Brimwell.h"
#include "engine/DefinitionTestForm.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformTest.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_Registry.h"

namespace brim::test {
namespace {

constexpr int kCurrentUser = 2;  // TRootKeys ordinals
constexpr int kLocalMachine = 4;

class RegistryRoutines : public PlatformTest {
 protected:
  std::string Key(const std::string& below = "") const {
    return "\\" + ScratchKey + (below.empty() ? "" : "\\" + below);
  }
};

TEST_F(RegistryRoutines, PathsWithABackslashStartAtTheRootOthersBelowTheCurrentKey) {
  TQmbxRegistry registry;
  ASSERT_TRUE(registry.OpenKey(Key("App"), true));
  EXPECT_EQ(registry.CurrentPath(), ScratchKey + "\\App");
  ASSERT_TRUE(registry.OpenKey("Settings\\Window", true));
  EXPECT_EQ(registry.CurrentPath(), ScratchKey + "\\App\\Settings\\Window");
  registry.WriteInteger("Left", 40);

  TQmbxRegistry other;
  EXPECT_TRUE(other.KeyExists(Key("App\\Settings\\Window")));
  EXPECT_FALSE(other.KeyExists(Key("Settings")));
  EXPECT_FALSE(other.OpenKey(Key("Missing"), false));
  EXPECT_FALSE(other.KeyExists(Key("Missing")));
  ASSERT_TRUE(other.OpenKeyReadOnly(Key("App\\Settings\\Window")));
  EXPECT_EQ(other.ReadInteger("Left"), 40);
}

TEST_F(RegistryRoutines, DeletingAKeyDeletesItsWholeTree) {
  WriteRegistryString(kCurrentUser, Key("Tree\\A\\Deep"), "x", "1");
  WriteRegistryString(kCurrentUser, Key("Tree\\B"), "y", "2");
  WriteRegistryString(kCurrentUser, Key("Kept"), "z", "3");
  TQmbxRegistry registry;
  EXPECT_TRUE(registry.DeleteKey(Key("Tree")));
  EXPECT_FALSE(registry.KeyExists(Key("Tree")));
  EXPECT_TRUE(registry.KeyExists(Key("Kept")));
  EXPECT_FALSE(registry.DeleteKey(Key("Tree")));

  DeleteRegistryTree(kCurrentUser, Key("Kept"));
  EXPECT_FALSE(registry.KeyExists(Key("Kept")));
  DeleteRegistryTree(kCurrentUser, Key("NeverThere"));  // ignored
}

TEST_F(RegistryRoutines, ReadsAndWritesCheckTheValueType) {
  TQmbxRegistry registry;
  ASSERT_TRUE(registry.OpenKey(Key(), true));
  registry.WriteString("Name", "Brimwell");
  registry.WriteInteger("Count", -7);
  registry.WriteFloat("CreationDate", 46363.5078125);
  EXPECT_EQ(registry.ReadFloat("CreationDate"), 46363.5078125);
  registry.WriteBinaryData("Short", "\x01\x02");
  EXPECT_THROW(registry.ReadFloat("Short"), EQmbxRegistry);
  EXPECT_THROW(registry.ReadFloat("Count"), EQmbxRegistry);
  EXPECT_EQ(registry.ReadString("Absent"), "");
  EXPECT_THROW(registry.ReadString("Count"), EQmbxRegistry);
  EXPECT_THROW(registry.ReadInteger("Name"), EQmbxRegistry);
  EXPECT_THROW(registry.ReadInteger("Absent"), EQmbxRegistry);
  EXPECT_TRUE(registry.ValueExists("Name"));
  EXPECT_TRUE(registry.DeleteValue("Name"));
  EXPECT_FALSE(registry.ValueExists("Name"));

  TQmbxRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly(Key()));
  try {
    reader.WriteString("Name", "x");
    FAIL() << "a key opened read-only took a write";
  } catch (const EQmbxRegistry& e) {
    EXPECT_CONTAINS(e.Message(), "Name");
    EXPECT_CONTAINS(e.Message(), ScratchKey);
  }
}

TEST_F(RegistryRoutines, ValueRoutinesFallBackToTheDefault) {
  WriteRegistryString(kLocalMachine, Key("Product"), "Path", "C:\\Program Files\\App");
  WriteRegistryInteger(kLocalMachine, Key("Product"), "Version", 3);
  EXPECT_EQ(ReadRegistryString(kLocalMachine, Key("Product"), "Path", "none"), "C:\\Program Files\\App");
  EXPECT_EQ(ReadRegistryInteger(kLocalMachine, Key("Product"), "Version", 0), 3);
  // Absent key, absent value and a value of the other type all give the default.
  EXPECT_EQ(ReadRegistryString(kLocalMachine, Key("Nothing"), "Path", "none"), "none");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, Key("Product"), "Other", "none"), "none");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, Key("Product"), "Version", "none"), "none");
  EXPECT_EQ(ReadRegistryInteger(kLocalMachine, Key("Product"), "Path", 9), 9);
  // The key was written under HKEY_LOCAL_MACHINE only.
  EXPECT_EQ(ReadRegistryString(kCurrentUser, Key("Product"), "Path", "none"), "none");
}

TEST_F(RegistryRoutines, ARootOrdinalOutOfRangeKeepsTheDefaultRoot) {
  WriteRegistryString(17, Key(), "Where", "here");
  EXPECT_EQ(ReadRegistryString(kCurrentUser, Key(), "Where", ""), "here");
  EXPECT_EQ(ReadRegistryString(-1, Key(), "Where", ""), "here");
  EXPECT_EQ(RootKeyOfOrdinal(4, TRegRoot::CurrentUser), TRegRoot::LocalMachine);
  EXPECT_EQ(RootKeyOfOrdinal(6, TRegRoot::Users), TRegRoot::Users);
}

TEST_F(RegistryRoutines, RunOnceTakesTheFirstFreeNumberedName) {
  const std::string name = "BrimwellTest" + ScratchKey.substr(ScratchKey.rfind('\\') + 1);
  std::vector<std::string> written;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(RegisterRunOnceCommand(name, "cmd" + std::to_string(i), true));
  }
  ASSERT_TRUE(RegisterRunOnceCommand(name + "X", "replaced", false));
  ASSERT_TRUE(RegisterRunOnceCommand(name + "X", "final", false));
  EXPECT_EQ(ReadRegistryString(kLocalMachine, RunOnceKey, name, ""), "cmd0");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, RunOnceKey, name + "1", ""), "cmd1");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, RunOnceKey, name + "2", ""), "cmd2");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, RunOnceKey, name + "X", ""), "final");
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  ASSERT_TRUE(registry.OpenKey(RunOnceKey, false));
  for (const char* suffix : {"", "1", "2", "X"}) EXPECT_TRUE(registry.DeleteValue(name + suffix));
}

// A refused registry write at any of several WriteRegistryString calls ends
// in the system's message with the refusal as its cause; the values written
// before stay, and the values the refused and later calls would replace
// keep their old data.
TEST_F(RegistryRoutines, ARefusedWriteAtEveryCallEndsInTheMessageAndKeepsTheOldValues) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"Path", "C:\\App"}, {"Version", "2.0"}, {"Owner", "Brimwell"}};
  for (size_t refused = 1; refused <= values.size(); ++refused) {
    SCOPED_TRACE("refused call " + std::to_string(refused));
    for (const auto& [name, value] : values) WriteRegistryString(kCurrentUser, Key("App"), name, "old");
    TFaultInjectingServices faults;
    faults.FailCall(TFaultKind::RegistryWrite, refused);
    std::string message;
    {
      TScopedPlatformServices scope(faults.Services());
      try {
        for (const auto& [name, value] : values) WriteRegistryString(kCurrentUser, Key("App"), name, value);
      } catch (const EIRCannotWriteValue& e) {
        message = e.Message();
        ASSERT_TRUE(CauseOf(e));
        EXPECT_EQ(*CauseOf(e), TPlatformError::Win32(errAccessDenied));
      }
    }
    const auto& [name, value] = values[refused - 1];
    EXPECT_EQ(message, "Cannot install into registry. Key: " + Key("App") + " Ident: " + name +
                           " Value " + value);
    EXPECT_EQ(faults.Calls(TFaultKind::RegistryWrite), refused) << "nothing is written after it";
    for (size_t i = 0; i < values.size(); ++i)
      EXPECT_EQ(ReadRegistryString(kCurrentUser, Key("App"), values[i].first, "<none>"),
                i + 1 < refused ? values[i].second : "old")
          << values[i].first;
  }
}

}  // namespace
}  // namespace brim::test
