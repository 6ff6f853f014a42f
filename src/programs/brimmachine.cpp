// brimmachine: the substitute machine of the posix build from the command
// line, so an author sees what a setup would do to a Windows computer.
//   brimmachine init DIR [--windows nt|95|nt351] [--lang LANGID]
//   brimmachine reboot DIR     apply the pending renames and WININIT.INI,
//                              then run and remove each RunOnce value
//   brimmachine reg DIR [KEY]  print the registry (or one key) as REGEDIT4
//   brimmachine tree DIR       list the files of the machine's drives
//   brimmachine links DIR      the shortcuts on its drives (.lnk, .url) and
//                              what each starts
//   brimmachine state DIR      the COM servers registered and the fonts
//                              loaded on the running system
//   brimmachine lock DIR PATH / unlock DIR PATH   mark a file in use or not
//   brimmachine groups DIR     the Program Manager groups and their items
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "platform/ComService.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/MachineLocks.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixCom.h"
#include "platform/posix/PosixFonts.h"
#include "platform/posix/PendingRenames.h"
#include "platform/posix/PosixRegistry.h"
#include "platform/posix/ProgramManagerEmulation.h"
#include "platform/posix/ProgramStart.h"
#include "platform/posix/RegistryHive.h"
#include "platform/posix/SubstituteMachine.h"

namespace {

using namespace brim;
namespace fs = std::filesystem;

int Usage() {
  std::cerr << "usage: brimmachine init DIR [--windows nt|95|nt351] [--lang LANGID]\n"
               "       brimmachine reboot DIR\n"
               "       brimmachine reg DIR [KEY]\n"
               "       brimmachine tree DIR\n"
               "       brimmachine links DIR\n"
               "       brimmachine state DIR\n"
               "       brimmachine lock DIR PATH\n"
               "       brimmachine unlock DIR PATH\n"
               "       brimmachine groups DIR\n";
  return 2;
}

int Init(const std::string& dir, const std::vector<std::string>& options) {
  TMachineOptions chosen;
  for (size_t i = 0; i < options.size(); ++i) {
    const std::string& option = options[i];
    if (i + 1 >= options.size()) throw Exception("The option %s needs a value", option);
    const std::string& value = options[++i];
    if (option == "--windows") {
      if (value == "nt")
        chosen.Windows = TMachineWindows::NT;
      else if (value == "95")
        chosen.Windows = TMachineWindows::Windows95;
      else if (value == "nt351")
        chosen.Windows = TMachineWindows::NT351;
      else
        throw Exception("Unknown Windows version %s (choose nt, 95 or nt351)", value);
    } else if (option == "--lang") {
      char* end = nullptr;
      unsigned long id = std::strtoul(value.c_str(), &end, 0);
      if (value.empty() || *end != '\0' || id == 0 || id > 0xFFFF)
        throw Exception("The language %s is not a Windows language identifier", value);
      chosen.Language = static_cast<uint16_t>(id);
    } else {
      throw Exception("Unknown option %s", option);
    }
  }
  TSubstituteMachine::Initialize(dir, chosen);
  return 0;
}

// The machine's files as Windows paths with their sizes and local dates,
// sorted as Explorer would show them.
void ListDrive(const fs::path& drive, const std::string& letter) {
  std::error_code ec;
  if (!fs::is_directory(drive, ec)) return;
  std::vector<std::pair<std::string, std::string>> lines;
  for (auto it = fs::recursive_directory_iterator(drive, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string relative = it->path().lexically_relative(drive).string();
    std::replace(relative.begin(), relative.end(), '/', '\\');
    std::string name = letter + "\\" + relative;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0) continue;
    char date[32];
    std::tm local {};
    localtime_r(&st.st_mtime, &local);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    if (S_ISDIR(st.st_mode))
      lines.emplace_back(name, name + "\\");
    else
      lines.emplace_back(name, name + "  " + std::to_string(st.st_size) + "  " + date);
  }
  std::sort(lines.begin(), lines.end(),
            [](const auto& a, const auto& b) { return CompareText(a.first, b.first) < 0; });
  for (const auto& line : lines) std::cout << line.second << "\n";
}

int Tree(const std::string& dir) {
  TSubstituteMachine& machine = TSubstituteMachine::Use(dir);
  ListDrive(fs::path(machine.Root()) / "drive_c", "C:");
  ListDrive(fs::path(machine.Root()) / "drive_a", "A:");
  return 0;
}

// Every shortcut on the machine's drives, by Windows path: a shell link's
// fields as the shell reads them, an internet shortcut's address. Fails
// when a link cannot be read, after listing the others.
int Links(const std::string& dir) {
  TSubstituteMachine& machine = TSubstituteMachine::Use(dir);
  std::vector<std::string> links;
  std::error_code ec;
  for (const auto& drive : fs::directory_iterator(machine.Root(), ec)) {
    std::string name = drive.path().filename().string();
    if (name.size() != 7 || name.rfind("drive_", 0) != 0 || !drive.is_directory(ec)) continue;
    for (auto it = fs::recursive_directory_iterator(drive.path(), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      std::string extension = it->path().extension().string();
      if (it->is_regular_file(ec) && (SameText(extension, ".lnk") || SameText(extension, ".url")))
        links.push_back(WindowsPathOfHost(it->path().string()));
    }
  }
  std::sort(links.begin(), links.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  int failures = 0;
  for (const std::string& path : links) {
    std::cout << path << "\n";
    if (SameText(path.substr(path.size() - 4), ".url")) {
      auto resolved = ResolveMachinePath(path);
      TIniFile shortcut = TIniFile::Parse(resolved ? ReadHostFile(resolved->Host).value_or("") : "");
      std::cout << "  URL: " << shortcut.Read("InternetShortcut", "URL").value_or("") << "\n";
      continue;
    }
    TShellLink link;
    TPlatformError result = NativeComService().LoadShellLink(path, link);
    if (result.Failed()) {
      std::cout << "  cannot be read: " << result.Describe() << "\n";
      ++failures;
      continue;
    }
    char hotKey[8];
    std::snprintf(hotKey, sizeof hotKey, "0x%04X", link.HotKey);
    std::cout << "  Target: " << link.Target << "\n"
              << "  Arguments: " << link.Arguments << "\n"
              << "  Working directory: " << link.WorkingDirectory << "\n"
              << "  Icon: " << link.IconPath << "," << link.IconIndex << "\n"
              << "  Show command: " << link.ShowCommand << "\n"
              << "  Hot key: " << hotKey << "\n";
  }
  return failures == 0 ? 0 : 1;
}

// The hive a key name starts with ("HKEY_LOCAL_MACHINE\\..." or "HKLM\\...")
// and the path below it.
std::pair<const TMachineHive*, std::string> SplitKeyName(const std::string& key) {
  static const std::pair<const char*, const char*> shortNames[] = {
      {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"}, {"HKU", "HKEY_USERS"},
      {"HKCC", "HKEY_CURRENT_CONFIG"}, {"HKDD", "HKEY_DYN_DATA"}, {"HKCR", "HKEY_CLASSES_ROOT"}};
  size_t slash = key.find('\\');
  std::string rootName = key.substr(0, slash);
  std::string below = slash == std::string::npos ? "" : key.substr(slash + 1);
  for (const auto& [abbreviation, full] : shortNames)
    if (SameText(rootName, abbreviation)) rootName = full;
  if (SameText(rootName, "HKEY_CLASSES_ROOT")) {
    rootName = "HKEY_LOCAL_MACHINE";
    below = below.empty() ? kClassesRootPath : std::string(kClassesRootPath) + "\\" + below;
  }
  for (const auto& hive : MachineHives())
    if (SameText(rootName, hive.RootName)) return {&hive, RemoveTrailingBackslash(below)};
  throw Exception("Unknown registry root %s", rootName);
}

// REGEDIT4 text of the whole registry, or of one key and its subkeys.
int Reg(const std::string& dir, const std::string& key) {
  TSubstituteMachine& machine = TSubstituteMachine::Use(dir);
  std::vector<const TMachineHive*> hives;
  std::string prefix;
  if (key.empty()) {
    for (const auto& hive : MachineHives()) hives.push_back(&hive);
  } else {
    auto [hive, below] = SplitKeyName(key);
    hives.push_back(hive);
    prefix = std::string("[") + hive->RootName + (below.empty() ? "" : "\\" + below);
  }
  std::cout << "REGEDIT4\r\n";
  for (const TMachineHive* hive : hives) {
    std::string text = TRegistryHive::Load(machine.HostFile(hive->FileName), hive->RootName).Text();
    // The text is "REGEDIT4", then one block a key, each ended by a blank line.
    size_t at = text.find("\r\n\r\n");
    while (at != std::string::npos && at + 4 < text.size()) {
      size_t start = at + 4, end = text.find("\r\n\r\n", start);
      std::string block = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      std::string header = block.substr(0, block.find("\r\n"));
      bool wanted = prefix.empty() ||
                    (header.size() >= prefix.size() && SameText(header.substr(0, prefix.size()), prefix) &&
                     (header[prefix.size()] == ']' || header[prefix.size()] == '\\'));
      if (wanted) std::cout << "\r\n" << block << "\r\n";
      at = end;
    }
  }
  return 0;
}

// What the running system holds beyond files and registry: the servers
// registered through their own entry point and the fonts loaded.
int State(const std::string& dir) {
  TSubstituteMachine::Use(dir);
  std::cout << "COM servers registered:\n";
  for (const std::string& server : RegisteredComServers()) std::cout << "  " << server << "\n";
  std::cout << "Fonts loaded:\n";
  for (const auto& [font, times] : LoadedFonts()) std::cout << "  " << font << "  (" << times << ")\n";
  std::cout << "Font change broadcasts: " << FontChangeBroadcasts() << "\n";
  return 0;
}

int Lock(const std::string& dir, const std::string& path, bool inUse) {
  TSubstituteMachine::Use(dir);
  if (!MarkFileInUse(path, inUse))
    throw Exception("Cannot %s the file %s", std::string(inUse ? "mark in use" : "release"), path);
  return 0;
}

// A Program Manager hot key: the key in the low byte, Shift (1), Ctrl (2)
// and Alt (4) in the high byte.
std::string HotKeyText(uint32_t hotKey) {
  if (hotKey == 0) return "none";
  std::string text;
  if (hotKey & 0x200) text += "Ctrl+";
  if (hotKey & 0x400) text += "Alt+";
  if (hotKey & 0x100) text += "Shift+";
  char key = static_cast<char>(hotKey & 0xFF);
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    text += key;
  } else {
    char code[16];
    std::snprintf(code, sizeof code, "key 0x%02X", static_cast<unsigned>(hotKey & 0xFF));
    text += code;
  }
  return text + " (" + std::to_string(hotKey) + ")";
}

// The groups that setups made through Program Manager, in the order they
// were made, each with its items as Program Manager keeps them.
int Groups(const std::string& dir) {
  TSubstituteMachine::Use(dir);
  TProgramManagerState state = LoadProgramManager();
  if (state.Groups.empty()) std::cout << "No Program Manager groups\n";
  for (const TProgramGroup& group : state.Groups) {
    std::cout << group.Name << "  (" << group.Items.size()
              << (group.Items.size() == 1 ? " item" : " items") << ", " << group.GroupFile << ")\n";
    for (const TProgramItem& item : group.Items) {
      std::cout << "  " << item.Name << "\n"
                << "    command line: " << item.CommandLine << "\n"
                << "    directory:    " << item.Directory << "\n"
                << "    icon:         " << item.IconPath << "," << item.IconIndex << "\n"
                << "    hot key:      " << HotKeyText(item.HotKey) << "\n";
      if (item.Minimized) std::cout << "    runs minimized\n";
    }
  }
  return 0;
}

// What Windows does while it starts: the renames that waited for the
// restart (no program holds a file yet), then each RunOnce command, its
// value removed before it runs so a failing command does not run again.
int Reboot(const std::string& dir) {
  TSubstituteMachine& machine = TSubstituteMachine::Use(dir);
  ClearFilesInUse();
  ApplyPendingRenames();
  ApplyWininitRenames();
  machine.SetFact("Machine", "RebootRequested", "");
  int failures = 0;
  for (TRegRoot root : {TRegRoot::LocalMachine, TRegRoot::CurrentUser}) {
    const std::string runOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    auto key = PlatformRegistry().OpenKey(root, runOnce, TRegAccess::All);
    if (!key) continue;
    for (const auto& name : key->ValueNames()) {
      auto value = key->ReadValue(name);
      key->DeleteValue(name);
      if (!value || (value->Type != TRegType::String && value->Type != TRegType::ExpandString)) continue;
      if (!RunMachineProgram(value->Data)) {
        std::cerr << "brimmachine: the RunOnce command " << name << " (" << value->Data
                  << ") failed: " << PlatformSystem().ErrorMessage(PlatformSystem().LastError()) << "\n";
        ++failures;
      }
    }
  }
  return failures == 0 ? 0 : 1;
}

// An existing machine (commands other than init never make one).
void RequireMachine(const std::string& dir) {
  if (!fs::exists(fs::path(dir) / "machine.ini"))
    throw Exception("%s is not a substitute machine (run brimmachine init first)", dir);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) return Usage();
  const std::string& command = args[0];
  const std::string& dir = args[1];
  try {
    if (command == "init") return Init(dir, {args.begin() + 2, args.end()});
    RequireMachine(dir);
    if (command == "tree" && args.size() == 2) return Tree(dir);
    if (command == "links" && args.size() == 2) return Links(dir);
    if (command == "state" && args.size() == 2) return State(dir);
    if (command == "reboot" && args.size() == 2) return Reboot(dir);
    if (command == "groups" && args.size() == 2) return Groups(dir);
    if (command == "reg" && args.size() <= 3) return Reg(dir, args.size() == 3 ? args[2] : "");
    if ((command == "lock" || command == "unlock") && args.size() == 3) return Lock(dir, args[2], command == "lock");
    return Usage();
  } catch (const std::exception& e) {
    std::cerr << "brimmachine: " << e.what() << "\n";
    return 1;
  }
}
