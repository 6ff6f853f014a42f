// The install log: what a setup or an uninstaller did, one line per event
// with its local time, in UTF-8, for the administrator who deployed it
// ("/log FILE"). It is a sink of the install session: the units report
// events (the command line, a phase, a file and its decision, a registry
// value, a shortcut, a font, a registration, an error with its cause, the
// exit code) and the log writes them; no unit formats a log line itself.
// While no log is open, reporting an event costs nothing and writes nothing.
#pragma once

#include <exception>
#include <memory>
#include <string>

namespace brim {

class IFile;

// What an event is about; its name starts the line after the time.
enum class TLogKind { Command, Phase, File, Registry, Shortcut, Font, Registration, Error, Exit, Info };

class TInstallLog {
 public:
  TInstallLog();
  ~TInstallLog();
  // Creates the file (replacing an old one) and makes it the log; false,
  // with the system's error left for LastError, when it cannot be created.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }
  // One line: "2026-12-08 09:30:12.345 file  C:\App\a.exe: written".
  // The text is in the ANSI code page; line breaks in it become blanks.
  void Write(TLogKind kind, const std::string& text);
  void Close();

 private:
  std::unique_ptr<IFile> file_;
  std::string path_;
};

// The current session's log.
TInstallLog& InstallLog();
// Writes an event to the current session's log when one is open.
void LogEvent(TLogKind kind, const std::string& text);
// An error as the user saw it, with the system's code when it carries one.
void LogError(const std::exception& error);

}  // namespace brim
