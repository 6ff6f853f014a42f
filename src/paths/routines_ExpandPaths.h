// The folders of the target machine that path specifiers stand for, read
// from the shell folder keys of the registry each time they are asked
// (with fixed defaults when a key or value is missing), and the two text
// substitutions that put expanded paths into strings: the meta variables
// of shortcuts ("%p\App") and the "%p" of registry values.
#pragma once

#include <string>

#include "common/exceptions_Brimwell.h"

namespace brim {

class TInstallObject;

// A meta variable that needs a component or its container got none.
BRIM_EXCEPTION_CLASS(EAICannotExpandContainerDirMV, EAI);
// %i without an installation component.
BRIM_EXCEPTION_CLASS(EAICannotExpandInstallDirMV, EAI);

inline constexpr const char* ShellFoldersKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* WindowsCurrentVersionKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr const char* BDEKey = "\\Software\\Borland\\Database Engine";

// Each folder without its trailing backslash (one removed). A missing key
// or value, or one that cannot be read, gives the default; a value that
// exists but is empty stays empty.
std::string GetStartMenuFolder();     // default: the Windows directory + "Startmen"
std::string GetProgramsFolder();      // default: the Start Menu folder + "Programs"
std::string GetDesktopFolder();       // default: the Windows directory + "Desktop"
std::string GetStartupFolder();       // default: the Windows directory + "Startup"
std::string GetFontsFolder();         // default: the Windows system directory
std::string GetProgramFilesFolder();  // default: the current drive + "Program Files"
std::string GetCommonFilesFolder();   // default: the current drive + "Program Files\Common Files"

// The first directory of the Borland Database Engine's "DLLPath" (under
// HKEY_LOCAL_MACHINE); when that is missing or empty, the program files
// folder + "Borland\Common Files\BDE".
std::string GetBDEDLLFolder();

// The drive of a path: "C:" of "C:\dir", "\\server\share" of a UNC path,
// empty for a relative path.
std::string ExtractFileDrive(const std::string& path);

// Replaces the meta variables of a shortcut text: %a the destination of
// the link component, %c that of its container, %i that of the
// installation, %b %d %f %m %p %s %w the Programs, Desktop, Common files,
// Start Menu, Program files, system and Windows folders, %% a percent sign.
// Any other "%x" and a final "%" vanish.
std::string ExpandMetaVariables(const std::string& text, TInstallObject* linkComponent);

// Replaces "%p" (either case) by the path and "%%" by "%"; "%" with any
// other character gives that character; a final "%" vanishes.
std::string SubstitutePath(const std::string& text, const std::string& path);

}  // namespace brim
