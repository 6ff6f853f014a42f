// The running program: its file, its resources and its arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brim {

class IModuleService {
 public:
  virtual ~IModuleService() = default;
  // The running program's own file (GetModuleFileNameA of the executable).
  virtual std::string ModuleFileName() = 0;
  // The bytes of an RT_RCDATA resource of the running program, by name.
  virtual std::optional<std::string> LoadResource(const std::string& name) = 0;
  // An RT_BITMAP resource of the running program, by name, as a complete
  // BMP file (the resource holds the bitmap without its file header).
  virtual std::optional<std::string> LoadBitmapResource(const std::string& name) = 0;
  // The command line the program was started with, as the system keeps it
  // (GetCommandLineA, the program first); empty where the system hands the
  // program its arguments already split (posix).
  virtual std::optional<std::string> CommandLine() = 0;
};

// The BMP file of a bitmap resource's bytes (a BITMAPINFOHEADER or
// BITMAPCOREHEADER, the colour table and the pixels): the 14-byte file
// header is put in front. Empty when the bytes are not a bitmap.
std::optional<std::string> BitmapFileOfResource(const std::string& resource);

// Makes the system directory the only place the running program's libraries
// named without a path come from (win32: SetDefaultDllDirectories), so a
// DLL planted beside the program never loads into it; nothing on posix.
// Every program calls it first.
void RestrictLibrarySearch();

// The running program's command-line arguments, without the program itself
// (ParamStr(1) is the first). The program's entry sets them; until then
// there are none.
void SetProgramArguments(std::vector<std::string> arguments);
const std::vector<std::string>& ProgramArguments();

// A command line split as the system's own programs split it: blanks
// (spaces and tabs) separate the arguments, double quotes group blanks into
// an argument and are removed, and a backslash is an ordinary character, so
// "-sA:\" "A:\SETUP.EXE" is the two arguments -sA:\ and A:\SETUP.EXE.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The arguments of the running program without the program itself: its
// command line split by SplitCommandLine where the system keeps one, else
// the arguments the C runtime passed (argv after the program).
std::vector<std::string> ProgramArgumentsOf(int argc, char** argv);

// The running program's command line as a log shows it: as the system
// keeps it, else the program's file followed by its arguments.
std::string ProgramCommandLineText();

// The rest of the command line from the first argument (after the program)
// that begins with prefix, letter case ignored, with that prefix taken off:
// as typed on the system's own command line, so its blanks stay, else the
// arguments from there joined by one blank. Quotes are dropped and blanks
// trimmed. None when no argument begins with prefix.
std::optional<std::string> CommandLineRestAfter(const std::string& prefix, int argc, char** argv);

}  // namespace brim
