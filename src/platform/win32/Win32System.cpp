// System services through kernel32, advapi32 and user32.
#include "platform/win32/Win32System.h"
#include "platform/CodePages.h"

#include "common/routines_Strings.h"
#include "platform/NativeServices.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Handles.h"

namespace brim {

namespace {

// GetSystemDirectoryA and GetWindowsDirectoryA, asked with the 261-byte
// buffer the system has always used for them. A root directory comes back
// as "C:\"; the interface gives every directory without its backslash.
std::optional<std::string> Directory(UINT(WINAPI* call)(char*, UINT)) {
  auto directory = ApiText([call](char* buffer, DWORD size) { return call(buffer, size); }, 261);
  if (!directory) return std::nullopt;
  return RemoveTrailingBackslash(*directory);
}

}  // namespace

std::optional<TOSVersion> TWin32System::GetVersionEx() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(&info)) return std::nullopt;
  TOSVersion version;
  version.Major = info.dwMajorVersion;
  version.Minor = info.dwMinorVersion;
  // Windows 95/98 keep the major and minor version in the high word of the build.
  version.Build =
      info.dwPlatformId == VER_PLATFORM_WIN32_NT ? info.dwBuildNumber : info.dwBuildNumber & 0xFFFF;
  version.PlatformId = info.dwPlatformId;
  version.CSDVersion = info.szCSDVersion;
  return version;
}

std::optional<std::string> TWin32System::SystemDirectory() {
  return Directory(::GetSystemDirectoryA);
}

std::optional<std::string> TWin32System::WindowsDirectory() {
  return Directory(::GetWindowsDirectoryA);
}

uint16_t TWin32System::UserDefaultLangID() { return ::GetUserDefaultLangID(); }

int TWin32System::CompareText(const std::string& a, const std::string& b) {
  int result = ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                                static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
  // CSTR_LESS_THAN, CSTR_EQUAL and CSTR_GREATER_THAN are 1, 2 and 3.
  if (result != 0) return result - CSTR_EQUAL;
  // The call refused its arguments: still give an order, the A-Z folding one.
  return brim::CompareText(a, b);
}

bool TWin32System::Reboot() {
  // Windows NT restarts only for a process holding the shutdown privilege,
  // which is present in the token but disabled. Windows 95/98 have no
  // tokens (the calls fail as not implemented) and need none.
  TWinHandle token;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                         token.Receive())) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (::LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
      ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
  }
  // Without the privilege this fails with ERROR_PRIVILEGE_NOT_HELD, the error
  // that tells the caller why. The reason is a planned application
  // installation, for the system's shutdown log.
  return ::ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION |
                                         SHTDN_REASON_MINOR_INSTALLATION |
                                         SHTDN_REASON_FLAG_PLANNED) != FALSE;
}

uint32_t TWin32System::LastError() { return ::GetLastError(); }

void TWin32System::SetLastError(uint32_t code) { ::SetLastError(code); }

std::string TWin32System::ErrorMessage(uint32_t code) {
  auto text = ApiText(
      [code](char* buffer, DWORD size) {
        DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer, size, nullptr);
        // A text too long for the buffer fails; ask for a bigger one.
        if (length == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) return size * 4;
        return length;
      },
      1024);
  // No text for the code: nothing to say, as the system says nothing.
  if (!text) return std::string();
  while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
  return *text;
}

int64_t TWin32System::UtcToLocalFileTime(int64_t utcTicks) {
  FILETIME utc = TicksFileTime(utcTicks), local;
  if (!::FileTimeToLocalFileTime(&utc, &local)) return utcTicks;
  return FileTimeTicks(local);
}

int64_t TWin32System::LocalToUtcFileTime(int64_t localTicks) {
  FILETIME local = TicksFileTime(localTicks), utc;
  if (!::LocalFileTimeToFileTime(&local, &utc)) return localTicks;
  return FileTimeTicks(utc);
}

TDateTime TWin32System::Now() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  TDateTimeParts parts;
  parts.Year = now.wYear;
  parts.Month = now.wMonth;
  parts.Day = now.wDay;
  parts.Hour = now.wHour;
  parts.Minute = now.wMinute;
  parts.Second = now.wSecond;
  parts.Millisecond = now.wMilliseconds;
  TDateTime result = 0;
  TryEncodeDateTime(parts, result);
  return result;
}

uint32_t TWin32System::TickCount() { return ::GetTickCount(); }

uint32_t TWin32System::AnsiCodePage() { return ::GetACP(); }

// WideCharToMultiByte with its default character '?' for what CP_ACP lacks;
// no best-fit letters, so both backends give the same bytes.
std::optional<std::string> TWin32System::AnsiFromWide(const std::u16string& text) {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  int size = static_cast<int>(text.size());
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  int length = ::WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::nullopt;
  std::string ansi(static_cast<size_t>(length), '\0');
  if (::WideCharToMultiByte(CP_ACP, flags, wide, size, ansi.data(), length, nullptr, nullptr) !=
      length)
    return std::nullopt;
  return ansi;
}

std::u16string TWin32System::WideFromAnsi(const std::string& text) {
  return WideFromCodePage(text, CP_ACP);
}

ISystemService& NativeSystem() {
  static TWin32System system;
  return system;
}

}  // namespace brim
