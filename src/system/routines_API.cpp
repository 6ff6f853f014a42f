// Machine facts through the platform's system and file services. A refusal
// raises the system's message with the platform's code as its cause.
#include "system/routines_API.h"

#include <memory>

#include "common/Format.h"
#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/Platform.h"

namespace brim {

namespace {
// The system's error for a platform call that has just failed.
[[noreturn]] void Refused(const char* message) {
  throw TCaused<EAPIRoutines>(TPlatformError::Last(), std::string(message));
}
}  // namespace

int GetWindowsPlatform() {
  auto version = PlatformSystem().GetVersionEx();
  if (!version) Refused("Could not get information about the current version of Windows");
  switch (version->PlatformId) {
    case 0: return wpWin32s;
    case 1: return wpWindows95;
    case 2: {
      std::string text = Format("%d.%d", static_cast<int>(version->Major), static_cast<int>(version->Minor));
      return text.find("3.5") == std::string::npos ? wpWindowsNT : wpWindowsNT35;
    }
    default: return wpOther;
  }
}

std::string GetTemporaryFileName(bool keep) {
  auto& files = PlatformFiles();
  auto directory = files.TempDirectory();
  std::optional<std::string> name;
  if (directory) name = files.UniqueTempFileName(*directory, "bat");
  if (!name) Refused("Cannot create a temporary file");
  if (!keep) files.DeleteFile(*name);
  return *name;
}

std::string GetSystemDirectoryPath() {
  auto path = PlatformSystem().SystemDirectory();
  if (!path) Refused("Could not retrieve the system directroy from windows");
  return RemoveTrailingBackslash(*path);
}

std::string GetWindowsDirectoryPath() {
  auto path = PlatformSystem().WindowsDirectory();
  if (!path) Refused("Could not retrieve the windows directory from windows");
  return RemoveTrailingBackslash(*path);
}

bool FileExists(const std::string& path) {
  auto attributes = PlatformFiles().GetAttributes(path);
  return attributes && !(*attributes & attrDirectory);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::unique_ptr<IFile> file =
      PlatformFiles().Open(path, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
  if (!file) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    uint32_t got = 0;
    if (!file->Read(buffer, sizeof buffer, got)) return std::nullopt;
    if (got == 0) return text;
    text.append(buffer, got);
  }
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::unique_ptr<IFile> file =
      PlatformFiles().Open(path, accWrite, shareNone, TFileCreation::CreateAlways);
  uint32_t written = 0;
  return file && file->Write(bytes.data(), static_cast<uint32_t>(bytes.size()), written) &&
         written == bytes.size();
}

}  // namespace brim
