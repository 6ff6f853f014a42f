// Queuing and applying the renames the substitute machine does at restart.
#include "platform/posix/PendingRenames.h"

#include <cstdio>

#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/MachineLocks.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

constexpr const char* kNtPrefix = "\\??\\";

std::string WithoutNtPrefix(const std::string& path) {
  return path.starts_with(kNtPrefix) ? path.substr(4) : path;
}

std::string LastErrorText() { return PlatformSystem().ErrorMessage(MachineLastError()); }

// What could not be done at restart goes to the error output, at once.
void Warn(const std::string& text) {
  std::fputs((text + "\n").c_str(), stderr);
  std::fflush(stderr);
}

// Deletes a file, or an empty directory, at restart.
bool DeleteAtRestart(const std::string& path) {
  IFileService& files = PlatformFiles();
  auto attributes = files.GetAttributes(path);
  if (!attributes) return false;
  if (*attributes & attrDirectory) return files.RemoveDirectory(path);
  return files.DeleteFile(path);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> DecodeRenamePairs(const std::string& data) {
  std::vector<std::string> strings;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\0', start);
    if (end == std::string::npos) end = data.size();
    strings.push_back(data.substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i < strings.size(); i += 2) {
    if (strings[i].empty()) break;  // the empty string that ends the list
    pairs.emplace_back(strings[i], i + 1 < strings.size() ? strings[i + 1] : "");
  }
  return pairs;
}

std::string EncodeRenamePairs(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string data;
  for (const auto& [source, target] : pairs) {
    data += source;
    data += '\0';
    data += target;
    data += '\0';
  }
  data += '\0';
  return data;
}

bool QueueRenameAtReboot(const std::string& existing, const std::string& newName,
                         bool replaceExisting) {
  if (TSubstituteMachine::Current().Version().PlatformId == 1)
    return FailWith(errCallNotImplemented);
  auto source = ParseWindowsPath(existing);
  if (!source) return false;
  std::string target;
  if (!newName.empty()) {
    auto parsed = ParseWindowsPath(newName);
    if (!parsed) return false;
    target = (replaceExisting ? "!" : "") + std::string(kNtPrefix) + parsed->Text();
  }
  auto key = PlatformRegistry().CreateKey(TRegRoot::LocalMachine, kSessionManagerKey);
  if (!key) return false;
  std::vector<std::pair<std::string, std::string>> pairs;
  if (auto value = key->ReadValue(kPendingRenamesValue)) pairs = DecodeRenamePairs(value->Data);
  pairs.emplace_back(kNtPrefix + source->Text(), target);
  if (!key->WriteValue(kPendingRenamesValue, {TRegType::MultiString, EncodeRenamePairs(pairs)}))
    return false;
  key->Flush();
  SetMachineLastError(errSuccess);
  return true;
}

void ApplyPendingRenames() {
  auto key =
      PlatformRegistry().OpenKey(TRegRoot::LocalMachine, kSessionManagerKey, TRegAccess::All);
  if (!key) return;
  auto value = key->ReadValue(kPendingRenamesValue);
  if (!value) return;
  TIgnoreFilesInUse starting;  // no program runs yet
  for (const auto& [rawSource, rawTarget] : DecodeRenamePairs(value->Data)) {
    std::string source = WithoutNtPrefix(rawSource);
    if (rawTarget.empty()) {
      if (!DeleteAtRestart(source))
        Warn(std::string("Cannot delete ") + source + " at restart: " + LastErrorText());
      continue;
    }
    bool replace = rawTarget.starts_with("!");
    std::string target = WithoutNtPrefix(replace ? rawTarget.substr(1) : rawTarget);
    if (!MoveMachineFile(source, target, replace))
      Warn(std::string("Cannot rename ") + source + " to " + target +
           " at restart: " + LastErrorText());
  }
  if (!key->DeleteValue(kPendingRenamesValue))
    Warn(std::string("Cannot remove the value ") + kPendingRenamesValue +
         " of HKEY_LOCAL_MACHINE\\" + kSessionManagerKey + ": " + LastErrorText());
  key->Flush();
}

void ApplyWininitRenames() {
  std::string windows = TSubstituteMachine::Current().WindowsDirectory();
  std::string file = JoinPath(windows, "WININIT.INI");
  auto p = ResolveMachinePath(file);
  if (!p || !p->Exists) return;
  auto text = ReadHostFile(p->Host);
  if (!text) {
    Warn(std::string("Cannot read ") + file + " at restart");
    return;
  }
  TIgnoreFilesInUse starting;
  TIniFile ini = TIniFile::Parse(*text);
  if (const TIniFile::TSection* section = ini.Section("Rename")) {
    for (const auto& [target, source] : section->Entries) {
      if (SameText(target, "NUL")) {
        if (!DeleteAtRestart(source))
          Warn(std::string("Cannot delete ") + source + " at restart: " + LastErrorText());
      } else if (!MoveMachineFile(source, target, true)) {
        Warn(std::string("Cannot rename ") + source + " to " + target +
             " at restart: " + LastErrorText());
      }
    }
  }
  std::string backup = JoinPath(windows, "WININIT.BAK");
  if (!MoveMachineFile(file, backup, true))
    Warn(std::string("Cannot rename ") + file + " to " + backup + ": " + LastErrorText());
}

}  // namespace brim
