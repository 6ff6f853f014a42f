// Reading the uninstall record.
#include "uninstall/UninstallRecord.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "common/routines_Strings.h"
#include "platform/PlatformServices.h"
#include "system/cmp_TQmbxRegistry.h"

namespace brim {

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The installation spreads its "Files" entries over at most this many subkeys.
constexpr int kFilesSubkeys = 100;

std::string ReadText(IRegistryKey& key, const std::string& name) {
  std::optional<TRegValue> value = key.ReadValue(name);
  if (!value || (value->Type != TRegType::String && value->Type != TRegType::ExpandString))
    return "";
  return value->Data;
}

// "Entries", 0 when it is missing or no number.
int32_t EntriesOf(IRegistryKey& key) {
  long long n = 0;
  if (!TryStrToInt64(Trim(ReadText(key, "Entries")), n) || n < 0) return 0;
  return static_cast<int32_t>(std::min(n, 100000LL));
}

std::unique_ptr<IRegistryKey> OpenRead(const std::string& key) {
  return PlatformRegistry().OpenKey(TRegRoot::LocalMachine, key, TRegAccess::Read);
}

// The "File1" ... entries of one subkey, those present.
std::vector<std::string> FileEntries(IRegistryKey& key) {
  std::vector<std::string> entries;
  const int32_t n = EntriesOf(key);
  for (int32_t i = 1; i <= n; ++i) {
    std::string path = Trim(ReadText(key, "File" + std::to_string(i)));
    if (!path.empty()) entries.push_back(path);
  }
  return entries;
}

}  // namespace

std::string UninstallKeyOf(const std::string& productName) {
  return kUninstallKey + Trim(productName);
}

std::string UninstallerPathOf(const std::string& uninstallString, const std::string& productName) {
  std::string text = Trim(uninstallString);
  if (!text.empty() && text[0] == '"') {
    size_t end = text.find('"', 1);
    return end == std::string::npos ? "" : text.substr(1, end - 1);
  }
  const std::string name = " " + Trim(productName);
  if (text.size() > name.size() && SameText(text.substr(text.size() - name.size()), name))
    return Trim(text.substr(0, text.size() - name.size()));
  return text;
}

TUninstallRecord ReadUninstallRecord(const std::string& productName) {
  TUninstallRecord record;
  record.ProductName = Trim(productName);
  record.Key = UninstallKeyOf(record.ProductName);
  std::unique_ptr<IRegistryKey> key = record.ProductName.empty() ? nullptr : OpenRead(record.Key);
  if (!key)
    throw IEUninstall(
        "The uninstall information of %s was not found. The program may have been removed already.",
        record.ProductName);
  record.UninstallerPath = UninstallerPathOf(ReadText(*key, "UninstallString"), record.ProductName);
  record.SetupLanguage = Trim(ReadText(*key, "SetupLanguage"));

  for (int i = 0; i < kFilesSubkeys; ++i) {
    auto files = OpenRead(record.Key + "\\Files" + (i == 0 ? "" : std::to_string(i)));
    if (!files) continue;
    for (std::string& path : FileEntries(*files)) record.Files.push_back(std::move(path));
  }
  if (auto servers = OpenRead(record.Key + "\\ActiveX")) {
    for (const std::string& entry : FileEntries(*servers)) {
      // "path;1" for a program, "path;0" for a library.
      size_t semicolon = entry.rfind(';');
      std::string path = semicolon == std::string::npos ? entry : Trim(entry.substr(0, semicolon));
      bool program = semicolon != std::string::npos && Trim(entry.substr(semicolon + 1)) == "1";
      if (!path.empty()) record.Servers.push_back({path, program});
    }
  }
  const std::string keysKey = record.Key + "\\RegistryKeys";
  if (auto keys = OpenRead(keysKey)) {
    const int32_t n = EntriesOf(*keys);
    for (int32_t i = 1; i <= n; ++i) {
      const std::string itemKey = keysKey + "\\RegistryKey" + std::to_string(i);
      auto item = OpenRead(itemKey);
      if (!item) continue;
      TUninstallRegistryKey written;
      written.Key = Trim(ReadText(*item, "Key"));
      while (!written.Key.empty() && written.Key[0] == '\\') written.Key.erase(0, 1);
      std::optional<TRegValue> root = item->ReadValue("Root");
      written.Root =
          RootKeyOfOrdinal(root ? root->AsInteger().value_or(4) : 4, TRegRoot::LocalMachine);
      if (auto values = OpenRead(itemKey + "\\Entries")) written.Values = values->ValueNames();
      if (!written.Key.empty()) record.RegistryKeys.push_back(std::move(written));
    }
  }
  return record;
}

}  // namespace brim
