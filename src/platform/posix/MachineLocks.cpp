// Marks of files in use and the sharing modes of open handles.
#include "platform/posix/MachineLocks.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

constexpr const char* kInUseSection = "InUse";

std::atomic<int> ignoringMarks{0};

struct TOpen {
  uint64_t Ticket;
  TFileIdentity File;
  std::string HostPath;
  uint32_t Access, Share;
};

std::mutex opensMutex;
std::vector<TOpen> opens;
uint64_t nextTicket = 1;

// CreateFile's rule: the new open must allow what every earlier one
// does, and may only do what every earlier one allows.
bool Compatible(const TOpen& open, uint32_t access, uint32_t share) {
  if ((access & accRead) && !(open.Share & shareRead)) return false;
  if ((access & accWrite) && !(open.Share & shareWrite)) return false;
  if ((open.Access & accRead) && !(share & shareRead)) return false;
  if ((open.Access & accWrite) && !(share & shareWrite)) return false;
  return true;
}

}  // namespace

bool MarkFileInUse(const std::string& windowsPath, bool inUse) {
  std::string key;
  if (auto resolved = ResolveMachinePath(windowsPath))
    key = resolved->Windows.Text();
  else if (auto parsed = ParseWindowsPath(windowsPath))
    key = parsed->Text();
  else
    return false;
  return TSubstituteMachine::Current().SetFact(kInUseSection, UpperCase(key), inUse ? "1" : "");
}

bool IsFileInUse(const std::string& longWindowsPath) {
  if (ignoringMarks > 0) return false;
  const TIniFile& facts = TSubstituteMachine::Current().Facts();
  auto value = facts.Read(kInUseSection, UpperCase(longWindowsPath));
  return value && *value == "1";
}

bool IsTreeInUse(const std::string& longWindowsPath) {
  if (ignoringMarks > 0) return false;
  const TIniFile& facts = TSubstituteMachine::Current().Facts();
  const TIniFile::TSection* section = facts.Section(kInUseSection);
  if (!section) return false;
  std::string path = UpperCase(longWindowsPath);
  std::string below = path.ends_with("\\") ? path : path + "\\";
  for (const auto& [key, value] : section->Entries)
    if (value == "1" && (UpperCase(key) == path || UpperCase(key).starts_with(below))) return true;
  return false;
}

void ClearFilesInUse() {
  TSubstituteMachine& machine = TSubstituteMachine::Current();
  TIniFile facts = machine.Facts();
  if (const TIniFile::TSection* section = facts.Section(kInUseSection))
    for (const auto& entry : section->Entries) machine.SetFact(kInUseSection, entry.first, "");
}

TIgnoreFilesInUse::TIgnoreFilesInUse() { ++ignoringMarks; }
TIgnoreFilesInUse::~TIgnoreFilesInUse() { --ignoringMarks; }

uint64_t RegisterFileOpen(const TFileIdentity& file, const std::string& hostPath,
                          const std::string& longWindowsPath, uint32_t access, uint32_t share) {
  // The other program holds its file open for reading and executing, and
  // lets others read it.
  if (IsFileInUse(longWindowsPath) && ((access & accWrite) || !(share & shareRead))) {
    SetMachineLastError(errSharingViolation);
    return 0;
  }
  std::lock_guard<std::mutex> guard(opensMutex);
  for (const auto& open : opens)
    if (open.File == file && !Compatible(open, access, share)) {
      SetMachineLastError(errSharingViolation);
      return 0;
    }
  uint64_t ticket = nextTicket++;
  opens.push_back({ticket, file, hostPath, access, share});
  return ticket;
}

void ReleaseFileOpen(uint64_t ticket) {
  std::lock_guard<std::mutex> guard(opensMutex);
  std::erase_if(opens, [ticket](const TOpen& open) { return open.Ticket == ticket; });
}

bool OpensAllowWrite(const TFileIdentity& file) {
  std::lock_guard<std::mutex> guard(opensMutex);
  for (const auto& open : opens)
    if (open.File == file && !(open.Share & shareWrite)) return false;
  return true;
}

bool OpensAllowDelete(const TFileIdentity& file) {
  std::lock_guard<std::mutex> guard(opensMutex);
  for (const auto& open : opens)
    if (open.File == file && !(open.Share & shareDelete)) return false;
  return true;
}

bool HasOpensBelow(const std::string& hostDir) {
  std::string below = hostDir.ends_with("/") ? hostDir : hostDir + "/";
  std::lock_guard<std::mutex> guard(opensMutex);
  for (const auto& open : opens)
    if (open.HostPath.starts_with(below)) return true;
  return false;
}

}  // namespace brim
