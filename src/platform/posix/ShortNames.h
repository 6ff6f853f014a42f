// The 8.3 short names of the substitute machine, made as Windows makes them
// ("Program Files" -> "PROGRA~1") and kept in the machine's table
// "shortnames.txt", so that a file keeps its short name across calls and
// processes and a path spelled with short names reaches it again.
// The table has one line per name: the short name, the file's directory
// (relative to the machine root when inside it, otherwise an absolute host
// path) and the long name, separated by tabs. It is rewritten whole, under
// the machine lock, through an atomic replace; entries whose file is gone
// are dropped then.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brim {

// True when name is a valid 8.3 name as it stands (in any case): such a
// name is its own short name.
bool IsShortName(const std::string& name);

// The short name Windows would make of longName with the number n
// ("Program Files", 1 -> "PROGRA~1"; "a long name.html", 2 -> "ALONGN~2.HTM").
std::string MakeShortName(const std::string& longName, int n);

// The short name of the entry name of the host directory hostDir: the name
// itself when it is a valid 8.3 name, otherwise the one in the table,
// assigning the next free one when it has none. Empty when none can be
// recorded (the table cannot be written).
std::string ShortNameOf(const std::string& hostDir, const std::string& name);

// The long name of the entry of hostDir whose short name is shortName, when
// one is known. Siblings that have no short name yet get theirs first, so a
// short path reaches files that were made outside the machine too.
std::optional<std::string> LongNameOfShort(const std::string& hostDir,
                                           const std::string& shortName);

// Gives a new entry its short name at once, as Windows does when a file is
// created, so names made one after another get ~1, ~2 in that order.
void AssignShortName(const std::string& hostDir, const std::string& name);
// The same for several entries of one directory, in the order given, with
// one write of the table.
void AssignShortNames(const std::string& hostDir, const std::vector<std::string>& names);

// After the host entry oldPath was renamed to newPath: the entries inside a
// moved directory follow it; the moved entry itself gets a fresh name.
void MoveShortNames(const std::string& oldPath, const std::string& newPath);

}  // namespace brim
