// The registry service as Windows behaves: these tests run on the substitute
// machine and, in the win32 build, against the real registry under Wine.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/PlatformTest.h"

namespace brim {
namespace {

constexpr TRegRoot HKCU = TRegRoot::CurrentUser;
constexpr TRegRoot HKLM = TRegRoot::LocalMachine;

class RegistryTest : public test::PlatformTest {
 protected:
  IRegistryService& Registry() { return PlatformRegistry(); }
  uint32_t LastError() { return PlatformSystem().LastError(); }
  std::unique_ptr<IRegistryKey> Create(TRegRoot root, const std::string& path) {
    auto key = Registry().CreateKey(root, path);
    EXPECT_TRUE(key) << "cannot create " << path << ": error " << LastError();
    return key;
  }
  std::unique_ptr<IRegistryKey> Open(TRegRoot root, const std::string& path,
                                     TRegAccess access = TRegAccess::Read) {
    return Registry().OpenKey(root, path, access);
  }
  bool Write(TRegRoot root, const std::string& path, const std::string& name,
             const TRegValue& value) {
    auto key = Create(root, path);
    return key && key->WriteValue(name, value);
  }
};

TEST_F(RegistryTest, CreateKeyMakesMissingParentsAndOpenFindsOnlyWhatExists) {
  for (TRegRoot root : {HKCU, HKLM}) {
    ASSERT_TRUE(Create(root, ScratchKey + "\\Outer\\Middle\\Inner"));
    EXPECT_TRUE(Open(root, ScratchKey + "\\Outer"));
    EXPECT_TRUE(Open(root, ScratchKey + "\\Outer\\Middle\\Inner\\"))
        << "a trailing backslash is tolerated";
    EXPECT_FALSE(Open(root, ScratchKey + "\\Outer\\Missing\\Deeper"));
    EXPECT_EQ(LastError(), errFileNotFound);
  }
  ASSERT_TRUE(Write(HKCU, ScratchKey + "\\Kept", "Kept", TRegValue::Text("yes")));
  auto again = Create(HKCU, ScratchKey + "\\Kept");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->ReadValue("Kept"), TRegValue::Text("yes"))
      << "creating an existing key opens it";
  EXPECT_FALSE(Open(HKLM, ScratchKey + "\\Kept")) << "HKCU and HKLM hold different keys";
}

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
  const std::vector<std::pair<std::string, TRegValue>> values = {
      {"", TRegValue::Text("the default value")},
      {"Text", TRegValue::Text("C:\\Program Files\\\"Quoted\" App")},
      {"Empty", TRegValue::Text("")},
      {"Lines", TRegValue::Text("first\r\nsecond\tthird")},
      {"High", TRegValue::Text("Gr\xFC\xDF"
                               "e")},
      {"Negative", TRegValue::Integer(-2)},
      {"Bytes", TRegValue::Bytes(std::string("\x00\x01\xFF\x7F\x00", 5))},
      {"NoBytes", TRegValue::Bytes("")},
      {"Strings", TRegValue::Strings({"one", "two words", "three"})},
      {"Expand", TRegValue{TRegType::ExpandString, "%SystemRoot%\\system32"}},
  };
  {
    auto key = Create(HKCU, ScratchKey);
    ASSERT_TRUE(key);
    for (const auto& [name, value] : values)
      EXPECT_TRUE(key->WriteValue(name, value))
          << "writing \"" << name << "\": error " << LastError();
    EXPECT_TRUE(key->Flush());
  }
  auto key = Open(HKCU, ScratchKey);
  ASSERT_TRUE(key);
  for (const auto& [name, value] : values) {
    auto read = key->ReadValue(name);
    ASSERT_TRUE(read) << "reading \"" << name << "\": error " << LastError();
    EXPECT_EQ(read->Type, value.Type) << name;
    EXPECT_EQ(read->Data, value.Data) << name;
  }
  EXPECT_EQ(key->ReadValue("Negative")->AsInteger(), -2);
}

TEST_F(RegistryTest, NamesAreFoundWithoutRegardToCaseAndKeepTheirFirstCase) {
  auto key = Create(HKCU, ScratchKey + "\\MixedCase");
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->WriteValue("InstallDir", TRegValue::Text("C:\\App")));
  ASSERT_TRUE(key->WriteValue("INSTALLDIR", TRegValue::Integer(7))) << "rewrites the same value";
  EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"InstallDir"});
  EXPECT_EQ(key->ReadValue("installdir"), TRegValue::Integer(7))
      << "the type follows the last write";
  ASSERT_TRUE(Create(HKCU, ScratchKey + "\\MIXEDCASE\\Sub"));
  EXPECT_TRUE(Open(HKCU, ScratchKey + "\\mixedcase\\SUB"));
  auto parent = Open(HKCU, ScratchKey);
  ASSERT_TRUE(parent);
  EXPECT_EQ(parent->SubKeyNames(), std::vector<std::string>{"MixedCase"});
}

TEST_F(RegistryTest, SubkeysEnumerateSortedWithoutRegardToCase) {
  for (const char* name : {"beta", "Gamma10", "ALPHA2", "delta", "gamma2", "Alpha"})
    ASSERT_TRUE(Create(HKLM, ScratchKey + "\\" + name));
  auto key = Open(HKLM, ScratchKey);
  ASSERT_TRUE(key);
  const std::vector<std::string> sorted = {"Alpha", "ALPHA2", "beta", "delta", "Gamma10", "gamma2"};
  EXPECT_EQ(key->SubKeyNames(), sorted);
  EXPECT_TRUE(key->ValueNames().empty());
}

TEST_F(RegistryTest, DeletedAndMissingValuesAreNotFound) {
  auto key = Create(HKCU, ScratchKey);
  ASSERT_TRUE(key);
  for (const char* name : {"One", "Two", "Three"})
    ASSERT_TRUE(key->WriteValue(name, TRegValue::Text(name)));
  EXPECT_TRUE(key->DeleteValue("TWO"));
  auto names = key->ValueNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"One", "Three"}));
  for (const char* missing : {"Two", ""}) {
    EXPECT_FALSE(key->ReadValue(missing)) << "\"" << missing << "\"";
    EXPECT_EQ(LastError(), errFileNotFound);
  }
  EXPECT_FALSE(key->DeleteValue("Two"));
  EXPECT_EQ(LastError(), errFileNotFound);
}

TEST_F(RegistryTest, AKeyOpenedForReadingRefusesWrites) {
  ASSERT_TRUE(Write(HKCU, ScratchKey, "Version", TRegValue::Integer(1)));
  auto key = Open(HKCU, ScratchKey, TRegAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_FALSE(key->WriteValue("Version", TRegValue::Integer(2)));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_FALSE(key->DeleteValue("Version"));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_EQ(key->ReadValue("Version"), TRegValue::Integer(1));
  auto writable = Open(HKCU, ScratchKey, TRegAccess::All);
  EXPECT_TRUE(writable && writable->WriteValue("Version", TRegValue::Integer(2)));
}

TEST_F(RegistryTest, DeleteKeyTakesOnlyLeavesAndOpenKeysOfDeletedKeysFail) {
  auto child = Create(HKLM, ScratchKey + "\\Parent\\Child");
  ASSERT_TRUE(child && child->WriteValue("Value", TRegValue::Integer(1)));
  EXPECT_FALSE(Registry().DeleteKey(HKLM, ScratchKey + "\\Parent"));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_EQ(child->ReadValue("Value"), TRegValue::Integer(1)) << "nothing was deleted";

  EXPECT_TRUE(Registry().DeleteKey(HKLM, ScratchKey + "\\parent\\CHILD"));
  EXPECT_FALSE(child->WriteValue("Value", TRegValue::Integer(2)));
  EXPECT_EQ(LastError(), errKeyDeleted);
  EXPECT_FALSE(child->ReadValue("Value"));
  EXPECT_EQ(LastError(), errKeyDeleted);
  EXPECT_FALSE(Open(HKLM, ScratchKey + "\\Parent\\Child")) << "the write did not bring it back";
  EXPECT_EQ(LastError(), errFileNotFound);
  EXPECT_TRUE(Registry().DeleteKey(HKLM, ScratchKey + "\\Parent"));
  EXPECT_FALSE(Registry().DeleteKey(HKLM, ScratchKey + "\\Parent"));
  EXPECT_EQ(LastError(), errFileNotFound);
}

TEST_F(RegistryTest, ClassesRootIsLocalMachineSoftwareClasses) {
  const std::string name = "BrimwellTests." + ScratchKey.substr(ScratchKey.rfind('\\') + 1);
  // Removed whatever the outcome: it lies outside the scratch key.
  struct TCleanup {
    std::string Name;
    ~TCleanup() { PlatformRegistry().DeleteKey(TRegRoot::ClassesRoot, Name); }
  } cleanup{name};

  auto key = Create(TRegRoot::ClassesRoot, name);
  ASSERT_TRUE(key && key->WriteValue("", TRegValue::Text("Brimwell test document")));
  auto machine = Open(HKLM, "Software\\Classes\\" + name);
  ASSERT_TRUE(machine) << "error " << LastError();
  EXPECT_EQ(machine->ReadValue(""), TRegValue::Text("Brimwell test document"));
  machine.reset();
  EXPECT_TRUE(Registry().DeleteKey(TRegRoot::ClassesRoot, name));
  EXPECT_FALSE(Open(HKLM, "Software\\Classes\\" + name));
}

}  // namespace
}  // namespace brim
