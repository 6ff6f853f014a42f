// The batch interpreter of the substitute machine.
#include "platform/posix/BatchInterpreter.h"

#include <cstdio>
#include <vector>

#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixSystem.h"

namespace brim {

namespace {

// The words of a command line: blanks separate, double quotes group and
// are dropped, as the command interpreter reads file arguments.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

bool HasWildcards(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return path.find_first_of("*?", slash == std::string::npos ? 0 : slash + 1) != std::string::npos;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

// The paths a path argument names: itself, or the entries matching its
// wildcards (only files when filesOnly).
std::vector<std::string> Expand(const std::string& path, bool filesOnly) {
  if (!HasWildcards(path)) return {path};
  std::vector<std::string> paths;
  std::string dir = DirectoryOf(path);
  for (const auto& entry : PlatformFiles().FindFiles(path))
    if (!filesOnly || !(entry.Attributes & attrDirectory)) paths.push_back(dir + entry.Name);
  return paths;
}

// The commands of one line as the command interpreter reads it: outside
// double quotes "&", "&&", "||" and "|" separate commands and "^" takes the
// next character as it is; inside them every character is the path's own.
std::vector<std::string> Commands(const std::string& line) {
  std::vector<std::string> commands(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '^' && i + 1 < line.size()) {
      commands.back() += line[++i];
    } else if (!quoted && (c == '&' || c == '|')) {
      if (i + 1 < line.size() && line[i + 1] == c) ++i;
      commands.emplace_back();
    } else {
      commands.back() += c;
    }
  }
  return commands;
}

class TBatchRun {
 public:
  explicit TBatchRun(std::string script) : script_(std::move(script)) {}

  void Run(const std::string& text) {
    for (const std::string& line : SplitLines(text)) {
      ++lineNumber_;
      for (const std::string& command : Commands(line))
        if (!Execute(command)) return;
    }
  }

 private:
  // One line; false ends the script.
  bool Execute(const std::string& rawLine) {
    std::string line = Trim(rawLine);
    while (!line.empty() && line[0] == '@') line = Trim(line.substr(1));
    if (line.empty() || line.starts_with("::")) return true;
    size_t end = line.find_first_of(" \t");
    std::string command = UpperCase(line.substr(0, end));
    std::string rest = end == std::string::npos ? "" : Trim(line.substr(end));
    std::vector<std::string> args, switches;
    for (auto& word : Words(rest)) (word.starts_with("/") ? switches : args).push_back(word);

    if (command == "REM" || command == "CLS" || command == "ECHO" || command == "ECHO." ||
        command == "PAUSE")
      return true;
    if (command == "EXIT") return false;
    if (command == "ERASE" || command == "DEL") {
      for (const auto& path : args) Erase(path);
    } else if (command == "MOVE") {
      bool replace = false;
      for (const auto& s : switches) {
        if (SameText(s, "/Y")) replace = true;
        if (SameText(s, "/-Y")) replace = false;
      }
      if (args.size() != 2)
        Report("the command \"" + line + "\" needs a source and a target");
      else
        Move(args[0], args[1], replace);
    } else if (command == "DELTREE") {
      for (const auto& path : args)
        for (const auto& p : Expand(path, false))
          if (!RemoveMachineTree(p)) Report("cannot remove " + p + ": " + LastErrorText());
    } else {
      Report("skipped the command the substitute machine does not run: " + line);
    }
    return true;
  }

  void Erase(const std::string& path) {
    IFileService& files = PlatformFiles();
    std::vector<std::string> paths = Expand(path, true);
    if (paths.empty()) {
      Report("Could Not Find " + path);
      return;
    }
    for (const auto& p : paths) {
      auto attributes = files.GetAttributes(p);
      if (!attributes) {
        Report("Could Not Find " + p);
      } else if (*attributes & attrDirectory) {
        // ERASE of a directory erases the files in it.
        for (const auto& file : Expand(JoinPath(p, "*"), true))
          if (!files.DeleteFile(file)) Report("cannot erase " + file + ": " + LastErrorText());
      } else if (!files.DeleteFile(p)) {
        Report("cannot erase " + p + ": " + LastErrorText());
      }
    }
  }

  void Move(const std::string& from, const std::string& to, bool replace) {
    IFileService& files = PlatformFiles();
    auto target = files.GetAttributes(to);
    bool intoDirectory = target && (*target & attrDirectory);
    std::vector<std::string> sources = Expand(from, false);
    if (sources.empty()) Report("cannot move " + from + ": " + LastErrorText());
    for (const auto& source : sources) {
      std::string destination = to;
      if (intoDirectory) {
        auto full = ResolveMachinePath(source);
        destination = JoinPath(to, full ? full->Name : source);
      }
      if (!MoveMachineFile(source, destination, replace))
        Report("cannot move " + source + " to " + destination + ": " + LastErrorText());
    }
  }

  std::string LastErrorText() { return PlatformSystem().ErrorMessage(MachineLastError()); }

  void Report(const std::string& what) {
    std::string report = script_ + " (line " + std::to_string(lineNumber_) + "): " + what + "\n";
    std::fputs(report.c_str(), stderr);
    std::fflush(stderr);
  }

  std::string script_;
  int lineNumber_ = 0;
};

}  // namespace

bool RunBatchScript(const std::string& windowsPath) {
  auto p = ResolveMachinePath(windowsPath);
  if (!p) return false;
  if (!p->Exists || p->IsDirectory) return FailWith(errFileNotFound);
  // The whole file is read first: the script may erase itself on its last line.
  auto text = ReadHostFile(p->Host);
  if (!text) return FailWith(errAccessDenied);
  TBatchRun(windowsPath).Run(*text);
  return true;
}

}  // namespace brim
