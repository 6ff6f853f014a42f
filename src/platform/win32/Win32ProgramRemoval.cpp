// Removing the running program's file on Windows: through a copy of the
// program in the temporary directory that outlives it (ProgramRemoval.h).
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/ProgramRemoval.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Handles.h"

namespace brim {

namespace {

// The first argument of the helper; no product name starts so.
constexpr const char* kHelperSwitch = "/~remove-after-exit";
// How long the helper waits for the program, and then for its file to be free.
constexpr DWORD kWaitForProgramMs = 120000;
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;
// How many taken names the copy passes over before it gives up.
constexpr int kCopyAttempts = 64;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string HandleText(HANDLE handle) {
  return std::to_string(static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
}

HANDLE HandleOf(const std::string& text) {
  return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(std::strtoull(text.c_str(), nullptr, 10)));
}

void RemoveFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) ::RemoveDirectoryA(folder.c_str());
}

TRemovalResult RemoveAtRestart(const std::string& file, const std::vector<std::string>& folders) {
  if (!::MoveFileExA(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    return TRemovalResult::Failed;
  // Renames at the start run in the order they were asked for: the file, then its folders.
  for (const std::string& folder : folders)
    ::MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return TRemovalResult::AtRestart;
}

// Starts a copy of this program that removes file once this process ends.
bool StartHelper(const std::string& file, const std::vector<std::string>& folders) {
  auto module =
      ApiText([](char* buffer, DWORD size) { return ::GetModuleFileNameA(nullptr, buffer, size); });
  auto temp = ApiText([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
  if (!module || !temp) return false;
  // The copy runs with this program's rights, so it goes under a name no
  // one can foresee and is made only where nothing of that name exists: a
  // file or link planted in a shared temporary directory is never written
  // through or started.
  std::random_device random;
  std::string copy;
  for (int attempt = 0; copy.empty(); ++attempt) {
    char name[16];
    std::snprintf(name, sizeof name, "bru%08X.exe", static_cast<unsigned>(random()));
    if (::CopyFileA(module->c_str(), (*temp + name).c_str(), TRUE)) {
      copy = *temp + name;
    } else {
      const DWORD error = ::GetLastError();
      if (attempt >= kCopyAttempts || (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS))
        return false;
    }
  }

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  TWinHandle self(::OpenProcess(SYNCHRONIZE, TRUE, ::GetCurrentProcessId()));
  TWinHandle copyFile(::CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!self || !copyFile) {
    ::DeleteFileA(copy.c_str());
    return false;
  }
  std::string commandLine = Quoted(copy) + " " + kHelperSwitch + " " + HandleText(self.Get()) +
                            " " + HandleText(copyFile.Get()) + " " + Quoted(file);
  for (const std::string& folder : folders) commandLine += " " + Quoted(folder);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, temp->c_str(), &startup, &process)) {
    // Closing the handle opened for deletion takes the copy away again.
    return false;
  }
  TWinHandle processHandle(process.hProcess);
  TWinHandle threadHandle(process.hThread);
  return true;
}

}  // namespace

TRemovalResult RemoveFileAfterExit(const std::string& file,
                                   const std::vector<std::string>& folders) {
  if (::DeleteFileA(file.c_str())) {
    RemoveFolders(folders);
    return TRemovalResult::Removed;
  }
  if (StartHelper(file, folders)) return TRemovalResult::AfterExit;
  return RemoveAtRestart(file, folders);
}

bool RunRemovalHelper(const std::vector<std::string>& arguments) {
  if (arguments.size() < 4 || arguments[0] != kHelperSwitch) return false;
  // The handles were inherited: the helper owns them now.
  TWinHandle program(HandleOf(arguments[1]));
  TWinHandle ownFile(HandleOf(arguments[2]));
  const std::string& file = arguments[3];
  const std::vector<std::string> folders(arguments.begin() + 4, arguments.end());
  ::WaitForSingleObject(program.Get(), kWaitForProgramMs);
  bool deleted = false;
  for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
    deleted = ::DeleteFileA(file.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
    if (!deleted) ::Sleep(kDeleteRetryMs);
  }
  if (deleted)
    RemoveFolders(folders);
  else
    RemoveAtRestart(file, folders);
  return true;
}

}  // namespace brim
