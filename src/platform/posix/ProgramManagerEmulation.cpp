// Program Manager of the substitute machine: its command language, its
// replies and its groups file.
#include "platform/posix/ProgramManagerEmulation.h"

#include <algorithm>
#include <climits>

#include "common/routines_Strings.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

TProgramGroup* TProgramManagerState::Find(const std::string& name) {
  for (auto& group : Groups)
    if (SameText(group.Name, name)) return &group;
  return nullptr;
}

const TProgramGroup* TProgramManagerState::Find(const std::string& name) const {
  return const_cast<TProgramManagerState*>(this)->Find(name);
}

namespace {

constexpr char kGroupsFile[] = "progman.txt";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && IsBlank(s[first])) ++first;
  while (last > first && IsBlank(s[last - 1])) --last;
  return s.substr(first, last - first);
}

// One argument, from i up to the comma or closing parenthesis that ends it
// (i is left on that character). Quoted parts may hold anything but a
// quote; outside them brackets and parentheses are malformed. An argument
// that is one quoted text loses its quotes; any other keeps them, so a
// command line "C:\App\app.exe" -x stays as it was given.
std::optional<std::string> ParseArgument(const std::string& text, size_t& i) {
  std::string arg;
  while (i < text.size() && text[i] != ',' && text[i] != ')') {
    char c = text[i];
    if (c == '"') {
      size_t close = text.find('"', i + 1);
      if (close == std::string::npos) return std::nullopt;
      arg.append(text, i, close - i + 1);
      i = close + 1;
    } else if (c == '(' || c == '[' || c == ']') {
      return std::nullopt;
    } else {
      arg += c;
      ++i;
    }
  }
  if (i >= text.size()) return std::nullopt;
  arg = TrimBlanks(arg);
  if (arg.size() >= 2 && arg.front() == '"' && arg.find('"', 1) == arg.size() - 1)
    arg = arg.substr(1, arg.size() - 2);
  return arg;
}

// A number argument; empty arguments take fallback.
bool NumberArgument(const std::vector<std::string>& args, size_t index, int64_t fallback,
                    int64_t& value) {
  if (index >= args.size() || args[index].empty()) {
    value = fallback;
    return true;
  }
  long long n = 0;
  if (!TryStrToInt64(args[index], n) || n < INT32_MIN || n > UINT32_MAX) return false;
  value = n;
  return true;
}

// The group file Program Manager would make in the Windows directory: the
// name's first eight letters and digits, made unique among the groups.
std::string GroupFileFor(const TProgramManagerState& state, const std::string& name,
                         const std::string& windowsDirectory) {
  std::string base;
  for (char c : UpperCase(name))
    if (((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) && base.size() < 8) base += c;
  if (base.empty()) base = "GROUP";
  auto taken = [&](const std::string& file) {
    for (const auto& group : state.Groups)
      if (SameText(group.GroupFile, file)) return true;
    return false;
  };
  std::string file = JoinPath(windowsDirectory, base + ".GRP");
  for (int n = 1; taken(file); ++n) {
    std::string suffix = std::to_string(n);
    file = JoinPath(windowsDirectory, base.substr(0, 8 - suffix.size()) + suffix + ".GRP");
  }
  return file;
}

// The program a command line starts: its quoted start; unquoted, as
// Windows reads a path with blanks, the shortest run of words that names
// an existing file, or the first word when none does.
std::string ProgramOf(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t close = commandLine.find('"', 1);
    return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  for (size_t blank = commandLine.find(' '); blank != std::string::npos;
       blank = commandLine.find(' ', blank + 1)) {
    auto path = ResolveMachinePath(commandLine.substr(0, blank));
    if (path && path->Exists && !path->IsDirectory) return commandLine.substr(0, blank);
  }
  auto whole = ResolveMachinePath(commandLine);
  if (whole && whole->Exists) return commandLine;
  return commandLine.substr(0, commandLine.find(' '));
}

int FindItem(const TProgramGroup& group, const std::string& name) {
  for (size_t i = 0; i < group.Items.size(); ++i)
    if (SameText(group.Items[i].Name, name)) return static_cast<int>(i);
  return -1;
}

// AddItem(CmdLine[,Name[,IconPath[,IconIndex[,X,Y[,DefDir[,HotKey[,Minimize[,Separate]]]]]]]])
// into the active group, at the place of an item marked for replacement.
bool AddItem(TProgramManagerState& state, const std::vector<std::string>& args) {
  TProgramGroup* group = state.Find(state.ActiveGroup);
  if (!group || args.empty() || args.size() > 10 || args[0].empty()) return false;
  auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
  int64_t iconIndex, x, y, hotKey, minimized, separate;
  if (!NumberArgument(args, 3, 0, iconIndex) || !NumberArgument(args, 4, INT64_MIN, x) ||
      !NumberArgument(args, 5, INT64_MIN, y) || !NumberArgument(args, 7, 0, hotKey) ||
      !NumberArgument(args, 8, 0, minimized) || !NumberArgument(args, 9, 0, separate))
    return false;
  // A position is both coordinates or none.
  if ((x == INT64_MIN) != (y == INT64_MIN)) return false;
  TProgramItem item;
  item.CommandLine = args[0];
  item.Name = arg(1).empty() ? ChangeFileExt(ExtractFileName(ProgramOf(args[0])), "") : arg(1);
  item.IconPath = arg(2).empty() ? ProgramOf(args[0]) : arg(2);
  item.IconIndex = static_cast<int32_t>(iconIndex);
  item.Directory = arg(6);
  item.HotKey = static_cast<uint32_t>(hotKey);
  item.Minimized = minimized != 0;
  size_t at = group->Items.size();
  if (group->ReplaceAt) {
    at = std::min(*group->ReplaceAt, group->Items.size());
    if (x == INT64_MIN) x = group->ReplaceX, y = group->ReplaceY;
    group->ReplaceAt.reset();
  }
  if (x == INT64_MIN) {
    // Program Manager's arrangement: rows of five icons.
    x = 15 + 75 * static_cast<int64_t>(at % 5);
    y = 10 + 70 * static_cast<int64_t>(at / 5);
  }
  item.X = static_cast<int32_t>(x);
  item.Y = static_cast<int32_t>(y);
  group->Items.insert(group->Items.begin() + static_cast<ptrdiff_t>(at), item);
  return true;
}

bool Execute(TProgramManagerState& state, const TProgramManagerCommand& command,
             const std::string& windowsDirectory) {
  const auto& args = command.Arguments;
  const std::string& name = command.Name;
  if (SameText(name, "CreateGroup")) {
    // CreateGroup(GroupName[,GroupPath[,CommonGroupFlag]]): an existing
    // group is only made active.
    if (args.empty() || args.size() > 3 || args[0].empty()) return false;
    if (const TProgramGroup* existing = state.Find(args[0])) {
      state.ActiveGroup = existing->Name;
      return true;
    }
    TProgramGroup group;
    group.Name = args[0];
    group.GroupFile = args.size() >= 2 && !args[1].empty()
                          ? args[1]
                          : GroupFileFor(state, args[0], windowsDirectory);
    state.Groups.push_back(group);
    state.ActiveGroup = group.Name;
    return true;
  }
  if (SameText(name, "ShowGroup")) {
    // ShowGroup(GroupName,ShowCommand[,CommonGroupFlag])
    if (args.size() < 2 || args.size() > 3) return false;
    TProgramGroup* group = state.Find(args[0]);
    int64_t show = 0;
    if (!group || !NumberArgument(args, 1, 0, show) || show < 1 || show > 8) return false;
    group->ShowCommand = static_cast<int32_t>(show);
    state.ActiveGroup = group->Name;
    return true;
  }
  if (SameText(name, "AddItem")) return AddItem(state, args);
  if (SameText(name, "ReplaceItem") || SameText(name, "DeleteItem")) {
    TProgramGroup* group = state.Find(state.ActiveGroup);
    if (!group || args.size() != 1) return false;
    int index = FindItem(*group, args[0]);
    if (index < 0) return false;
    auto at = static_cast<size_t>(index);
    if (SameText(name, "ReplaceItem")) {
      group->ReplaceAt = at;
      group->ReplaceX = group->Items[at].X;
      group->ReplaceY = group->Items[at].Y;
    } else if (group->ReplaceAt && *group->ReplaceAt > at) {
      --*group->ReplaceAt;
    }
    group->Items.erase(group->Items.begin() + index);
    return true;
  }
  if (SameText(name, "DeleteGroup")) {
    // DeleteGroup(GroupName[,CommonGroupFlag])
    if (args.empty() || args.size() > 2) return false;
    for (auto it = state.Groups.begin(); it != state.Groups.end(); ++it)
      if (SameText(it->Name, args[0])) {
        if (SameText(state.ActiveGroup, it->Name)) state.ActiveGroup.clear();
        state.Groups.erase(it);
        return true;
      }
    return false;
  }
  return false;
}

// The groups file: one line a record, fields separated by tabs, with "%",
// tab, CR and LF written as %25, %09, %0D and %0A:
//   Active  name
//   Group   name  group-file  show-command  replace-at (or -)  x  y
//   Item    name  command-line  directory  icon-path  x  y  icon-index  hot-key  minimized
// Items belong to the group line above them.
std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      std::string code = s.substr(i + 1, 2);
      char c = code == "25"   ? '%'
               : code == "09" ? '\t'
               : code == "0D" ? '\r'
               : code == "0A" ? '\n'
                              : 0;
      if (c) {
        out += c;
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

std::string Record(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + Escape(fields[i]);
  return line + "\n";
}

int32_t Int(const std::string& s) {
  long long n = 0;
  return TryStrToInt64(s, n) ? static_cast<int32_t>(n) : 0;
}

std::string Serialize(const TProgramManagerState& state) {
  std::string text = "; Program Manager of the substitute machine\n";
  if (!state.ActiveGroup.empty()) text += Record({"Active", state.ActiveGroup});
  for (const auto& g : state.Groups) {
    text += Record({"Group", g.Name, g.GroupFile, std::to_string(g.ShowCommand),
                    g.ReplaceAt ? std::to_string(*g.ReplaceAt) : "-", std::to_string(g.ReplaceX),
                    std::to_string(g.ReplaceY)});
    for (const auto& i : g.Items)
      text += Record({"Item", i.Name, i.CommandLine, i.Directory, i.IconPath, std::to_string(i.X),
                      std::to_string(i.Y), std::to_string(i.IconIndex), std::to_string(i.HotKey),
                      i.Minimized ? "1" : "0"});
  }
  return text;
}

TProgramManagerState Deserialize(const std::string& text) {
  TProgramManagerState state;
  for (const std::string& line : SplitLines(text)) {
    std::vector<std::string> f = SplitText(line, '\t');
    for (auto& field : f) field = Unescape(field);
    if (f.size() == 2 && f[0] == "Active") {
      state.ActiveGroup = f[1];
    } else if (f.size() == 7 && f[0] == "Group") {
      TProgramGroup g;
      g.Name = f[1];
      g.GroupFile = f[2];
      g.ShowCommand = Int(f[3]);
      if (f[4] != "-") g.ReplaceAt = static_cast<size_t>(Int(f[4]));
      g.ReplaceX = Int(f[5]);
      g.ReplaceY = Int(f[6]);
      state.Groups.push_back(g);
    } else if (f.size() == 10 && f[0] == "Item" && !state.Groups.empty()) {
      TProgramItem i;
      i.Name = f[1];
      i.CommandLine = f[2];
      i.Directory = f[3];
      i.IconPath = f[4];
      i.X = Int(f[5]);
      i.Y = Int(f[6]);
      i.IconIndex = Int(f[7]);
      i.HotKey = static_cast<uint32_t>(Int(f[8]));
      i.Minimized = f[9] == "1";
      state.Groups.back().Items.push_back(i);
    }
  }
  return state;
}

}  // namespace

std::optional<std::vector<TProgramManagerCommand>> ParseProgramManagerCommands(
    const std::string& text) {
  std::vector<TProgramManagerCommand> commands;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  if (i >= text.size() || text[i] != '[') return std::nullopt;
  while (i < text.size() && text[i] == '[') {
    ++i;
    skipBlanks();
    TProgramManagerCommand command;
    size_t end = text.find_first_of(" \t,()[]\"", i);
    if (end == std::string::npos || end == i) return std::nullopt;
    command.Name = text.substr(i, end - i);
    i = end;
    skipBlanks();
    if (i < text.size() && text[i] == '(') {
      ++i;
      skipBlanks();
      if (i < text.size() && text[i] == ')') {
        ++i;
      } else {
        for (;;) {
          auto arg = ParseArgument(text, i);
          if (!arg) return std::nullopt;
          command.Arguments.push_back(*arg);
          if (text[i++] == ')') break;
        }
      }
      skipBlanks();
    }
    if (i >= text.size() || text[i] != ']') return std::nullopt;
    ++i;
    skipBlanks();
    commands.push_back(command);
  }
  if (i != text.size()) return std::nullopt;
  return commands;
}

bool ExecuteProgramManagerCommands(TProgramManagerState& state, const std::string& text,
                                   const std::string& windowsDirectory) {
  auto commands = ParseProgramManagerCommands(text);
  if (!commands) return false;
  TProgramManagerState changed = state;
  for (const auto& command : *commands)
    if (!Execute(changed, command, windowsDirectory)) return false;
  state = std::move(changed);
  return true;
}

std::optional<std::string> ProgramManagerReply(const TProgramManagerState& state,
                                               const std::string& item) {
  std::string reply;
  if (SameText(item, "Groups")) {
    for (const auto& group : state.Groups) reply += group.Name + "\r\n";
    return reply;
  }
  const TProgramGroup* group = state.Find(item);
  if (!group) return std::nullopt;
  reply = "\"" + group->Name + "\"," + group->GroupFile + "," +
          std::to_string(group->Items.size()) + "," + std::to_string(group->ShowCommand) + "\r\n";
  for (const auto& i : group->Items)
    reply += "\"" + i.Name + "\",\"" + i.CommandLine + "\"," + i.Directory + "," + i.IconPath +
             "," + std::to_string(i.X) + "," + std::to_string(i.Y) + "," +
             std::to_string(i.IconIndex) + "," + std::to_string(i.HotKey) + "," +
             (i.Minimized ? "1" : "0") + "\r\n";
  return reply;
}

TProgramManagerState LoadProgramManager() {
  const TSubstituteMachine& machine = TSubstituteMachine::Current();
  return Deserialize(ReadHostFile(machine.HostFile(kGroupsFile)).value_or(""));
}

bool ExecuteOnMachine(const std::string& text) {
  TSubstituteMachine& machine = TSubstituteMachine::Current();
  TMachineLock lock(machine);
  if (!lock.Held()) return false;
  TProgramManagerState state = LoadProgramManager();
  if (!ExecuteProgramManagerCommands(state, text, machine.WindowsDirectory())) return false;
  return WriteHostFileAtomically(machine.HostFile(kGroupsFile), Serialize(state));
}

}  // namespace brim
