// The installation record under HKLM "\SOFTWARE\Brimwell\Install": one
// subkey "Install<n>" per setup file that has started a run and not ended
// well yet. A record is recognised by the size and modification time of the
// setup file, so the start after a reboot, or a copy of the same file,
// finds it again. It keeps the unfinished list, the local copies of
// downloaded archives and the dialog language across the reboot.
#include <algorithm>
#include <cmath>

#include "common/DateTime.h"
#include "common/routines_Strings.h"
#include "engine/cmp_TInstall.h"
#include "engine/cmp_TInstallRegistry.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_Registry.h"
#include "translation/cmp_TTranslator.h"

namespace brim {

namespace {

constexpr const char* kRecordsKey = "\\SOFTWARE\\Brimwell\\Install";
constexpr const char* kBrimwellKey = "\\Software\\Brimwell";
constexpr int kLocalMachine = static_cast<int>(TRootKeys::hkLocalMachine);
// Two dates closer than this (about 9 ms) are the same file's.
constexpr double kSameDate = 1e-7;

// The size and last-write date of the running setup file.
struct TSetupFileStamp {
  int32_t Size = 0;
  TDateTime Date = 0;
};

TSetupFileStamp StampOf(const std::string& path) {
  const char* message = "Cannot read the size and date of the setup file %s to find its installation record";
  std::unique_ptr<IFile> file =
      PlatformFiles().Open(path, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
  if (!file) throw TCaused<IEInstall>(TPlatformError::Last(), message, path);
  std::optional<int64_t> size = file->Size();
  std::optional<int64_t> written = file->LastWriteTime();
  if (!size || !written) throw TCaused<IEInstall>(TPlatformError::Last(), message, path);
  TSetupFileStamp stamp;
  stamp.Size = static_cast<int32_t>(*size);
  stamp.Date = LocalFileTimeToDateTime(PlatformSystem().UtcToLocalFileTime(*written));
  return stamp;
}

// Deletes the key when it exists and has no subkeys left.
void DeleteWhenEmpty(const std::string& key) {
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  try {
    if (!registry.OpenKeyReadOnly(key) || !registry.GetKeyNames().empty()) return;
    registry.CloseKey();
    registry.DeleteKey(key);
  } catch (const Exception&) {
    // A base key that cannot be read or deleted stays.
  }
}

}  // namespace

std::string TCustomInstall::FindInstallRecord(bool create) {
  const std::string setupFile = PlatformModule().ModuleFileName();
  const TSetupFileStamp stamp = StampOf(setupFile);
  TQmbxRegistry base(TRegRoot::LocalMachine);
  std::vector<std::string> names;
  try {
    // A lookup that finds nothing leaves the machine as it was.
    if (!base.OpenKey(kRecordsKey, create)) return "";
    names = base.GetKeyNames();
  } catch (const Exception&) {
    return "";
  }

  std::vector<std::string> unfinished;
  for (const std::string& name : names) {
    const std::string key = JoinPath(kRecordsKey, name);
    TQmbxRegistry record(TRegRoot::LocalMachine);
    try {
      if (!record.OpenKey(key, false)) continue;
      record.ReadString("Path");
      if (!record.ValueExists("CreationDate") || !record.ValueExists("Size")) {
        unfinished.push_back(name);
        continue;
      }
      const double created = record.ReadFloat("CreationDate");
      const int32_t size = record.ReadInteger("Size");
      if (std::fabs(stamp.Date - created) >= kSameDate || size != stamp.Size) continue;
    } catch (const Exception&) {
      continue;
    }
    try {
      record.WriteFloat("LastRunDate", RunStartTime);
      record.WriteString("Path", setupFile);
      record.FlushKey();
    } catch (const Exception&) {
      return "";
    }
    return key;
  }
  if (!create) return "";

  // A record without its stamp is one whose making was cut short (the
  // program was killed): it can never match, so it goes and its number
  // is free again.
  for (const std::string& name : unfinished) {
    DeleteRegistryTree(kLocalMachine, JoinPath(kRecordsKey, name));
    if (!base.KeyExists(JoinPath(kRecordsKey, name)))
      names.erase(std::find(names.begin(), names.end(), name));
  }
  for (int n = 0;; ++n) {
    const std::string name = "Install" + std::to_string(n);
    bool taken = false;
    for (const std::string& existing : names) taken = taken || SameText(existing, name);
    if (taken) continue;
    const std::string key = JoinPath(kRecordsKey, name);
    TQmbxRegistry record(TRegRoot::LocalMachine);
    try {
      if (!record.OpenKey(key, true)) return "";
      record.WriteString("Path", setupFile);
      record.WriteFloat("LastRunDate", RunStartTime);
      record.WriteFloat("CreationDate", stamp.Date);
      record.WriteInteger("Size", stamp.Size);
      if (HasSwitch('e')) {
        std::string source = SwitchArgument('s');
        if (source.empty() || source.back() != '\\') source += '\\';
        record.WriteString("SelfExtract", source + SwitchArgument('e'));
      }
      record.FlushKey();
    } catch (const Exception&) {
      // A record without its stamp would never match, nor ever be removed:
      // what was written goes again.
      record.CloseKey();
      DeleteRegistryTree(kLocalMachine, key);
      return "";
    }
    return key;
  }
}

void TCustomInstall::RemoveInstallRecord() {
  if (InstallRecordKey.empty()) return;
  const std::string recordKey = InstallRecordKey;
  std::vector<std::string> subkeys;
  try {
    TQmbxRegistry record(TRegRoot::LocalMachine);
    if (record.OpenKeyReadOnly(recordKey)) subkeys = record.GetKeyNames();
  } catch (const Exception&) {
  }
  for (const std::string& name : subkeys) {
    const std::string key = JoinPath(recordKey, name);
    const std::string local = ReadRegistryString(kLocalMachine, key, "LocalFile", "");
    // A copy that cannot be deleted is only left behind.
    if (!Trim(local).empty()) PlatformFiles().DeleteFile(local);
    DeleteRegistryTree(kLocalMachine, key);
  }
  DeleteRegistryTree(kLocalMachine, recordKey);
  InstallRecordKey.clear();
  DeleteWhenEmpty(kRecordsKey);
  DeleteWhenEmpty(kBrimwellKey);
}

void TCustomInstall::SaveLanguage() {
  TTranslator* translator = MainTranslator();
  if (!translator) return;
  WriteRegistryInteger(kLocalMachine, InstallRecordKey, "Language",
                       static_cast<int32_t>(translator->TranslateIntoLanguage));
}

std::string TCustomInstall::LanguageName() const {
  TTranslator* translator = MainTranslator();
  if (!translator) return "";
  // A language without a table shows the pages in English.
  TLanguage* target = translator->TargetLanguage();
  if (!target || target->Strings.Count() == 0) return "English";
  return std::string(target->Info().PropertyName).substr(2);
}

void TCustomInstall::ChooseLanguageArgument() {
  if (LanguageArgument.empty()) return;
  // The language's own name ("German"), or its property or value name.
  std::optional<TQmbxLanguage> chosen;
  std::string known;
  for (const TLanguageInfo& info : LanguageInfos()) {
    const std::string property = info.PropertyName;
    const std::string name = property.substr(2);
    if (SameText(LanguageArgument, name) || SameText(LanguageArgument, property) ||
        SameText(LanguageArgument, "ql" + name))
      chosen = info.Ident;
    known += (known.empty() ? "" : ", ") + name;
  }
  if (!chosen)
    throw IEInstall("Unknown language %s in *LANG=%s. The languages are: %s", LanguageArgument,
                    LanguageArgument, known);
  TTranslator* translator = MainTranslator();
  if (!translator)
    throw IEInstall("Cannot choose the language %s: this setup has no translator",
                    LanguageArgument);
  translator->TranslateIntoLanguage = *chosen;
}

void TCustomInstall::LoadLanguage() {
  TTranslator* translator = MainTranslator();
  const auto fallback = static_cast<int32_t>(translator ? translator->TranslateIntoLanguage
                                                        : TQmbxLanguage::qlUser);
  int32_t language = fallback;
  try {
    if (!InstallRecordKey.empty())
      language = ReadRegistryInteger(kLocalMachine, InstallRecordKey, "Language", fallback);
  } catch (const Exception&) {
  }
  // A number that names no language is as good as none.
  if (language < 0 || language >= static_cast<int32_t>(QmbxLanguageInfo.Values.size()))
    language = fallback;
  if (translator) translator->TranslateIntoLanguage = static_cast<TQmbxLanguage>(language);
}

}  // namespace brim
