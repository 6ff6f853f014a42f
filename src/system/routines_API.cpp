// Machine facts through the platform's system and file services. A refusal
// raises the system's message with the platform's code as its cause.
#include "system/routines_API.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

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

namespace {

constexpr const char* kTemporaryDirectoryPrefix = "BWS";
constexpr const char* kTemporaryFilePrefix = "bat";
// How many taken names a creation passes over before it gives up: with 32
// random bits a name is taken only when someone made it on purpose.
constexpr int kCreationTries = 64;

// Eight hexadecimal digits no other program can foresee.
std::string RandomHex() {
  static std::random_device source;
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(source()));
  return text;
}

bool TakenError(uint32_t code) {
  return code == errFileExists || code == errAlreadyExists || code == errAccessDenied;
}

// The directory of this process, with the temporary directory it was made
// in.
struct TTemporaryFiles {
  std::string Parent, Directory;
};

TTemporaryFiles& Temporaries() {
  static TTemporaryFiles temporaries;
  return temporaries;
}

}  // namespace

std::string TemporaryFilesDirectory() {
  IFileService& files = PlatformFiles();
  std::optional<std::string> temp = files.TempDirectory();
  if (!temp) Refused("Cannot find the temporary directory");
  TTemporaryFiles& own = Temporaries();
  // Still ours: made under the same temporary directory and not replaced
  // by a link since.
  if (!own.Directory.empty() && SameText(own.Parent, *temp)) {
    std::optional<uint32_t> attributes = files.GetAttributes(own.Directory);
    if (attributes && (*attributes & attrDirectory) && !(*attributes & attrReparsePoint))
      return own.Directory;
  }
  own.Directory.clear();
  for (int i = 0; i < kCreationTries; ++i) {
    std::string directory = *temp + kTemporaryDirectoryPrefix + RandomHex() + ".tmp";
    if (files.CreateDirectory(directory)) {
      own.Parent = *temp;
      own.Directory = directory;
      return directory;
    }
    if (!TakenError(PlatformSystem().LastError())) break;
  }
  throw TCaused<EAPIRoutines>(TPlatformError::Last(), "Cannot create a temporary directory in %s",
                              *temp);
}

std::string CreateTemporaryFile(const std::string& extension, const std::string& in) {
  const std::string directory =
      in.empty() ? TemporaryFilesDirectory() : RemoveTrailingBackslash(in);
  for (int i = 0; i < kCreationTries; ++i) {
    std::string path = directory + "\\" + kTemporaryFilePrefix + RandomHex() + extension;
    if (PlatformFiles().Open(path, accWrite, shareNone, TFileCreation::CreateNew)) return path;
    if (!TakenError(PlatformSystem().LastError())) break;
  }
  throw TCaused<EAPIRoutines>(TPlatformError::Last(), "Cannot create a temporary file in %s",
                              directory);
}

void EndTemporaryFiles() {
  TTemporaryFiles& own = Temporaries();
  if (!own.Directory.empty()) PlatformFiles().RemoveDirectory(own.Directory);
  own.Directory.clear();
}

bool IsTemporaryFilesDirectory(const std::string& dir) {
  const std::string name = ExtractFileName(RemoveTrailingBackslash(dir));
  const size_t prefix = std::strlen(kTemporaryDirectoryPrefix);
  if (name.size() != prefix + 8 + 4 ||
      !SameText(name.substr(0, prefix), kTemporaryDirectoryPrefix) ||
      !SameText(name.substr(prefix + 8), ".tmp"))
    return false;
  return name.find_first_not_of("0123456789ABCDEFabcdef", prefix) == prefix + 8;
}

std::string BatchQuoted(const std::string& path) {
  if (path.find_first_of("\"%\r\n") != std::string::npos)
    throw EAPIRoutines(
        "The path %s cannot be written into a batch file: a batch file cannot carry a double "
        "quote, a percent sign or a line break in a path",
        path);
  return "\"" + path + "\"";
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
