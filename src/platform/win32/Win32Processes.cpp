// IProcessService of the win32 backend: WinExec, CreateProcessA with a wait
// for the exit code, and batch files through the command interpreter.
#include "common/routines_Strings.h"
#include "platform/NativeServices.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Handles.h"

namespace brim {

namespace {

STARTUPINFOA StartupInfo(TShowWindow show) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  return startup;
}

class TWin32Processes : public IProcessService {
 public:
  bool StartProgram(const std::string& commandLine, TShowWindow show) override {
    UINT result = ::WinExec(commandLine.c_str(), static_cast<UINT>(show));
    if (result > 31) return true;
    // WinExec answers with the old error numbers; 2, 3 and 11 mean the same as
    // the Win32 codes of those numbers, and 0 is "out of memory or resources".
    ::SetLastError(result == 0 ? ERROR_NOT_ENOUGH_MEMORY : result);
    return false;
  }

  std::optional<uint32_t> RunProgram(const std::string& commandLine, TShowWindow show,
                                     uint32_t timeoutMs) override {
    STARTUPINFOA startup = StartupInfo(show);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
      return std::nullopt;
    TWinHandle processHandle(process.hProcess);
    TWinHandle threadHandle(process.hThread);
    DWORD waited = ::WaitForSingleObject(processHandle.Get(), timeoutMs);
    if (waited == WAIT_TIMEOUT) {
      ::SetLastError(ERROR_TIMEOUT);
      return std::nullopt;
    }
    DWORD exitCode = 0;
    if (waited != WAIT_OBJECT_0 || !::GetExitCodeProcess(processHandle.Get(), &exitCode))
      return std::nullopt;
    ::SetLastError(ERROR_SUCCESS);
    return exitCode;
  }

  bool RunBatchFile(const std::string& path, TShowWindow show) override {
    // A batch file is no program: the command interpreter runs it. Asking the
    // interpreter named by COMSPEC directly is the documented way on every
    // Windows (and what WinExec of a .bat does on NT anyway), and it keeps the
    // path quoted, so spaces and characters such as "&" in a temporary
    // directory do no harm. The interpreter would start even for a missing
    // file and only then complain; WinExec of the file would refuse, so do we.
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    std::string interpreter = ApiText([](char* buffer, DWORD size) {
                                return ::GetEnvironmentVariableA("COMSPEC", buffer, size);
                              }).value_or("cmd.exe");
    std::string name = interpreter.substr(interpreter.find_last_of("\\/:") + 1);
    std::string commandLine;
    if (SameText(name, "command.com")) {
      // Windows 95/98: COMMAND.COM takes the path as it is.
      commandLine = interpreter + " /c " + path;
    } else {
      // cmd.exe with /s removes only the outer quotes of the command.
      commandLine = "\"" + interpreter + "\" /s /c \"\"" + path + "\"\"";
    }
    STARTUPINFOA startup = StartupInfo(show);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
      return false;
    }
    // Nobody waits for the batch file: let go of its process at once.
    TWinHandle processHandle(process.hProcess);
    TWinHandle threadHandle(process.hThread);
    return true;
  }
};

}  // namespace

IProcessService& NativeProcesses() {
  static TWin32Processes processes;
  return processes;
}

}  // namespace brim
