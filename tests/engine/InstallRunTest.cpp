#include "engine/InstallRunTest.h"

#include <algorithm>

#include "common/routines_Strings.h"
#include "components/InstallParameters.h"
#include "engine/cmp_TInstallRegistry.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_Registry.h"
#include "widgets/Forms.h"

namespace brim::test {

void TRunListener::HandleEvent(TInstallContainer*, int code, TPersistent* parameter) {
  // The codes of the run itself; those of the tree's processing are not logged.
  static const int runCodes[] = {-986, -980, -984, -983, -974, -973, -995, -979, -994, -978, -987};
  if (log_ && std::find(std::begin(runCodes), std::end(runCodes), code) != std::end(runCodes)) {
    log_->push_back(std::to_string(code));
    if (auto* message = dynamic_cast<TMessageParameter*>(parameter)) log_->push_back(message->Message);
  }
  if (OnCode) OnCode(code);
}

const TClassInfo& TRunListener::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TRunListener>("TRunListener", &TInstallObject::StaticClass()).Build();
  return info;
}

std::optional<std::string> TModuleAt::LoadResource(const std::string& name) {
  return NativePlatformServices().Module->LoadResource(name);
}

std::optional<std::string> TModuleAt::LoadBitmapResource(const std::string& name) {
  return NativePlatformServices().Module->LoadBitmapResource(name);
}

void InstallRunTest::SetUp() {
  InstallFileTest::SetUp();
  ASSERT_TRUE(PlatformFiles().CreateDirectory(At("setup")));
  SetupFile = At("setup\\setup.exe");
  WriteFile(SetupFile, "the setup program");
  module_.emplace(SetupFile);
  TPlatformServices services;
  services.Module = &*module_;
  services_.emplace(services);
  Application().SetWindows(&windows_);
  Application().Initialize();
}

void InstallRunTest::TearDown() {
  form.reset();
  listener = nullptr;
  Application().SetWindows(nullptr);
  Application().OnException = {};
  SetProgramArguments({});
  RemoveProduct();
  services_.reset();
  InstallFileTest::TearDown();
}

void InstallRunTest::LoadProduct(const std::string& components, const std::string& installProperties,
                                 const std::vector<std::string>& arguments) {
  SetProgramArguments(arguments);
  listener = nullptr;
  Load(components, "UseLoadingProgram = False\n" + installProperties);
  if (!install) return;
  // The record is the run's to find; the directory's archive is the main one.
  install->InstallRecordKey.clear();
  install->AssignArchive(At("files.1"), nullptr);
  listener = new TRunListener(form.get(), &heard);
  listener->SetName("Listener");
  listener->SetContainer(install);
  if (auto* second = form->Find<TInstallDirectory>("Dir2")) {
    second->SetDestDirType(nullptr);
    second->SetDestDir(At("app2"));
    second->AssignArchive(At("files.1"), nullptr);
  }
}

void InstallRunTest::RunInstall() {
  try {
    install->Process();
  } catch (...) {
    Application().HandleException(install);
  }
}

bool InstallRunTest::MachineKeyExists(const std::string& key) {
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  return registry.KeyExists(key);
}

bool InstallRunTest::Heard(const std::string& what) const {
  return std::find(heard.begin(), heard.end(), what) != heard.end();
}

namespace {

void AddFiles(const std::string& dir, std::map<std::string, std::string>& into,
              const std::function<std::optional<std::string>(const std::string&)>& read) {
  for (const TFindEntry& entry : PlatformFiles().FindFiles(dir + "\\*")) {
    if (entry.Name == "." || entry.Name == "..") continue;
    const std::string path = dir + "\\" + entry.Name;
    if (entry.Attributes & attrDirectory) AddFiles(path, into, read);
    else into["file " + UpperCase(path)] = read(path).value_or("<unreadable>");
  }
}

void AddKeys(const std::string& key, std::map<std::string, std::string>& into) {
  std::unique_ptr<IRegistryKey> open = PlatformRegistry().OpenKey(TRegRoot::LocalMachine, key, TRegAccess::Read);
  if (!open) return;
  into["key " + UpperCase(key)] = "";
  for (const std::string& name : open->ValueNames()) {
    // The dates of a record are the run's own.
    if (SameText(name, "CreationDate") || SameText(name, "LastRunDate")) continue;
    std::optional<TRegValue> value = open->ReadValue(name);
    into["value " + UpperCase(key) + "\\" + name] =
        value ? std::to_string(static_cast<uint32_t>(value->Type)) + ":" + value->Data : "<unreadable>";
  }
  for (const std::string& name : open->SubKeyNames()) AddKeys(key + "\\" + name, into);
}

// The uninstall record as the uninstaller reads it: the files and servers
// counted by each subkey's "Entries", and the registry records counted by
// "RegistryKeys"; a repeated install appends its entries again, so each
// counts once, whatever its number.
void AddUninstallRecord(const std::string& key, std::map<std::string, std::string>& into) {
  const int local = static_cast<int>(TRootKeys::hkLocalMachine);
  auto count = [&](const std::string& subkey) {
    long long n = 0;
    return TryStrToInt64(ReadRegistryString(local, subkey, "Entries", "0"), n) ? n : 0;
  };
  std::unique_ptr<IRegistryKey> open = PlatformRegistry().OpenKey(TRegRoot::LocalMachine, key, TRegAccess::Read);
  if (!open) return;
  for (const std::string& name : open->ValueNames())
    into["uninstall value " + name] = ReadRegistryString(local, "\\" + key, name, "<not text>");
  for (const std::string& name : open->SubKeyNames()) {
    const std::string subkey = "\\" + key + "\\" + name;
    if (SameText(name, "RegistryKeys")) {
      for (long long n = 1; n <= count(subkey); ++n) {
        const std::string record = subkey + "\\RegistryKey" + std::to_string(n);
        std::string text = ReadRegistryString(local, record, "Key", "<none>") + " root " +
                           std::to_string(ReadRegistryInteger(local, record, "Root", -1));
        TQmbxRegistry values(TRegRoot::LocalMachine);
        if (values.OpenKeyReadOnly(record + "\\Entries"))
          for (const std::string& value : values.GetValueNames()) text += " " + value + "=" + values.ReadString(value);
        into["uninstall registry " + text] = "";
      }
    } else {
      for (long long n = 1; n <= count(subkey); ++n)
        into["uninstall " + UpperCase(name.substr(0, name.find_first_of("0123456789"))) + " " +
             ReadRegistryString(local, subkey, "File" + std::to_string(n), "<none>")] = "";
    }
  }
}

}  // namespace

std::map<std::string, std::string> InstallRunTest::Snapshot() {
  std::map<std::string, std::string> state;
  auto read = [this](const std::string& path) { return ReadFile(path); };
  AddFiles(At("app"), state, read);
  AddFiles(At("app2"), state, read);
  for (const std::string& key : {std::string("SOFTWARE\\Brimwell"), std::string(RunOnceKey).substr(1), ScratchKey})
    AddKeys(key, state);
  AddUninstallRecord(UninstallKey().substr(1), state);
  return state;
}

std::string Differences(const std::map<std::string, std::string>& found,
                        const std::map<std::string, std::string>& expected) {
  std::string text;
  auto shortened = [](const std::string& value) { return value.size() > 40 ? value.substr(0, 40) + "..." : value; };
  for (const auto& [name, value] : found) {
    auto it = expected.find(name);
    if (it == expected.end()) text += "\n  extra " + name + " = " + shortened(value);
    else if (it->second != value) text += "\n  changed " + name + " = " + shortened(value);
  }
  for (const auto& [name, value] : expected)
    if (!found.count(name)) text += "\n  missing " + name;
  return text;
}

void InstallRunTest::Reset() {
  form.reset();
  RemoveProduct();
  heard.clear();
  shown.clear();
  CurrentSession().ClearRestartRequired();
  Application().Initialize();
}

void InstallRunTest::RemoveProduct() {
  RemoveTree(At("app"));
  RemoveTree(At("app2"));
  RemoveKeyTree(TRegRoot::LocalMachine, "SOFTWARE\\Brimwell\\Install");
  // The key above the records, unless something else lives there.
  if (auto key = PlatformRegistry().OpenKey(TRegRoot::LocalMachine, "SOFTWARE\\Brimwell", TRegAccess::Read);
      key && key->SubKeyNames().empty()) {
    key.reset();
    PlatformRegistry().DeleteKey(TRegRoot::LocalMachine, "SOFTWARE\\Brimwell");
  }
  RemoveKeyTree(TRegRoot::LocalMachine, UninstallKey().substr(1));
  RemoveKeyTree(TRegRoot::LocalMachine, ScratchKey);
  // The RunOnce values a run may have left.
  if (auto key = PlatformRegistry().OpenKey(TRegRoot::LocalMachine, std::string(RunOnceKey).substr(1),
                                            TRegAccess::All))
    for (const std::string& name : key->ValueNames())
      if (StartsWithText(name, "BrimwellUnfinished")) key->DeleteValue(name);
}

}  // namespace brim::test
