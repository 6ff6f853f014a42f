// Starting programs on the substitute machine, as WinExec does: the program
// is found as CreateProcess finds it, a batch file runs through the batch
// interpreter, a host executable (an ELF file, or a script with the execute
// permission) is started without waiting for it, and a Windows executable,
// which cannot run here, fails with errBadExeFormat.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProcessService.h"

namespace brim {

// Splits the arguments of a command line as the Windows C runtime does:
// blanks separate, double quotes group, 2n backslashes before a quote give
// n backslashes and a grouping quote, 2n+1 give n and a literal quote, and
// "" inside quotes is a literal quote.
std::vector<std::string> SplitCommandLineArguments(const std::string& arguments);

// WinExec on the machine. The started program runs in its own session with
// stdin from /dev/null, in the host directory of the current directory,
// with BRIMWELL_MACHINE naming this machine. False with the last error set
// when nothing was started.
bool StartMachineProgram(const std::string& commandLine);
// The same, waiting up to timeoutMs (waitForever: as long as it takes) for
// the program to end, as Windows runs the RunOnce commands while it starts:
// the program's exit code. Empty with the last error set when nothing was
// started or the program is still running (errTimeout).
std::optional<uint32_t> RunMachineProgram(const std::string& commandLine,
                                          uint32_t timeoutMs = waitForever);

}  // namespace brim
