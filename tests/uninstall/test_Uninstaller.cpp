// The uninstaller applied to records written on a fresh machine: what it
// removes, what it keeps and why, what it leaves for the restart, and what
// it refuses and reports.
#include <gtest/gtest.h>

#include "platform/ComService.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformTest.h"
#ifndef _WIN32
#include "platform/TestPE.h"
#include "platform/posix/PosixCom.h"
#endif
#include "uninstall/TUninstaller.h"

namespace brim::test {
namespace {

constexpr const char* kShared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class Uninstaller : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    product = "Uninstall Test " + ScratchKey.substr(ScratchKey.rfind('\\') + 1);
    key = UninstallKeyOf(product);
  }
  void TearDown() override {
    RemoveKeyTree(TRegRoot::LocalMachine, key);
    for (const std::string& name : sharedNames)
      if (auto k = PlatformRegistry().OpenKey(TRegRoot::LocalMachine, kShared, TRegAccess::All))
        k->DeleteValue(name);
    PlatformTest::TearDown();
  }
  // Writes the file with the folders it needs below Scratch.
  void Put(const std::string& path, const std::string& data) {
    for (size_t at = path.find('\\', Scratch.size() + 1); at != std::string::npos;
         at = path.find('\\', at + 1))
      PlatformFiles().CreateDirectory(path.substr(0, at));
    WriteFile(path, data);
  }
  void Set(TRegRoot root, const std::string& at, const std::string& name, const TRegValue& value) {
    auto k = PlatformRegistry().CreateKey(root, at);
    ASSERT_TRUE(k && k->WriteValue(name, value)) << at << "\\" << name;
  }
  // A "Files" subkey listing the paths, in the record's own form.
  void List(const std::string& subkey, const std::vector<std::string>& paths) {
    for (size_t i = 0; i < paths.size(); ++i)
      Set(TRegRoot::LocalMachine, key + "\\" + subkey, "File" + std::to_string(i + 1),
          TRegValue::Text(paths[i]));
    Set(TRegRoot::LocalMachine, key + "\\" + subkey, "Entries",
        TRegValue::Text(std::to_string(paths.size())));
  }
  void Share(const std::string& path, int count) {
    sharedNames.push_back(path);
    Set(TRegRoot::LocalMachine, kShared, path, TRegValue::Integer(count));
  }
  std::optional<TRegValue> Value(TRegRoot root, const std::string& at, const std::string& name) {
    auto k = PlatformRegistry().OpenKey(root, at, TRegAccess::Read);
    return k ? k->ReadValue(name) : std::nullopt;
  }
  bool KeyExists(TRegRoot root, const std::string& at) {
    return PlatformRegistry().OpenKey(root, at, TRegAccess::Read) != nullptr;
  }
  TUninstallOutcome Uninstall() { return TUninstaller(ReadUninstallRecord(product)).Run(); }

  std::string product, key;
  std::vector<std::string> sharedNames;
};

TEST_F(Uninstaller, RemovesWhatTheRecordListsOnceAndThenFindsNoRecord) {
  // Installed twice over itself: every entry twice, over two "Files" subkeys.
  const std::vector<std::string> files = {At("app\\a.txt"), At("app\\docs\\b.txt"),
                                          At("app\\lib.dll"), At("app\\used.dll"),
                                          At("menu\\App\\Run.lnk")};
  for (const std::string& f : files) Put(f, "x");
  Put(At("app\\uninstall.exe"), "u");
  Put(At("menu\\Other.lnk"), "not ours");
  List("Files", files);
  List("Files1", files);
  Share(At("app\\lib.dll"), 2);
  Share(At("app\\used.dll"), 3);
  Set(TRegRoot::LocalMachine, key, "UninstallString",
      TRegValue::Text("\"" + At("app\\uninstall.exe") + "\" " + product));
  const std::string ours = ScratchKey + "\\Product", mixed = ScratchKey + "\\Mixed";
  Set(TRegRoot::CurrentUser, ours, "Path", TRegValue::Text("x"));
  Set(TRegRoot::CurrentUser, mixed, "Listed", TRegValue::Integer(1));
  Set(TRegRoot::CurrentUser, mixed, "Unlisted", TRegValue::Integer(2));
  const std::string item = key + "\\RegistryKeys\\RegistryKey";
  for (auto [n, at, name] : {std::tuple{1, ours, "Path"}, std::tuple{2, mixed, "Listed"}}) {
    Set(TRegRoot::LocalMachine, item + std::to_string(n), "Key", TRegValue::Text("\\" + at));
    Set(TRegRoot::LocalMachine, item + std::to_string(n), "Root", TRegValue::Integer(2));
    Set(TRegRoot::LocalMachine, item + std::to_string(n) + "\\Entries", name, TRegValue::Text(""));
  }
  Set(TRegRoot::LocalMachine, key + "\\RegistryKeys", "Entries", TRegValue::Text("2"));

  TUninstallOutcome outcome = Uninstall();
  EXPECT_TRUE(outcome.Problems.empty()) << outcome.Problems.front();
  EXPECT_FALSE(outcome.RestartRequired());
  struct {
    std::string path;
    bool stays;
  } const expected[] = {{At("app\\a.txt"), false},         {At("app\\docs"), false},
                        {At("app\\lib.dll"), false},       {At("app\\used.dll"), true},
                        {At("app\\uninstall.exe"), false}, {At("menu\\App"), false},
                        {At("menu\\Other.lnk"), true}};
  for (const auto& e : expected) EXPECT_EQ(Exists(e.path), e.stays) << e.path;
  EXPECT_FALSE(Value(TRegRoot::LocalMachine, kShared, At("app\\lib.dll")));
  EXPECT_EQ(Value(TRegRoot::LocalMachine, kShared, At("app\\used.dll")), TRegValue::Integer(1));
  EXPECT_FALSE(KeyExists(TRegRoot::CurrentUser, ours));
  EXPECT_FALSE(Value(TRegRoot::CurrentUser, mixed, "Listed"));
  EXPECT_EQ(Value(TRegRoot::CurrentUser, mixed, "Unlisted"), TRegValue::Integer(2));
  EXPECT_FALSE(KeyExists(TRegRoot::LocalMachine, key));

  try {
    Uninstall();
    FAIL() << "a second uninstall found a record";
  } catch (const IEUninstall& e) {
    EXPECT_NE(e.Message().find(product + " was not found"), std::string::npos) << e.Message();
  }
}

TEST_F(Uninstaller, RefusesPathsOutsideWhatWasInstalledAndReportsEach) {
  const std::string windows = *PlatformSystem().WindowsDirectory();
  WriteFile(At("keep.txt"), "k");
  Put(At("app\\a.txt"), "a");
  struct {
    std::string entry, why;
  } const cases[] = {
      {windows, "a system or profile folder"},
      {windows + "\\notepad.exe", "in the Windows folder"},
      {At("app\\..\\keep.txt"), "\"..\" part"},
      {"app\\a.txt", "not an absolute path"},
      {"\\\\server\\share\\a.txt", "not an absolute path"},
      {"C:\\", "not an absolute path"},
      {"A:\\x.txt", "removable drive"},
      {At("app"), "a folder, not a file"},
      {At("keep.txt."), "a name no file can have"},
  };
  std::vector<std::string> entries;
  for (const auto& c : cases) entries.push_back(c.entry);
  List("Files", entries);
  // And a value of the system's own key.
  const std::string system = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  const std::optional<TRegValue> programFiles = Value(TRegRoot::LocalMachine, system, "ProgramFilesDir");
  ASSERT_TRUE(programFiles);
  Set(TRegRoot::LocalMachine, key + "\\RegistryKeys\\RegistryKey1", "Key", TRegValue::Text("\\" + system));
  Set(TRegRoot::LocalMachine, key + "\\RegistryKeys\\RegistryKey1\\Entries", "ProgramFilesDir",
      TRegValue::Text(""));
  Set(TRegRoot::LocalMachine, key + "\\RegistryKeys", "Entries", TRegValue::Text("1"));
  TUninstallOutcome outcome = Uninstall();
  ASSERT_EQ(outcome.Problems.size(), std::size(cases) + 1);
  EXPECT_NE(outcome.Problems.back().find("a key of the system"), std::string::npos);
  EXPECT_EQ(Value(TRegRoot::LocalMachine, system, "ProgramFilesDir"), programFiles);
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(outcome.Problems[i].rfind(cases[i].entry + ": refused", 0), 0u)
        << outcome.Problems[i];
    EXPECT_NE(outcome.Problems[i].find(cases[i].why), std::string::npos) << outcome.Problems[i];
  }
  for (const char* f : {"keep.txt", "app\\a.txt"}) EXPECT_TRUE(Exists(At(f))) << f;
  EXPECT_TRUE(PlatformFiles().GetAttributes(windows));
}

TEST_F(Uninstaller, WhatTheMachineRefusesIsLeftForTheRestartOrReported) {
  struct {
    TFaultKind fault;
    bool restart;
    const char* problem;  // "" for none
  } const cases[] = {
      {TFaultKind::Delete, true, ""},
      {TFaultKind::RegistryDelete, false, "the value could not be deleted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    Put(At("app\\held.dll"), "h");
    List("Files", {At("app\\held.dll")});
    const std::string values = ScratchKey + "\\Values";
    Set(TRegRoot::CurrentUser, values, "V", TRegValue::Text("v"));
    Set(TRegRoot::LocalMachine, key + "\\RegistryKeys\\RegistryKey1", "Key",
        TRegValue::Text(values));
    Set(TRegRoot::LocalMachine, key + "\\RegistryKeys\\RegistryKey1", "Root",
        TRegValue::Integer(2));
    Set(TRegRoot::LocalMachine, key + "\\RegistryKeys\\RegistryKey1\\Entries", "V",
        TRegValue::Text(""));
    Set(TRegRoot::LocalMachine, key + "\\RegistryKeys", "Entries", TRegValue::Text("1"));
    TUninstallOutcome outcome;
    {
      TFaultInjectingServices faults;
      faults.FailCall(c.fault, 1);
      TScopedPlatformServices scope(faults.Services());
      outcome = Uninstall();
    }
    EXPECT_EQ(outcome.RestartRequired(), c.restart);
    if (c.restart) {
      EXPECT_EQ(outcome.AtRestart.front(), At("app\\held.dll"));
    }
    EXPECT_EQ(outcome.Problems.empty(), *c.problem == 0);
    if (*c.problem != 0) {
      EXPECT_NE(outcome.Problems.front().find(c.problem), std::string::npos)
          << outcome.Problems.front();
      EXPECT_EQ(Value(TRegRoot::CurrentUser, values, "V"), TRegValue::Text("v"));
    }
    EXPECT_FALSE(KeyExists(TRegRoot::LocalMachine, key));
    RemoveKeyTree(TRegRoot::CurrentUser, values);
  }
}

#ifndef _WIN32
// On the substitute machine, which records the servers it registers.
TEST_F(Uninstaller, UnregistersAServerItsCountReleases) {
  const std::string server = At("app\\server.dll");
  Put(server, BuildPEWithoutResources({.Exports = {"DllRegisterServer", "DllUnregisterServer"}}));
  ASSERT_FALSE(PlatformCom().RegisterServer(server).Failed());
  List("ActiveX", {server + ";0"});
  Share(server, 1);
  TUninstallOutcome outcome = Uninstall();
  EXPECT_TRUE(outcome.Problems.empty()) << outcome.Problems.front();
  auto servers = RegisteredComServers();
  EXPECT_EQ(std::find(servers.begin(), servers.end(), server), servers.end());
  EXPECT_FALSE(Exists(server));
  EXPECT_FALSE(Value(TRegRoot::LocalMachine, kShared, server));
}
#endif

}  // namespace
}  // namespace brim::test
