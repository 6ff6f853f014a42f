// Starting programs: without waiting (WinExec), waiting for the exit code
// (what running a program after the installation and "/REGSERVER" need),
// and batch files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brim {

// Window modes of a started program (SW_*).
enum class TShowWindow : uint32_t { Hide = 0, Normal = 1, Minimized = 2, Maximized = 3, Show = 5 };

// A wait without a time limit (INFINITE).
inline constexpr uint32_t waitForever = 0xFFFFFFFFu;

class IProcessService {
 public:
  virtual ~IProcessService() = default;
  // WinExec: starts a command line without waiting for it.
  virtual bool StartProgram(const std::string& commandLine, TShowWindow show) = 0;
  // CreateProcessA, then waits up to timeoutMs (waitForever: as long as it
  // takes) for the program to end: its exit code (GetExitCodeProcess).
  // Empty, with the last error set, when it could not be started, or when it
  // has not ended in time (errTimeout; the program keeps running).
  virtual std::optional<uint32_t> RunProgram(const std::string& commandLine, TShowWindow show,
                                             uint32_t timeoutMs) = 0;
  // Starts a batch file without waiting for it.
  virtual bool RunBatchFile(const std::string& path, TShowWindow show) = 0;
};

}  // namespace brim
