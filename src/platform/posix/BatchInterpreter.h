// The batch files of the substitute machine: a small interpreter of the
// commands the system writes into batch files, run at once, to its end:
//   erase PATH... / del PATH...   delete files (wildcards allowed)
//   move SOURCE TARGET            rename or move into a directory; an
//                                 existing target file is refused unless /Y
//   deltree /Y PATH...            remove files and directory trees
//   rem, ::, echo, @echo off, cls, blank lines: nothing to do; exit: stop
// Commands are case-insensitive, paths may be quoted and may be short 8.3
// paths. As in the command interpreter, "&", "&&", "||" and "|" outside
// quotes separate commands on one line and "^" escapes the next character.
// Other commands are skipped and reported on stderr, as are the failures of
// the commands above; the script goes on after either.
#pragma once

#include <string>

namespace brim {

// Runs the batch file at windowsPath. False, with the last error set, when
// the file cannot be read.
bool RunBatchScript(const std::string& windowsPath);

}  // namespace brim
