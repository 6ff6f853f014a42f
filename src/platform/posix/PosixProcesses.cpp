// IProcessService of the posix build: programs on the substitute machine
// (see ProgramStart.h) and its batch interpreter.
#include "platform/NativeServices.h"
#include "platform/posix/BatchInterpreter.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/ProgramStart.h"

namespace brim {

namespace {

class TPosixProcesses : public IProcessService {
 public:
  bool StartProgram(const std::string& commandLine, TShowWindow show) override {
    return StartMachineProgram(commandLine);
  }

  std::optional<uint32_t> RunProgram(const std::string& commandLine, TShowWindow show,
                                     uint32_t timeoutMs) override {
    return RunMachineProgram(commandLine, timeoutMs);
  }

  bool RunBatchFile(const std::string& path, TShowWindow show) override {
    auto resolved = ResolveMachinePath(path);
    if (!resolved) return false;
    if (!resolved->Exists) return FailWith(errFileNotFound);
    RunBatchScript(path);
    return true;
  }
};

}  // namespace

IProcessService& NativeProcesses() {
  static TPosixProcesses processes;
  return processes;
}

}  // namespace brim
