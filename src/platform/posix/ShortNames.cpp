// Making, keeping and finding the 8.3 short names of the substitute machine.
#include "platform/posix/ShortNames.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <vector>

#include "common/routines_Strings.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

// Characters a short name may hold besides letters, digits and bytes of 128
// and above.
bool IsShortNameSymbol(unsigned char c) {
  static const std::string symbols = "$%'-_@~`!(){}^#&";
  return symbols.find(static_cast<char>(c)) != std::string::npos;
}

bool IsShortNameChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0x80 ||
         IsShortNameSymbol(c);
}

// One part of a long name (base or extension) as a short name spells it:
// upper case, blanks and dots dropped, "+,;=[]" turned into "_" as Windows
// does, characters no Windows name may hold dropped.
std::string ShortNamePart(const std::string& part) {
  std::string out;
  for (unsigned char c : part) {
    if (c >= 'a' && c <= 'z')
      out += static_cast<char>(c - 32);
    else if (IsShortNameChar(c))
      out += static_cast<char>(c);
    else if (std::string("+,;=[]").find(static_cast<char>(c)) != std::string::npos)
      out += '_';
  }
  return out;
}

bool Recordable(const std::string& text) {
  return text.find_first_of("\t\r\n") == std::string::npos;
}

bool HostEntryExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

struct TShortNameEntry {
  std::string Short, Dir, Long;  // Dir is an absolute host path
};

// The table of the current machine, read again whenever another process
// has rewritten it.
class TShortNameTable {
 public:
  void Refresh() {
    const TSubstituteMachine& machine = TSubstituteMachine::Current();
    std::string file = machine.HostFile("shortnames.txt");
    std::string stamp = HostFileStamp(file);
    if (machine.Root() == root_ && stamp == stamp_) return;
    root_ = machine.Root();
    stamp_ = stamp;
    entries_.clear();
    for (const std::string& line : SplitLines(ReadHostFile(file).value_or(""))) {
      size_t a = line.find('\t');
      size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
      if (b == std::string::npos) continue;
      std::string dir = line.substr(a + 1, b - a - 1);
      if (dir.empty() || dir[0] != '/') dir = root_ + "/" + dir;
      entries_.push_back({line.substr(0, a), dir, line.substr(b + 1)});
    }
  }

  const TShortNameEntry* Find(const std::string& dir, const std::string& name) const {
    for (const auto& e : entries_)
      if (e.Long == name && e.Dir == dir) return &e;
    return nullptr;
  }

  std::optional<std::string> FindLong(const std::string& dir, const std::string& shortName) const {
    for (const auto& e : entries_)
      if (e.Dir == dir && SameText(e.Short, shortName) && HostEntryExists(dir + "/" + e.Long))
        return e.Long;
    return std::nullopt;
  }

  // Gives each name of names that needs one and has none a short name, in
  // order, under the machine lock. False when the table cannot be written.
  bool Assign(const std::string& dir, const std::vector<std::string>& names) {
    TMachineLock lock(TSubstituteMachine::Current());
    if (!lock.Held()) return false;
    Refresh();
    std::vector<std::string> siblings = ListHostDirectory(dir);
    std::set<std::string> assigning(names.begin(), names.end());
    std::set<std::string> used;
    for (const auto& s : siblings)
      if (IsShortName(s)) used.insert(UpperCase(s));
    for (const auto& e : entries_)
      if (e.Dir == dir && !assigning.count(e.Long) && HostEntryExists(dir + "/" + e.Long))
        used.insert(UpperCase(e.Short));
    bool changed = false;
    for (const auto& name : names) {
      if (IsShortName(name) || !Recordable(name) || !Recordable(dir)) continue;
      // A name kept from before stays unless a sibling took it meanwhile.
      const TShortNameEntry* e = Find(dir, name);
      if (e && HostEntryExists(dir + "/" + name) && used.insert(UpperCase(e->Short)).second)
        continue;
      std::erase_if(entries_,
                    [&](const TShortNameEntry& x) { return x.Dir == dir && x.Long == name; });
      for (int n = 1; n < 1000000; ++n) {
        std::string candidate = MakeShortName(name, n);
        if (used.insert(UpperCase(candidate)).second) {
          entries_.push_back({candidate, dir, name});
          changed = true;
          break;
        }
      }
    }
    return !changed || Save();
  }

  // Rewrites the entries of a renamed host entry (see MoveShortNames).
  void Move(const std::string& oldPath, const std::string& newPath) {
    TMachineLock lock(TSubstituteMachine::Current());
    if (!lock.Held()) return;
    Refresh();
    bool changed = false;
    std::string oldPrefix = oldPath + "/";
    for (auto& e : entries_) {
      if (e.Dir == oldPath || e.Dir.starts_with(oldPrefix)) {
        e.Dir = newPath + e.Dir.substr(oldPath.size());
        changed = true;
      }
    }
    size_t before = entries_.size();
    std::erase_if(entries_,
                  [&](const TShortNameEntry& e) { return e.Dir + "/" + e.Long == oldPath; });
    if (changed || before != entries_.size()) Save();
  }

 private:
  // Writes the table, dropping the entries of files that are gone.
  bool Save() {
    std::erase_if(entries_,
                  [](const TShortNameEntry& e) { return !HostEntryExists(e.Dir + "/" + e.Long); });
    std::string text;
    std::string prefix = root_ + "/";
    for (const auto& e : entries_) {
      std::string dir = e.Dir.starts_with(prefix) ? e.Dir.substr(prefix.size()) : e.Dir;
      text += e.Short + "\t" + dir + "\t" + e.Long + "\n";
    }
    std::string file = TSubstituteMachine::Current().HostFile("shortnames.txt");
    if (!WriteHostFileAtomically(file, text)) return false;
    stamp_ = HostFileStamp(file);
    return true;
  }

  std::string root_, stamp_;
  std::vector<TShortNameEntry> entries_;
};

TShortNameTable& Table() {
  static TShortNameTable table;
  return table;
}

}  // namespace

bool IsShortName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  size_t dot = name.find('.');
  std::string base = name.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string::npos && ext.empty()) return false;
  for (unsigned char c : base + ext)
    if (!IsShortNameChar(c)) return false;
  return true;
}

std::string MakeShortName(const std::string& longName, int n) {
  std::string name = longName;
  size_t lead = name.find_first_not_of('.');
  name = lead == std::string::npos ? "" : name.substr(lead);
  size_t dot = name.rfind('.');
  std::string base = ShortNamePart(name.substr(0, dot));
  std::string ext = dot == std::string::npos ? "" : ShortNamePart(name.substr(dot + 1));
  if (base.empty()) base = "_";
  std::string tail = "~" + std::to_string(n);
  size_t keep = tail.size() >= 8 ? 1 : 8 - tail.size();
  if (keep > 6) keep = 6;
  std::string result = base.substr(0, keep) + tail;
  if (!ext.empty()) result += "." + ext.substr(0, 3);
  return result;
}

std::string ShortNameOf(const std::string& hostDir, const std::string& name) {
  if (IsShortName(name)) return name;
  TShortNameTable& table = Table();
  table.Refresh();
  if (const auto* e = table.Find(hostDir, name)) return e->Short;
  if (!table.Assign(hostDir, {name})) return "";
  if (const auto* e = table.Find(hostDir, name)) return e->Short;
  return MakeShortName(name, 1);  // a name the table cannot hold: made, not kept
}

std::optional<std::string> LongNameOfShort(const std::string& hostDir,
                                           const std::string& shortName) {
  if (!IsShortName(shortName) || shortName.find('~') == std::string::npos) return std::nullopt;
  TShortNameTable& table = Table();
  table.Refresh();
  if (auto name = table.FindLong(hostDir, shortName)) return name;
  std::vector<std::string> siblings = ListHostDirectory(hostDir);
  std::sort(siblings.begin(), siblings.end());
  std::vector<std::string> missing;
  for (const auto& s : siblings)
    if (!IsShortName(s) && !table.Find(hostDir, s)) missing.push_back(s);
  if (missing.empty() || !table.Assign(hostDir, missing)) return std::nullopt;
  return table.FindLong(hostDir, shortName);
}

void AssignShortName(const std::string& hostDir, const std::string& name) {
  if (IsShortName(name)) return;
  Table().Assign(hostDir, {name});
}

void AssignShortNames(const std::string& hostDir, const std::vector<std::string>& names) {
  TShortNameTable& table = Table();
  table.Refresh();
  std::vector<std::string> lacking;
  for (const auto& name : names)
    if (!IsShortName(name) && !table.Find(hostDir, name)) lacking.push_back(name);
  if (!lacking.empty()) table.Assign(hostDir, lacking);
}

void MoveShortNames(const std::string& oldPath, const std::string& newPath) {
  Table().Move(oldPath, newPath);
}

}  // namespace brim
