// The registry service of the posix build, on the substitute machine's hive
// files.
#include "platform/posix/PosixRegistry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>

#include "common/exceptions_Brimwell.h"
#include "platform/NativeServices.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/RegistryHive.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

const std::vector<TMachineHive>& MachineHives() {
  static const std::vector<TMachineHive> hives = {
      {TRegRoot::LocalMachine, "HKLM.reg", RootKeyName(TRegRoot::LocalMachine)},
      {TRegRoot::CurrentUser, "HKCU.reg", RootKeyName(TRegRoot::CurrentUser)},
      {TRegRoot::Users, "HKU.reg", RootKeyName(TRegRoot::Users)},
      {TRegRoot::CurrentConfig, "HKCC.reg", RootKeyName(TRegRoot::CurrentConfig)},
      {TRegRoot::DynData, "HKDD.reg", RootKeyName(TRegRoot::DynData)},
  };
  return hives;
}

namespace {

bool Fail(uint32_t code) {
  PlatformSystem().SetLastError(code);
  return false;
}

// Where a key of a predefined key lives: the hive file and the path in it.
struct TPlace {
  std::string MachineRoot;
  std::string HostPath;
  const char* RootName = nullptr;
  std::string Path;
  bool IsRoot = false;  // the predefined key itself
};

// Resolves root\path on the current machine; the error code when the path
// is not a valid key path.
uint32_t Resolve(TRegRoot root, const std::string& path, TPlace& place) {
  if (!path.empty() && path[0] == '\\') return errBadPathname;
  auto names = TRegistryHive::SplitKeyPath(path);
  if (!names) return errInvalidParameter;
  TRegRoot hiveRoot = root == TRegRoot::ClassesRoot ? TRegRoot::LocalMachine : root;
  const TMachineHive* hive = nullptr;
  for (const auto& h : MachineHives())
    if (h.Root == hiveRoot) hive = &h;
  if (!hive) return errInvalidHandle;
  const TSubstituteMachine& machine = TSubstituteMachine::Current();
  place.MachineRoot = machine.Root();
  place.HostPath = machine.HostFile(hive->FileName);
  place.RootName = hive->RootName;
  place.IsRoot = names->empty();
  place.Path = root == TRegRoot::ClassesRoot ? kClassesRootPath : "";
  for (const auto& name : *names) place.Path += (place.Path.empty() ? "" : "\\") + name;
  return errSuccess;
}

// One hive file as this process last read or wrote it.
struct THiveState {
  std::optional<std::string> Stamp;     // of the file the hive was read from; unset: read again
  std::string Text;                     // the file's content then
  std::unique_ptr<TRegistryHive> Hive;  // null while the file is damaged
};

class TPosixRegistry final : public IRegistryService {
 public:
  std::unique_ptr<IRegistryKey> OpenKey(TRegRoot root, const std::string& path,
                                        TRegAccess access) override;
  std::unique_ptr<IRegistryKey> CreateKey(TRegRoot root, const std::string& path) override;
  bool DeleteKey(TRegRoot root, const std::string& path) override;

  // The hive of the file as it now stands; null (the error set) when it
  // cannot be read. A stamp can repeat (a reused inode written within the
  // clock's resolution), so before a change, verify compares the content.
  TRegistryHive* HiveOf(const TPlace& place, bool verify = false);

  // What a change did: an error code, or success with or without a change
  // to write.
  struct TOutcome {
    uint32_t Error = errSuccess;
    bool Changed = false;
  };
  // Applies a change to the hive under the machine lock and writes the hive
  // when it changed.
  template <class F>
  bool Change(const TPlace& place, F&& apply);

 private:
  TRegistryHive* Loaded(THiveState& state);
  std::string machineRoot_;
  std::map<std::string, THiveState> hives_;  // by host path, of that machine
};

TPosixRegistry& Registry() {
  static TPosixRegistry registry;
  return registry;
}

TRegistryHive* TPosixRegistry::HiveOf(const TPlace& place, bool verify) {
  // Hives of a machine the process left are of no more use.
  if (place.MachineRoot != machineRoot_) {
    hives_.clear();
    machineRoot_ = place.MachineRoot;
  }
  THiveState& state = hives_[place.HostPath];
  std::string stamp = HostFileStamp(place.HostPath);
  if (state.Stamp && *state.Stamp == stamp && !verify) return Loaded(state);
  // The stamp taken before reading: should the file be replaced meanwhile,
  // the next call sees a new stamp and reads it again.
  std::optional<std::string> text = stamp.empty() ? std::string() : ReadHostFile(place.HostPath);
  if (!text) {
    state.Stamp.reset();
    PlatformSystem().SetLastError(errAccessDenied);
    return nullptr;
  }
  bool same = state.Stamp && *text == state.Text;
  state.Stamp = stamp;
  if (!same) {
    state.Hive.reset();
    state.Text = std::move(*text);
    try {
      // A missing file is an empty hive.
      state.Hive = std::make_unique<TRegistryHive>(
          stamp.empty() ? TRegistryHive(place.RootName)
                        : TRegistryHive::Parse(state.Text, place.RootName, place.HostPath));
    } catch (const Exception& e) {
      // Reported once for each version of the file; every call fails until
      // it is repaired, and nothing overwrites it meanwhile.
      std::fprintf(stderr, "%s\n", e.Message().c_str());
    }
  }
  return Loaded(state);
}

TRegistryHive* TPosixRegistry::Loaded(THiveState& state) {
  if (!state.Hive) {
    PlatformSystem().SetLastError(errBadDB);
    return nullptr;
  }
  return state.Hive.get();
}

template <class F>
bool TPosixRegistry::Change(const TPlace& place, F&& apply) {
  if (TSubstituteMachine::Current().Root() != place.MachineRoot) return Fail(errInvalidHandle);
  TMachineLock lock(TSubstituteMachine::Current());
  if (!lock.Held()) return Fail(errAccessDenied);
  TRegistryHive* hive = HiveOf(place, true);
  if (!hive) return false;
  TOutcome outcome = apply(*hive);
  if (outcome.Error != errSuccess) return Fail(outcome.Error);
  if (!outcome.Changed) return true;
  THiveState& state = hives_[place.HostPath];
  std::string text = hive->Text();
  if (!WriteHostFileAtomically(place.HostPath, text)) {
    uint32_t code = errno == ENOSPC ? errDiskFull : errAccessDenied;
    state.Stamp.reset();  // the change is not on disk: read the file again
    return Fail(code);
  }
  state.Stamp = HostFileStamp(place.HostPath);
  state.Text = std::move(text);
  return true;
}

// An open key: its place and its access. Every call finds the key again in
// the hive as it now stands, so a key deleted meanwhile (by this process
// or another) fails as a deleted key does on Windows.
class TPosixKey final : public IRegistryKey {
 public:
  TPosixKey(TPlace place, bool writable) : place_(std::move(place)), writable_(writable) {}

  std::vector<std::string> SubKeyNames() override {
    const TRegistryHive::TKey* key = Find();
    return key ? key->SubKeyNames() : std::vector<std::string>{};
  }

  std::vector<std::string> ValueNames() override {
    const TRegistryHive::TKey* key = Find();
    return key ? key->ValueNames() : std::vector<std::string>{};
  }

  std::optional<TRegValue> ReadValue(const std::string& name) override {
    bool missingRoot = false;
    const TRegistryHive::TKey* key = Find(&missingRoot);
    const TRegValue* value = key ? key->Value(name) : nullptr;
    if (!value) {
      if (key || missingRoot) Fail(errFileNotFound);
      return std::nullopt;
    }
    return *value;
  }

  bool WriteValue(const std::string& name, const TRegValue& value) override {
    if (!writable_) return Fail(errAccessDenied);
    if (!TRegistryHive::ValidValueName(name)) return Fail(errInvalidParameter);
    return Registry().Change(place_, [&](TRegistryHive& hive) -> TPosixRegistry::TOutcome {
      TRegistryHive::TKey* key = hive.FindKey(place_.Path);
      if (!key && !place_.IsRoot) return {errKeyDeleted};
      if (!key) key = &hive.CreateKey(place_.Path);
      const TRegValue* old = key->Value(name);
      if (old && *old == value) return {};
      key->SetValue(name, value);
      return {errSuccess, true};
    });
  }

  bool DeleteValue(const std::string& name) override {
    if (!writable_) return Fail(errAccessDenied);
    return Registry().Change(place_, [&](TRegistryHive& hive) -> TPosixRegistry::TOutcome {
      TRegistryHive::TKey* key = hive.FindKey(place_.Path);
      if (!key) return {place_.IsRoot ? errFileNotFound : errKeyDeleted};
      if (!key->DeleteValue(name)) return {errFileNotFound};
      return {errSuccess, true};
    });
  }

  bool Flush() override {
    bool missingRoot = false;
    if (!Find(&missingRoot) && !missingRoot) return false;
    int fd = ::open(place_.HostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? true : Fail(errAccessDenied);  // nothing written yet
    bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced || Fail(errAccessDenied);
  }

 private:
  // The key in the current hive; null with the error set when it is gone.
  // The predefined key itself always exists: missingRoot tells that it has
  // nothing yet (HKEY_CLASSES_ROOT before SOFTWARE\Classes is made).
  const TRegistryHive::TKey* Find(bool* missingRoot = nullptr) {
    if (TSubstituteMachine::Current().Root() != place_.MachineRoot) {
      Fail(errInvalidHandle);
      return nullptr;
    }
    TRegistryHive* hive = Registry().HiveOf(place_);
    if (!hive) return nullptr;
    const TRegistryHive::TKey* key = hive->FindKey(place_.Path);
    if (!key && place_.IsRoot) {
      if (missingRoot) *missingRoot = true;
    } else if (!key) {
      Fail(errKeyDeleted);
    }
    return key;
  }

  TPlace place_;
  bool writable_;
};

std::unique_ptr<IRegistryKey> TPosixRegistry::OpenKey(TRegRoot root, const std::string& path,
                                                      TRegAccess access) {
  TPlace place;
  if (uint32_t error = Resolve(root, path, place)) {
    Fail(error);
    return nullptr;
  }
  TRegistryHive* hive = HiveOf(place);
  if (!hive) return nullptr;
  if (!place.IsRoot && !hive->FindKey(place.Path)) {
    Fail(errFileNotFound);
    return nullptr;
  }
  return std::make_unique<TPosixKey>(std::move(place), access == TRegAccess::All);
}

std::unique_ptr<IRegistryKey> TPosixRegistry::CreateKey(TRegRoot root, const std::string& path) {
  TPlace place;
  if (uint32_t error = Resolve(root, path, place)) {
    Fail(error);
    return nullptr;
  }
  bool made = place.IsRoot || Change(place, [&](TRegistryHive& hive) -> TOutcome {
                if (hive.FindKey(place.Path)) return {};
                hive.CreateKey(place.Path);
                return {errSuccess, true};
              });
  if (!made) return nullptr;
  return std::make_unique<TPosixKey>(std::move(place), true);
}

bool TPosixRegistry::DeleteKey(TRegRoot root, const std::string& path) {
  TPlace place;
  if (uint32_t error = Resolve(root, path, place)) return Fail(error);
  if (place.IsRoot) return Fail(errAccessDenied);
  return Change(place, [&](TRegistryHive& hive) -> TOutcome {
    const TRegistryHive::TKey* key = hive.FindKey(place.Path);
    if (!key) return {errFileNotFound};
    if (!key->SubKeys().empty()) return {errAccessDenied};
    hive.DeleteKeyTree(place.Path);
    return {errSuccess, true};
  });
}

}  // namespace

IRegistryService& NativeRegistry() { return Registry(); }

}  // namespace brim
