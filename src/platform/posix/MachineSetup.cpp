// Seeding a fresh substitute machine like a Windows installation of the
// chosen version: its directories and its facts.
#include <filesystem>

#include "common/exceptions_Brimwell.h"
#include "platform/posix/PosixRegistry.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace fs = std::filesystem;

namespace {

struct TWindowsFlavour {
  const char* Name;
  uint32_t Major, Minor, Build, Platform;
  const char* CSDVersion;
  const char* SystemDirectory;
};

const TWindowsFlavour& Flavour(TMachineWindows windows) {
  static const TWindowsFlavour nt{"nt", 6, 1, 7601, 2, "Service Pack 1", "C:\\WINDOWS\\system32"};
  static const TWindowsFlavour w95{"95", 4, 0, 950, 1, "", "C:\\WINDOWS\\SYSTEM"};
  static const TWindowsFlavour nt351{"nt351", 3, 51, 1057, 2, "Service Pack 5", "C:\\WINDOWS\\system32"};
  switch (windows) {
    case TMachineWindows::Windows95: return w95;
    case TMachineWindows::NT351: return nt351;
    default: return nt;
  }
}

void MakeDirectory(const fs::path& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) throw Exception("Cannot create the directory %s of the machine: %s", path.string(), ec.message());
}

// A Windows path of the machine's drive C: as a host directory to create.
void MakeMachineDirectory(const fs::path& root, const std::string& windowsPath) {
  std::string relative = windowsPath.substr(3);
  for (auto& c : relative)
    if (c == '\\') c = '/';
  MakeDirectory(root / "drive_c" / relative);
}

}  // namespace

void TSubstituteMachine::Initialize(const std::string& root, const TMachineOptions& options) {
  const TWindowsFlavour& f = Flavour(options.Windows);
  fs::path r(root);
  MakeDirectory(r);
  std::vector<std::string> stale = {"machine.ini", "shortnames.txt", "progman.txt"};
  for (const auto& hive : MachineHives()) stale.push_back(hive.FileName);
  for (const auto& file : stale) {
    std::error_code ec;
    fs::remove(r / file, ec);
  }
  for (const char* drive : {"drive_c", "drive_a"}) {
    std::error_code ec;
    fs::remove_all(r / drive, ec);
    if (ec) throw Exception("Cannot clear the drive %s of the machine: %s", (r / drive).string(), ec.message());
  }
  std::string system = f.SystemDirectory;
  for (const std::string& dir : {system, std::string("C:\\WINDOWS\\TEMP"), std::string("C:\\WINDOWS\\Fonts")})
    MakeMachineDirectory(r, dir);
  MakeDirectory(r / "drive_a");

  TIniFile facts;
  facts.Write("Machine", "Windows", f.Name);
  facts.Write("Machine", "Major", std::to_string(f.Major));
  facts.Write("Machine", "Minor", std::to_string(f.Minor));
  facts.Write("Machine", "Build", std::to_string(f.Build));
  facts.Write("Machine", "Platform", std::to_string(f.Platform));
  facts.Write("Machine", "CSDVersion", f.CSDVersion);
  facts.Write("Machine", "WindowsDirectory", "C:\\WINDOWS");
  facts.Write("Machine", "SystemDirectory", system);
  facts.Write("Machine", "TempDirectory", "C:\\WINDOWS\\TEMP");
  facts.Write("Machine", "Language", std::to_string(options.Language));
  facts.Write("Machine", "FloppyCapacity", "1457664");
  if (!WriteHostFileAtomically((r / "machine.ini").string(), facts.Text()))
    throw Exception("Cannot write the file %s", (r / "machine.ini").string());
  MakeCurrent(r.string());
  SeedRegistry(options);
}

namespace {

void SetText(TRegRoot root, const std::string& key, const std::string& name, const std::string& value) {
  auto opened = PlatformRegistry().CreateKey(root, key);
  if (!opened || !opened->WriteValue(name, TRegValue::Text(value)))
    throw Exception("Cannot seed the registry value %s of the key %s", name, key);
}

void MakeKey(TRegRoot root, const std::string& key) {
  if (!PlatformRegistry().CreateKey(root, key)) throw Exception("Cannot seed the registry key %s", key);
}

}  // namespace

// The registry and folders a fresh installation has: the program files
// folders and, where Explorer is the shell, the user's shell folders.
// Windows NT 3.5x has neither (Program Manager is its shell).
void TSubstituteMachine::SeedRegistry(const TMachineOptions& options) {
  const TWindowsFlavour& f = Flavour(options.Windows);
  fs::path root(Current().Root());
  const std::string windowsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  MakeKey(TRegRoot::LocalMachine, windowsKey + "\\RunOnce");
  MakeKey(TRegRoot::LocalMachine, "SOFTWARE\\Classes");
  MakeKey(TRegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager");
  MakeKey(TRegRoot::CurrentUser, "Software");
  if (f.Platform == 2) {
    const std::string ntKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    SetText(TRegRoot::LocalMachine, ntKey, "CurrentVersion", std::to_string(f.Major) + "." + std::to_string(f.Minor));
    SetText(TRegRoot::LocalMachine, ntKey, "CurrentBuildNumber", std::to_string(f.Build));
    SetText(TRegRoot::LocalMachine, ntKey, "SystemRoot", "C:\\WINDOWS");
  } else {
    SetText(TRegRoot::LocalMachine, windowsKey, "VersionNumber", "4.00.950");
  }
  if (options.Windows == TMachineWindows::NT351) return;

  const std::string programFiles = "C:\\Program Files";
  SetText(TRegRoot::LocalMachine, windowsKey, "ProgramFilesDir", programFiles);
  SetText(TRegRoot::LocalMachine, windowsKey, "CommonFilesDir", programFiles + "\\Common Files");
  MakeMachineDirectory(root, programFiles + "\\Common Files");

  const std::string profile = options.Windows == TMachineWindows::Windows95 ? "C:\\WINDOWS" : "C:\\users\\user";
  const std::string startMenu = profile + "\\Start Menu";
  const std::string shellFolders = windowsKey + "\\Explorer\\Shell Folders";
  const std::pair<const char*, std::string> folders[] = {
      {"Start Menu", startMenu},
      {"Programs", startMenu + "\\Programs"},
      {"Startup", startMenu + "\\Programs\\StartUp"},
      {"Desktop", profile + "\\Desktop"},
      {"Fonts", "C:\\WINDOWS\\Fonts"},
  };
  for (const auto& [name, path] : folders) {
    SetText(TRegRoot::CurrentUser, shellFolders, name, path);
    MakeMachineDirectory(root, path);
  }
}

}  // namespace brim
