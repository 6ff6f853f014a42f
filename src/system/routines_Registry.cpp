// One-value registry routines over TQmbxRegistry.
#include "system/routines_Registry.h"

#include "common/exceptions_Brimwell.h"
#include "platform/PlatformError.h"
#include "system/cmp_TQmbxRegistry.h"

namespace brim {

namespace {

TQmbxRegistry RegistryAt(int root) {
  TQmbxRegistry registry;
  registry.SetRootKeyOrdinal(root);
  return registry;
}

// The registry layer's refusal becomes the system's one error for writes,
// naming the key, the value's name and the value; the platform's code goes
// with it as its cause.
template <class WriteFn>
void WriteValue(int root, const std::string& key, const std::string& name, const std::string& shown,
                WriteFn write) {
  TQmbxRegistry registry = RegistryAt(root);
  TPlatformError cause;
  try {
    if (registry.OpenKey(key, true)) {
      write(registry);
      return;
    }
    cause = TPlatformError::Last();
  } catch (const EQmbxRegistry& e) {
    if (const TPlatformError* c = CauseOf(e)) cause = *c;
  }
  throw TCaused<EIRCannotWriteValue>(cause, "Cannot install into registry. Key: %s Ident: %s Value %s",
                                     key, name, shown);
}

template <class ReadFn, class T>
T ReadValue(int root, const std::string& key, const std::string& name, T defaultValue, ReadFn read) {
  TQmbxRegistry registry = RegistryAt(root);
  try {
    if (registry.KeyExists(key) && registry.OpenKeyReadOnly(key) && registry.ValueExists(name))
      return read(registry);
  } catch (const EQmbxRegistry&) {
  }
  return defaultValue;
}

}  // namespace

void WriteRegistryString(int root, const std::string& key, const std::string& name, const std::string& value) {
  WriteValue(root, key, name, value, [&](TQmbxRegistry& r) { r.WriteString(name, value); });
}

void WriteRegistryInteger(int root, const std::string& key, const std::string& name, int32_t value) {
  WriteValue(root, key, name, std::to_string(value), [&](TQmbxRegistry& r) { r.WriteInteger(name, value); });
}

std::string ReadRegistryString(int root, const std::string& key, const std::string& name,
                               const std::string& defaultValue) {
  return ReadValue(root, key, name, defaultValue, [&](TQmbxRegistry& r) { return r.ReadString(name); });
}

int32_t ReadRegistryInteger(int root, const std::string& key, const std::string& name, int32_t defaultValue) {
  return ReadValue(root, key, name, defaultValue, [&](TQmbxRegistry& r) { return r.ReadInteger(name); });
}

void DeleteRegistryTree(int root, const std::string& key) {
  TQmbxRegistry registry = RegistryAt(root);
  try {
    registry.DeleteKey(key);
  } catch (const Exception&) {
  }
}

bool RegisterRunOnceCommand(const std::string& name, const std::string& command, bool numbered) {
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  try {
    if (!registry.OpenKey(RunOnceKey, true)) return false;
    std::string chosen = name;
    if (numbered)
      for (int n = 1; registry.ValueExists(chosen); ++n) chosen = name + std::to_string(n);
    registry.WriteString(chosen, command);
    registry.FlushKey();
    return true;
  } catch (const EQmbxRegistry&) {
    return false;
  }
}

}  // namespace brim
