// Program Manager of the substitute machine: the DDE server "PROGMAN" that a
// setup talks to on shells without a Start menu. It executes the command
// strings Program Manager takes ([CreateGroup(...)], [ShowGroup(...)],
// [AddItem(...)], [ReplaceItem(...)], [DeleteItem(...)], [DeleteGroup(...)],
// several in one string) and answers the requests "Groups" and a group's
// name in Program Manager's reply format.
//
// The groups are kept in progman.txt beside machine.ini, so a later program
// and brimmachine see them; like the real Program Manager the "active
// group" (the one AddItem, ReplaceItem and DeleteItem act on) and an item
// marked for replacement outlive a conversation. The groups stay Program
// Manager's own: no Start-menu folder is made for them, whichever Windows
// the machine plays, so what a setup made through DDE is kept apart from
// the shell folders its shell links go into.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brim {

struct TProgramItem {
  std::string Name;
  std::string CommandLine;
  std::string Directory;  // the default directory
  std::string IconPath;
  int32_t X = 0, Y = 0;
  int32_t IconIndex = 0;
  uint32_t HotKey = 0;
  bool Minimized = false;
};

struct TProgramGroup {
  std::string Name;
  std::string GroupFile;  // the group file Program Manager names in its reply
  int32_t ShowCommand = 1;
  std::vector<TProgramItem> Items;
  // Where the item that ReplaceItem took out was, for the next AddItem.
  std::optional<size_t> ReplaceAt;
  int32_t ReplaceX = 0, ReplaceY = 0;
};

struct TProgramManagerState {
  std::vector<TProgramGroup> Groups;  // in the order they were made
  std::string ActiveGroup;            // empty when none

  TProgramGroup* Find(const std::string& name);
  const TProgramGroup* Find(const std::string& name) const;
};

// One command of a command string: its name and its arguments, a quoted
// argument without its quotes.
struct TProgramManagerCommand {
  std::string Name;
  std::vector<std::string> Arguments;
};

// Takes a command string apart: "[Name(arg,"quoted, arg")][Other]". Empty
// when it is malformed (text outside brackets, an unclosed quote or
// bracket, a bracket or parenthesis inside an unquoted argument).
std::optional<std::vector<TProgramManagerCommand>> ParseProgramManagerCommands(
    const std::string& text);

// Carries out the commands of a command string on state, all or none:
// false when the string is malformed or a command is refused (an unknown
// command, group or item, a missing or non-numeric argument), state then
// unchanged. New groups get their group file in windowsDirectory.
bool ExecuteProgramManagerCommands(TProgramManagerState& state, const std::string& text,
                                   const std::string& windowsDirectory);

// The reply to a request: "Groups" gives the group names, each ended by
// CR LF; a group's name (in any letter case) gives the group line
// "Name",group-file,item-count,show-command and one line an item
// "Name","command line",directory,icon-path,x,y,icon-index,hot-key,minimized
// each ended by CR LF. Empty for any other item.
std::optional<std::string> ProgramManagerReply(const TProgramManagerState& state,
                                               const std::string& item);

// The machine's Program Manager, in progman.txt of the current substitute
// machine. Execute holds the machine lock while it reads, changes and
// writes the file; false when refused or the file cannot be written.
TProgramManagerState LoadProgramManager();
bool ExecuteOnMachine(const std::string& text);

}  // namespace brim
