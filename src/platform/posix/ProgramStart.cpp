// WinExec on the substitute machine.
#include "platform/posix/ProgramStart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <optional>

#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "platform/posix/BatchInterpreter.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixCom.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SubstituteMachine.h"

extern char** environ;

namespace brim {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasExtension(const std::string& name) {
  size_t slash = name.find_last_of("\\/:");
  size_t dot = name.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::optional<TMachinePath> FindFile(const std::string& path) {
  auto p = ResolveMachinePath(path);
  if (p && p->Exists && !p->IsDirectory) return p;
  return std::nullopt;
}

// The program file a name reaches: the name as given, then with ".exe"
// when it has no extension; a bare name is looked for in the current,
// system and Windows directories, in that order.
std::optional<TMachinePath> FindProgram(const std::string& name) {
  std::vector<std::string> spellings{name};
  if (!HasExtension(name)) spellings.push_back(name + ".exe");
  std::vector<std::string> places;
  if (name.find_first_of("\\/:") != std::string::npos) {
    places.push_back("");
  } else {
    const TSubstituteMachine& machine = TSubstituteMachine::Current();
    places = {MachineCurrentDirectory(), machine.SystemDirectory(), machine.WindowsDirectory()};
  }
  for (const auto& place : places)
    for (const auto& spelling : spellings)
      if (auto found = FindFile(place.empty() ? spelling : JoinPath(place, spelling))) return found;
  return std::nullopt;
}

enum class TProgramKind { Batch, Host, NotRunnable };

TProgramKind KindOf(const TMachinePath& program) {
  std::string upper = UpperCase(program.Name);
  if (upper.ends_with(".BAT") || upper.ends_with(".CMD")) return TProgramKind::Batch;
  char head[4] = {};
  int fd = ::open(program.Host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return TProgramKind::NotRunnable;
  ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  bool elf = n == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F';
  bool script = n >= 2 && head[0] == '#' && head[1] == '!';
  if ((elf || script) && ::access(program.Host.c_str(), X_OK) == 0) return TProgramKind::Host;
  // On Windows a program file needs no permission to run: an ELF program
  // written by the machine (extracted, downloaded) gets its execute bits.
  struct stat st {};
  if (elf && ::stat(program.Host.c_str(), &st) == 0 &&
      ::chmod(program.Host.c_str(), (st.st_mode & 07777) | ((st.st_mode & 0444) >> 2)) == 0 &&
      ::access(program.Host.c_str(), X_OK) == 0)
    return TProgramKind::Host;
  return TProgramKind::NotRunnable;
}

// No program, or no exit code: the last error says why.
std::optional<uint32_t> Refused(uint32_t code) {
  SetMachineLastError(code);
  return std::nullopt;
}

// Waits up to timeoutMs for a child to end: its exit status, or empty when
// it is still running then.
std::optional<int> WaitForChild(pid_t child, uint32_t timeoutMs) {
  int status = 0;
  if (timeoutMs == waitForever) {
    while (::waitpid(child, &status, 0) < 0)
      if (errno != EINTR) return 0;
    return status;
  }
  timespec start{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return status;
    if (done < 0 && errno != EINTR) return 0;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    int64_t elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
    if (elapsed >= timeoutMs) return std::nullopt;
    timespec pause{0, 2 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
}

// Starts a host program. Not waiting, it is started detached (a double
// fork: the program is nobody's child here and never becomes a zombie);
// waiting, the child itself becomes the program, so its end is seen. An
// exec failure comes back through a close-on-exec pipe, so the caller
// learns whether it started. The exit code of a waited program; 0 for one
// that was not waited for.
std::optional<uint32_t> Spawn(const std::string& hostPath, const std::vector<std::string>& arguments,
                              bool wait, uint32_t timeoutMs) {
  // Everything the child needs is made before fork: after it, only calls
  // that are safe in a forked child of a threaded process are made.
  std::vector<std::string> argStrings{hostPath};
  argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings;
  for (char** e = environ; e && *e; ++e)
    if (!std::string(*e).starts_with("BRIMWELL_MACHINE=")) envStrings.emplace_back(*e);
  envStrings.push_back("BRIMWELL_MACHINE=" + TSubstituteMachine::Current().Root());
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string workDir;
  if (auto cwd = ResolveMachinePath(MachineCurrentDirectory()); cwd && cwd->IsDirectory)
    workDir = cwd->Host;

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return Refused(WindowsErrorOfErrno(errno));
  pid_t child = ::fork();
  if (child < 0) {
    int error = errno;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return Refused(WindowsErrorOfErrno(error));
  }
  if (child == 0) {
    ::setsid();
    pid_t grandchild = wait ? 0 : ::fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    ::close(pipeFds[0]);
    int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
      ::dup2(null, 0);
      if (null != 0) ::close(null);
    }
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) {
      // The program still starts, in the directory the setup runs in.
    }
    ::execve(hostPath.c_str(), argv.data(), envp.data());
    int error = errno;
    ssize_t ignored = ::write(pipeFds[1], &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  ::close(pipeFds[1]);
  // The pipe ends at the exec (or carries its failure), before the program ends.
  int error = 0;
  ssize_t n;
  while ((n = ::read(pipeFds[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(pipeFds[0]);
  if (n == static_cast<ssize_t>(sizeof error)) {
    WaitForChild(child, waitForever);
    return Refused(WindowsErrorOfErrno(error));
  }
  std::optional<int> status = WaitForChild(child, wait ? timeoutMs : waitForever);
  // A program still running is left to run, as on Windows.
  if (!status) return Refused(errTimeout);
  if (!wait) {
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return Refused(errGenFailure);
    SetMachineLastError(errSuccess);
    return 0;
  }
  SetMachineLastError(errSuccess);
  // A program ended by a signal gives 128 and the signal's number, as a shell reports it.
  return WIFEXITED(*status) ? WEXITSTATUS(*status) : 128 + WTERMSIG(*status);
}

}  // namespace

std::vector<std::string> SplitCommandLineArguments(const std::string& s) {
  std::vector<std::string> args;
  size_t i = 0, n = s.size();
  for (;;) {
    while (i < n && IsBlank(s[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(s[i]))) {
      if (s[i] == '\\') {
        size_t count = 0;
        while (i < n && s[i] == '\\') ++count, ++i;
        if (i < n && s[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
      } else if (s[i] == '"') {
        if (quoted && i + 1 < n && s[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += s[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

namespace {

std::optional<uint32_t> RunProgram(const std::string& commandLine, bool wait, uint32_t timeoutMs) {
  size_t start = 0;
  while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
  std::string line = commandLine.substr(start);
  if (line.empty()) return Refused(errFileNotFound);

  // The program: up to the closing quote, or, unquoted, the shortest run up
  // to a blank that names a file (CreateProcess tries "C:\Program", then
  // "C:\Program Files\App\app.exe").
  std::optional<TMachinePath> program;
  std::string rest;
  if (line[0] == '"') {
    size_t close = line.find('"', 1);
    std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    rest = close == std::string::npos ? "" : line.substr(close + 1);
    program = FindProgram(name);
  } else {
    for (size_t end = 0; end <= line.size() && !program; ++end) {
      if (end < line.size() && !IsBlank(line[end])) continue;
      program = FindProgram(line.substr(0, end));
      rest = end < line.size() ? line.substr(end) : "";
    }
  }
  if (!program) return Refused(errFileNotFound);

  switch (KindOf(*program)) {
    case TProgramKind::Batch:
      // The interpreter runs the whole file at once: it has ended, well.
      RunBatchScript(program->Windows.Text());
      SetMachineLastError(errSuccess);
      return 0;
    case TProgramKind::Host:
      return Spawn(program->Host, SplitCommandLineArguments(rest), wait, timeoutMs);
    default: break;
  }
  // A Windows server program cannot run here; asked only to register or
  // unregister itself, the machine records what it would have done.
  std::vector<std::string> arguments = SplitCommandLineArguments(rest);
  if (arguments.size() == 1) {
    std::string option = UpperCase(arguments[0]);
    if (option == "/REGSERVER" || option == "/UNREGSERVER") {
      if (!RegisterServerProgram(program->Windows.Text(), program->Host, option == "/UNREGSERVER"))
        return std::nullopt;
      return 0;
    }
  }
  return Refused(errBadExeFormat);
}

}  // namespace

bool StartMachineProgram(const std::string& commandLine) {
  return RunProgram(commandLine, false, waitForever).has_value();
}

std::optional<uint32_t> RunMachineProgram(const std::string& commandLine, uint32_t timeoutMs) {
  return RunProgram(commandLine, true, timeoutMs);
}

}  // namespace brim
