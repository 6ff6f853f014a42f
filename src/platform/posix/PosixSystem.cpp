// ISystemService of the substitute machine.
#include "platform/posix/PosixSystem.h"

#include <cerrno>
#include <ctime>

#include "common/routines_Strings.h"
#include "platform/NativeServices.h"
#include "platform/posix/AnsiCodePage.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

thread_local uint32_t lastError = errSuccess;

constexpr int64_t kTicksPerSecond = 10000000;

// Sort weights of the 1252 code page: a primary weight (symbols, then
// digits, then letters by their base letter) and a secondary one (the
// accent). Upper and lower case get the same weights.
struct TAnsiWeights {
  uint16_t Primary[256];
  uint8_t Secondary[256];

  TAnsiWeights() {
    enum { plain, grave, acute, circumflex, tilde, diaeresis, ring, cedilla, stroke, caron };
    for (int c = 0; c < 256; ++c) {
      Primary[c] = static_cast<uint16_t>(1000 + c);
      Secondary[c] = plain;
    }
    for (int c = '0'; c <= '9'; ++c) Primary[c] = static_cast<uint16_t>(2000 + (c - '0'));
    auto letter = [this](int c, char base, int accent, int after = 0) {
      Primary[c] = static_cast<uint16_t>(3000 + (base - 'a') * 10 + after);
      Secondary[c] = static_cast<uint8_t>(accent);
    };
    for (int c = 'a'; c <= 'z'; ++c) {
      letter(c, static_cast<char>(c), plain);
      letter(c - 32, static_cast<char>(c), plain);
    }
    // Latin-1 letters: the upper-case form at X, its lower-case one at X + 0x20.
    struct TLatin {
      int Upper;
      char Base;
      int Accent;
      int After;
    };
    static const TLatin latin[] = {
        {0xC0, 'a', grave, 0},     {0xC1, 'a', acute, 0},      {0xC2, 'a', circumflex, 0},
        {0xC3, 'a', tilde, 0},     {0xC4, 'a', diaeresis, 0},  {0xC5, 'a', ring, 0},
        {0xC6, 'a', plain, 5},     {0xC7, 'c', cedilla, 0},    {0xC8, 'e', grave, 0},
        {0xC9, 'e', acute, 0},     {0xCA, 'e', circumflex, 0}, {0xCB, 'e', diaeresis, 0},
        {0xCC, 'i', grave, 0},     {0xCD, 'i', acute, 0},      {0xCE, 'i', circumflex, 0},
        {0xCF, 'i', diaeresis, 0}, {0xD0, 'd', plain, 5},      {0xD1, 'n', tilde, 0},
        {0xD2, 'o', grave, 0},     {0xD3, 'o', acute, 0},      {0xD4, 'o', circumflex, 0},
        {0xD5, 'o', tilde, 0},     {0xD6, 'o', diaeresis, 0},  {0xD8, 'o', stroke, 0},
        {0xD9, 'u', grave, 0},     {0xDA, 'u', acute, 0},      {0xDB, 'u', circumflex, 0},
        {0xDC, 'u', diaeresis, 0}, {0xDD, 'y', acute, 0},      {0xDE, 'z', plain, 5},
    };
    for (const auto& l : latin) {
      letter(l.Upper, l.Base, l.Accent, l.After);
      letter(l.Upper + 0x20, l.Base, l.Accent, l.After);
    }
    letter(0xDF, 's', plain, 5);   // sharp s
    letter(0xFF, 'y', diaeresis);  // y diaeresis; its capital is 0x9F
    letter(0x9F, 'y', diaeresis);
    letter(0x8A, 's', caron);  // S caron and s caron
    letter(0x9A, 's', caron);
    letter(0x8E, 'z', caron);  // Z caron and z caron
    letter(0x9E, 'z', caron);
    letter(0x8C, 'o', plain, 5);  // OE and oe ligatures
    letter(0x9C, 'o', plain, 5);
    letter(0x83, 'f', plain, 5);  // f hook
  }
};

const TAnsiWeights& Weights() {
  static const TAnsiWeights weights;
  return weights;
}

// The texts Windows gives for the codes the system meets.
const char* KnownErrorMessage(uint32_t code) {
  switch (code) {
    case errSuccess: return "The operation completed successfully.";
    case errFileNotFound: return "The system cannot find the file specified.";
    case errPathNotFound: return "The system cannot find the path specified.";
    case errAccessDenied: return "Access is denied.";
    case errInvalidHandle: return "The handle is invalid.";
    case 11: return "An attempt was made to load a program with an incorrect format.";  // ERROR_BAD_FORMAT
    case errInvalidData: return "The data is invalid.";
    case errNotSameDevice: return "The system cannot move the file to a different disk drive.";
    case errNoMoreFiles: return "There are no more files.";
    case errGenFailure: return "A device attached to the system is not functioning.";
    case errSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case errFileExists: return "The file exists.";
    case errInvalidParameter: return "The parameter is incorrect.";
    case errDiskFull: return "There is not enough space on the disk.";
    case errCallNotImplemented: return "This function is not supported on this system.";
    case errInvalidName:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case errDirNotEmpty: return "The directory is not empty.";
    case 161: return "The specified path is invalid.";  // ERROR_BAD_PATHNAME
    case errAlreadyExists: return "Cannot create a file when that file already exists.";
    case errBadExeFormat: return "%1 is not a valid Win32 application.";
    case errMoreData: return "More data is available.";
    case errDirectory: return "The directory name is invalid.";
    case 1009: return "The configuration registry database is corrupt.";  // ERROR_BADDB
    case 1018:  // ERROR_KEY_DELETED
      return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case errTimeout: return "This operation returned because the timeout period expired.";
    case errResourceTypeNotFound:
      return "The specified resource type cannot be found in the image file.";
    case errResourceNameNotFound:
      return "The specified resource name cannot be found in the image file.";
    default: return nullptr;
  }
}

class TPosixSystemService : public ISystemService {
 public:
  std::optional<TOSVersion> GetVersionEx() override {
    return TSubstituteMachine::Current().Version();
  }

  std::optional<std::string> SystemDirectory() override {
    return RemoveTrailingBackslash(TSubstituteMachine::Current().SystemDirectory());
  }

  std::optional<std::string> WindowsDirectory() override {
    return RemoveTrailingBackslash(TSubstituteMachine::Current().WindowsDirectory());
  }

  uint16_t UserDefaultLangID() override { return TSubstituteMachine::Current().Language(); }

  // The code page of the machine's language, as Windows chooses it.
  uint32_t AnsiCodePage() override { return AnsiCodePageOfLanguage(UserDefaultLangID()); }
  std::optional<std::string> AnsiFromWide(const std::u16string& text) override {
    return AnsiFromUtf16(text, AnsiCodePage());
  }
  std::u16string WideFromAnsi(const std::string& text) override {
    return Utf16FromAnsi(text, AnsiCodePage());
  }

  int CompareText(const std::string& a, const std::string& b) override {
    return CompareTextAnsi(a, b);
  }

  // The machine restarts when `brimmachine reboot` is run; the request is
  // recorded so the tool and the tests can see that it was made.
  bool Reboot() override {
    if (!TSubstituteMachine::Current().SetFact("Machine", "RebootRequested", "1"))
      return FailWith(errAccessDenied);
    return true;
  }

  uint32_t LastError() override { return MachineLastError(); }
  void SetLastError(uint32_t code) override { SetMachineLastError(code); }

  std::string ErrorMessage(uint32_t code) override {
    if (const char* text = KnownErrorMessage(code)) return text;
    return "Unknown error " + std::to_string(code);
  }

  int64_t UtcToLocalFileTime(int64_t utcTicks) override {
    return utcTicks + HostUtcOffsetSeconds() * kTicksPerSecond;
  }

  int64_t LocalToUtcFileTime(int64_t localTicks) override {
    return localTicks - HostUtcOffsetSeconds() * kTicksPerSecond;
  }

  TDateTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    TDateTimeParts parts;
    parts.Year = local.tm_year + 1900;
    parts.Month = local.tm_mon + 1;
    parts.Day = local.tm_mday;
    parts.Hour = local.tm_hour;
    parts.Minute = local.tm_min;
    parts.Second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
    parts.Millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    TDateTime result = 0;
    TryEncodeDateTime(parts, result);
    return result;
  }

  uint32_t TickCount() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
    return static_cast<uint32_t>(ms);  // wraps after 49.7 days, as GetTickCount does
  }
};

}  // namespace

uint32_t MachineLastError() { return lastError; }

void SetMachineLastError(uint32_t code) { lastError = code; }

uint32_t WindowsErrorOfErrno(int error) {
  switch (error) {
    case 0: return errSuccess;
    case ENOENT: return errFileNotFound;
    case ENOTDIR: return errPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return errAccessDenied;
    case EEXIST: return errAlreadyExists;
    case ENOTEMPTY: return errDirNotEmpty;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return errDiskFull;
    case ENAMETOOLONG:
    case EILSEQ: return errInvalidName;
    case EBUSY:
    case ETXTBSY: return errSharingViolation;
    case EXDEV: return errNotSameDevice;
    case EINVAL: return errInvalidParameter;
    case EBADF: return errInvalidHandle;
    case ENOEXEC: return errBadExeFormat;
    default: return errGenFailure;
  }
}

int CompareTextAnsi(const std::string& a, const std::string& b) {
  const TAnsiWeights& w = Weights();
  auto at = [](const std::string& s, size_t i) { return static_cast<unsigned char>(s[i]); };
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    uint16_t x = w.Primary[at(a, i)], y = w.Primary[at(b, i)];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < n; ++i) {
    uint8_t x = w.Secondary[at(a, i)], y = w.Secondary[at(b, i)];
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

int64_t HostUtcOffsetSeconds() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return local.tm_gmtoff;
}

ISystemService& NativeSystem() {
  static TPosixSystemService service;
  return service;
}

}  // namespace brim
