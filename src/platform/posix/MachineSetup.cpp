// Seeding a fresh substitute machine like a Windows installation of the
// chosen version: its directories and its facts.
#include <filesystem>

#include "common/exceptions_Brimwell.h"
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

}  // namespace

void TSubstituteMachine::Initialize(const std::string& root, const TMachineOptions& options) {
  const TWindowsFlavour& f = Flavour(options.Windows);
  fs::path r(root);
  MakeDirectory(r);
  for (const char* stale : {"machine.ini", "HKLM.reg", "HKCU.reg", "HKU.reg", "HKCC.reg", "HKDD.reg"}) {
    std::error_code ec;
    fs::remove(r / stale, ec);
  }
  for (const char* drive : {"drive_c", "drive_a"}) {
    std::error_code ec;
    fs::remove_all(r / drive, ec);
    if (ec) throw Exception("Cannot clear the drive %s of the machine: %s", (r / drive).string(), ec.message());
  }
  std::string system = f.SystemDirectory;
  std::string systemHost = system.substr(3);
  for (auto& c : systemHost)
    if (c == '\\') c = '/';
  for (const std::string& dir : {std::string("WINDOWS"), systemHost, std::string("WINDOWS/TEMP"), std::string("WINDOWS/Fonts")})
    MakeDirectory(r / "drive_c" / dir);
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
}

}  // namespace brim
