// The substitute machine's registry as files: the REGEDIT4 hives, damaged
// hives, and several processes sharing one machine (concurrent writers, a
// writer killed or refused midway).
#ifndef _WIN32

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "platform/PlatformTest.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/PosixRegistry.h"
#include "platform/posix/RegistryHive.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {
namespace {

constexpr TRegRoot HKCU = TRegRoot::CurrentUser;
constexpr TRegRoot HKLM = TRegRoot::LocalMachine;

TEST(RegistryHive, TextIsWhatRegeditWrites) {
  TRegistryHive hive("HKEY_LOCAL_MACHINE");
  const std::string key = "SOFTWARE\\Brimwell Test";
  hive.SetValue(key, "", TRegValue::Text("default"));
  hive.SetValue(key, "Path", TRegValue::Text("C:\\Program Files\\\"App\""));
  hive.SetValue(key, "Count", TRegValue::Integer(42));
  hive.SetValue(key, "Lines", TRegValue::Text("a\r\nb"));
  hive.SetValue(key, "Expand", TRegValue{TRegType::ExpandString, "%A%"});
  hive.SetValue(key, "Multi", TRegValue::Strings({"a", "b"}));
  hive.SetValue(key, "Quad", TRegValue{static_cast<TRegType>(11), std::string(8, '\0')});
  hive.SetValue(key, "Long", TRegValue::Bytes(std::string(23, '\xAB')));
  hive.CreateKey("SOFTWARE\\Empty");
  EXPECT_EQ(hive.Text(),
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brimwell Test]\r\n"
            "@=\"default\"\r\n"
            "\"Path\"=\"C:\\\\Program Files\\\\\\\"App\\\"\"\r\n"
            "\"Count\"=dword:0000002a\r\n"
            "\"Lines\"=hex(1):61,0d,0a,62,00\r\n"
            "\"Expand\"=hex(2):25,41,25,00\r\n"
            "\"Multi\"=hex(7):61,00,62,00,00\r\n"
            "\"Quad\"=hex(b):00,00,00,00,00,00,00,00\r\n"
            "\"Long\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
            "  ab\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Empty]\r\n\r\n");
}

TEST(RegistryHive, TextLoadsBackWithNamesOrdersAndValues) {
  TRegistryHive hive("HKEY_CURRENT_USER");
  const std::string key = "Software\\Key with ] and spaces ";
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i);
  hive.SetValue(key, "zeta", TRegValue::Text("last \\ \"q\""));
  hive.SetValue(key, "na\"me\\", TRegValue::Text(std::string("nul\0in", 6)));
  hive.SetValue(key, "", TRegValue{TRegType::ExpandString, ""});
  hive.SetValue(key, "Bytes", TRegValue::Bytes(bytes));
  hive.SetValue("Software\\b", "Minus", TRegValue::Integer(-1));
  hive.CreateKey("Software\\A");
  hive.SetValue("", "OnTheRoot", TRegValue::Text("yes"));
  std::string text = hive.Text();
  auto loaded = TRegistryHive::Parse(text, "HKEY_CURRENT_USER", "HKCU.reg");
  EXPECT_EQ(loaded.Text(), text);
  auto* saved = loaded.FindKey("SOFTWARE\\KEY WITH ] AND SPACES ");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->ValueNames(), (std::vector<std::string>{"zeta", "na\"me\\", "", "Bytes"}));
  for (const auto& [name, value] : hive.FindKey(key)->Values())
    EXPECT_EQ(*saved->Value(name), value) << name;
  EXPECT_EQ(loaded.FindKey("Software")->SubKeyNames(),
            (std::vector<std::string>{"A", "b", "Key with ] and spaces "}));
  EXPECT_EQ(*loaded.FindKey("Software\\B")->Value("minus"), TRegValue::Integer(-1));
  EXPECT_EQ(*loaded.Root().Value("OnTheRoot"), TRegValue::Text("yes"));
}

TEST(RegistryHive, ParseAppliesWhatRegeditExports) {
  const std::string text =
      "REGEDIT4\n\n"
      "; exported by hand\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Old\\Sub]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\App]\r\n"
      "\"Name\" = \"App\"   ; trailing comment\r\n"
      "\"Flags\"=DWORD:0000FFFF\r\n"
      "\"Line\"=hex(1):61,0a,62,00\r\n"
      "\"Data\"=hex:01,02,\\\r\n"
      "; a comment between continuation lines\r\n"
      "    03 , 04\r\n"
      "\"Temp\"=\"x\"\r\n"
      "\"Temp\"=-\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\App]\n"
      "\"name\"=\"again\"\n";
  auto hive = TRegistryHive::Parse(text, "HKEY_LOCAL_MACHINE", "HKLM.reg");
  EXPECT_FALSE(hive.FindKey("SOFTWARE\\Old")) << "[-KEY] removes the key and its subkeys";
  auto* app = hive.FindKey("SOFTWARE\\App");
  ASSERT_TRUE(app);
  EXPECT_EQ(app->ValueNames(), (std::vector<std::string>{"Name", "Flags", "Line", "Data"}));
  EXPECT_EQ(*app->Value("Name"), TRegValue::Text("again"));
  EXPECT_EQ(*app->Value("Flags"), TRegValue::Integer(0xFFFF));
  EXPECT_EQ(*app->Value("Line"), TRegValue::Text("a\nb"));
  EXPECT_EQ(*app->Value("Data"), TRegValue::Bytes("\x01\x02\x03\x04"));
}

std::string DeepKey(int n) {
  std::string path;
  while (n-- > 0) path += "\\k";
  return path;
}

TEST(RegistryHive, MalformedTextNamesTheFileAndTheLine) {
  const std::string key = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n";
  const std::pair<std::string, int> damaged[] = {
      {"", 1},
      {"Windows Registry Editor Version 5.00\n", 1},
      {"REGEDIT4\n\n\"Orphan\"=\"value\"\n", 3},
      {key + "\"a\"=\"no closing quote\n", 4},
      {key + "\"a\"=\"C:\\Windows\"\n", 4},
      {key + "\"a\"=dword:123456789\n", 4},
      {key + "\"a\"=hex:01,02,\\\n  03,zz\n", 5},
      {key + "\"a\"=hex:01,02,\\\n", 4},
      {key + "\"a\"=hex(xyz):00\n", 4},
      {key + "\"a\"=\"b\" extra\n", 4},
      {key + "[HKEY_CURRENT_USER\\Software]\n", 4},
      {key + "[HKEY_LOCAL_MACHINE\\A\\\\B]\n", 4},
      {key + "[HKEY_LOCAL_MACHINE\\SOFTWARE\n", 4},
      {key + "stray words\n", 4},
      {key + "[HKEY_LOCAL_MACHINE" + DeepKey(513) + "]\n", 4},
      {key + "[HKEY_LOCAL_MACHINE" + DeepKey(20000) + "]\n", 4},
  };
  for (const auto& [text, line] : damaged) {
    try {
      TRegistryHive::Parse(text, "HKEY_LOCAL_MACHINE", "/machine/HKLM.reg");
      ADD_FAILURE() << "accepted:\n" << text;
    } catch (const Exception& e) {
      std::string expected = "/machine/HKLM.reg: line " + std::to_string(line) + ":";
      EXPECT_NE(e.Message().find(expected), std::string::npos) << e.Message() << "\nfor:\n" << text;
    }
  }
}

class SubstituteRegistryTest : public test::PlatformTest {
 protected:
  IRegistryService& Registry() { return PlatformRegistry(); }
  uint32_t LastError() { return PlatformSystem().LastError(); }
  std::string Hive(const std::string& name) { return TSubstituteMachine::Current().HostFile(name); }
  TRegistryHive LoadHive(const char* name, const char* root) {
    return TRegistryHive::Load(Hive(name), root);
  }
};

TEST_F(SubstituteRegistryTest, EachRootIsWrittenToItsHiveFileInCreationOrder) {
  for (const auto& hive : MachineHives()) {
    auto key = Registry().CreateKey(hive.Root, ScratchKey);
    ASSERT_TRUE(key) << hive.FileName;
    for (const char* name : {"zeta", "Alpha", "ZETA"})
      ASSERT_TRUE(key->WriteValue(name, TRegValue::Text(name)));
  }
  // Parents keep the case they were first written with: look for the leaf.
  const std::string leaf = ScratchKey.substr(ScratchKey.rfind('\\'));
  for (const auto& hive : MachineHives()) {
    std::string text = ReadHostFile(Hive(hive.FileName)).value_or("");
    size_t at = text.find(leaf + "]\r\n\"zeta\"=\"ZETA\"\r\n\"Alpha\"=\"Alpha\"\r\n\r\n");
    ASSERT_NE(at, std::string::npos) << text;
    const std::string root = "[" + std::string(hive.RootName) + "\\";
    EXPECT_EQ(text.substr(text.rfind('[', at), root.size()), root);
  }
  ASSERT_TRUE(Registry().CreateKey(TRegRoot::ClassesRoot, ".brimtest"));
  EXPECT_TRUE(LoadHive("HKLM.reg", "HKEY_LOCAL_MACHINE").FindKey("SOFTWARE\\Classes\\.brimtest"));
  EXPECT_TRUE(Registry().DeleteKey(TRegRoot::ClassesRoot, ".brimtest"));
}

TEST_F(SubstituteRegistryTest, KeyPathsAndNamesFollowWindowsRules) {
  EXPECT_FALSE(Registry().CreateKey(HKCU, ScratchKey + "\\a\\\\b"));
  EXPECT_EQ(LastError(), errInvalidParameter);
  EXPECT_FALSE(Registry().CreateKey(HKCU, "\\" + ScratchKey));
  EXPECT_EQ(LastError(), errBadPathname);
  EXPECT_FALSE(Registry().CreateKey(HKCU, ScratchKey + "\\" + std::string(256, 'k')));
  EXPECT_EQ(LastError(), errInvalidParameter);
  auto key = Registry().CreateKey(HKCU, ScratchKey + "\\" + std::string(255, 'k'));
  ASSERT_TRUE(key);
  EXPECT_FALSE(key->WriteValue("two\nlines", TRegValue::Integer(1)));
  EXPECT_EQ(LastError(), errInvalidParameter);
  for (TRegRoot root : {HKCU, TRegRoot::ClassesRoot}) {
    EXPECT_FALSE(Registry().DeleteKey(root, ""));
    EXPECT_EQ(LastError(), errAccessDenied);
  }
}

TEST_F(SubstituteRegistryTest, ADamagedHiveFailsEveryCallAndIsNeverOverwritten) {
  const std::string damaged =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"a\"=dword:xyz\r\n";
  ASSERT_TRUE(WriteHostFileAtomically(Hive("HKCU.reg"), damaged));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Registry().OpenKey(HKCU, "Software", TRegAccess::Read));
  EXPECT_EQ(LastError(), errBadDB);
  EXPECT_FALSE(Registry().CreateKey(HKCU, ScratchKey));
  EXPECT_EQ(LastError(), errBadDB);
  std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find(Hive("HKCU.reg") + ": line 4:"), std::string::npos) << report;
  EXPECT_EQ(ReadHostFile(Hive("HKCU.reg")), damaged);
  EXPECT_TRUE(Registry().OpenKey(HKLM, "", TRegAccess::Read)) << "other hives work";

  ASSERT_TRUE(WriteHostFileAtomically(Hive("HKCU.reg"), "REGEDIT4\r\n"));
  EXPECT_TRUE(Registry().CreateKey(HKCU, ScratchKey)) << "a repaired hive is read again";
}

// Runs body in a child process, which exits 0 when body returns true.
pid_t Spawn(const std::function<bool()>& body) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = false;
    try {
      ok = body();
    } catch (...) {
    }
    _exit(ok ? 0 : 1);
  }
  return pid;
}

int ExitCode(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(SubstituteRegistryTest, AnotherProcesssChangesAreSeenAndKept) {
  auto key = Registry().CreateKey(HKLM, ScratchKey);
  ASSERT_TRUE(key && key->WriteValue("Shared", TRegValue::Integer(1)));
  ASSERT_EQ(key->ReadValue("Shared"), TRegValue::Integer(1));
  pid_t child = Spawn([&] {
    auto k = PlatformRegistry().OpenKey(HKLM, ScratchKey, TRegAccess::All);
    return k && k->WriteValue("Shared", TRegValue::Integer(2)) &&
           k->WriteValue("Child", TRegValue::Text("yes")) &&
           PlatformRegistry().CreateKey(HKLM, ScratchKey + "\\ChildKey");
  });
  ASSERT_EQ(ExitCode(child), 0);
  EXPECT_EQ(key->ReadValue("Shared"), TRegValue::Integer(2));
  EXPECT_EQ(key->SubKeyNames(), std::vector<std::string>{"ChildKey"});
  ASSERT_TRUE(key->WriteValue("Parent", TRegValue::Text("too")));
  TRegistryHive hive = LoadHive("HKLM.reg", "HKEY_LOCAL_MACHINE");
  ASSERT_TRUE(hive.FindKey(ScratchKey));
  EXPECT_EQ(hive.FindKey(ScratchKey)->ValueNames(),
            (std::vector<std::string>{"Shared", "Child", "Parent"}));
}

TEST_F(SubstituteRegistryTest, ConcurrentWritersLoseNothing) {
  ASSERT_TRUE(Registry().CreateKey(HKCU, ScratchKey));
  const int count = 100;
  auto writer = [&](const std::string& prefix) {
    return Spawn([&, prefix] {
      auto k = PlatformRegistry().OpenKey(HKCU, ScratchKey, TRegAccess::All);
      for (int i = 0; k && i < count; ++i)
        if (!k->WriteValue(prefix + std::to_string(i), TRegValue::Integer(i))) return false;
      return k != nullptr;
    });
  };
  pid_t first = writer("First"), second = writer("Second");
  ASSERT_EQ(ExitCode(first), 0);
  ASSERT_EQ(ExitCode(second), 0);
  auto key = Registry().OpenKey(HKCU, ScratchKey, TRegAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ValueNames().size(), 2u * count);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(key->ReadValue("First" + std::to_string(i)), TRegValue::Integer(i));
    EXPECT_EQ(key->ReadValue("Second" + std::to_string(i)), TRegValue::Integer(i));
  }
}

TEST_F(SubstituteRegistryTest, AWriterStoppedMidwayLeavesTheOldHive) {
  // A large value makes the hive file many parts long.
  std::string bulk(48 * 1024, '\0');
  for (size_t i = 0; i < bulk.size(); ++i) bulk[i] = static_cast<char>(i * 7);
  auto bulkKey = Registry().CreateKey(HKCU, ScratchKey + "\\Bulk");
  ASSERT_TRUE(bulkKey && bulkKey->WriteValue("Data", TRegValue::Bytes(bulk)));

  // The writer stores v0, then is stopped while it writes the hive with v1:
  // killed, or refused as by a full disk, before its first byte, in the
  // middle, or with the whole file written but not yet renamed.
  struct TRound {
    double At;  // the part of the file written when it stops
    bool Killed;
  };
  const TRound rounds[] = {{0, true}, {0.5, true}, {1, true}, {0, false}, {0.5, false}, {1, false}};
  auto start = std::chrono::steady_clock::now();
  for (size_t round = 0; round < std::size(rounds); ++round) {
    const TRound& r = rounds[round];
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string path = ScratchKey + "\\Round" + std::to_string(round);
    auto write = [&] {
      auto k = PlatformRegistry().CreateKey(HKCU, path);
      if (!k || !k->WriteValue("v0", TRegValue::Integer(0))) return false;
      SetHostWriteHook([&](const std::string& host, size_t written, size_t total) {
        if (!host.ends_with("HKCU.reg") || written < static_cast<size_t>(r.At * total)) return true;
        if (r.Killed) kill(getpid(), SIGKILL);
        return false;
      });
      bool stored = k->WriteValue("v1", TRegValue::Integer(1));
      SetHostWriteHook(nullptr);
      return !stored && PlatformSystem().LastError() == errDiskFull;
    };
    if (r.Killed) {
      pid_t child = Spawn(write);
      ASSERT_GT(child, 0);
      ASSERT_EQ(ExitCode(child), 128 + SIGKILL) << "the writer failed before it was killed";
    } else {
      ASSERT_TRUE(write()) << "the refused write fails with disk full";
    }

    TRegistryHive hive("HKEY_CURRENT_USER");
    ASSERT_NO_THROW(hive = LoadHive("HKCU.reg", "HKEY_CURRENT_USER"));
    EXPECT_EQ(*hive.FindKey(ScratchKey + "\\Bulk")->Value("Data"), TRegValue::Bytes(bulk));
    const TRegistryHive::TKey* saved = hive.FindKey(path);
    ASSERT_TRUE(saved);
    // Values are written one by one: what is there is v0 and not v1.
    const auto& values = saved->Values();
    EXPECT_GE(values.size(), 1u);
    EXPECT_EQ(values.size(), 1u);
    for (size_t i = 0; i < values.size(); ++i) {
      EXPECT_EQ(values[i].first, "v" + std::to_string(i));
      EXPECT_EQ(values[i].second, TRegValue::Integer(static_cast<int32_t>(i)));
    }
    auto key = Registry().OpenKey(HKCU, path, TRegAccess::All);
    EXPECT_TRUE(key && key->ValueNames().size() == values.size()) << "this process reads the same";
    EXPECT_TRUE(key && key->WriteValue("v1", TRegValue::Integer(1))) << "the next write works";
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace brim

#endif  // _WIN32
