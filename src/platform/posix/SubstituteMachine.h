// The substitute machine of the posix build: a directory that plays the
// Windows computer the system expects. Its layout:
//   machine.ini        the machine's facts: Windows version, directories,
//                      language, floppy capacity, files marked in use
//   HKLM.reg, HKCU.reg the registry hives, REGEDIT4 text (one file a root)
//   progman.txt        the groups of its Program Manager (ProgramManagerEmulation.h)
//   drive_c/           drive C:; drive_a/ is the floppy A:; Z: is the host's /
//   machine.lock       taken while a process changes the machine's files
// The process works on one machine at a time: the directory named by
// BRIMWELL_MACHINE (default ~/.local/share/brimwell/machine), created and
// seeded like a fresh Windows installation on first use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/IniFile.h"

namespace brim {

// What `brimmachine init` can choose.
enum class TMachineWindows { NT, Windows95, NT351 };

struct TMachineOptions {
  TMachineWindows Windows = TMachineWindows::NT;
  uint16_t Language = 0x0409;  // US English
};

class TSubstituteMachine {
 public:
  // The machine of this process, opened (and made, when missing) on first use.
  static TSubstituteMachine& Current();
  // Switches the process to the machine in root, making it when it has no
  // machine.ini yet. Tests and brimmachine use this.
  static TSubstituteMachine& Use(const std::string& root);
  // Seeds root as a fresh Windows installation (directories, registry,
  // facts) and makes it the machine of this process. An existing machine
  // there is replaced.
  static void Initialize(const std::string& root, const TMachineOptions& options);

  const std::string& Root() const { return root_; }
  // A file of the machine's own (machine.ini, HKLM.reg, ...), as a host path.
  std::string HostFile(const std::string& name) const { return root_ + "/" + name; }

  // The facts of machine.ini, read again whenever another process changed it.
  // The reference stays valid until the next call.
  const TIniFile& Facts() const;
  // Changes one fact under the machine lock; an empty value removes it.
  bool SetFact(const std::string& section, const std::string& key, const std::string& value);

  TOSVersion Version() const;
  std::string WindowsDirectory() const;
  std::string SystemDirectory() const;
  std::string TempDirectory() const;
  uint16_t Language() const;
  uint64_t FloppyCapacity() const;

 private:
  explicit TSubstituteMachine(std::string root) : root_(std::move(root)) {}
  static TSubstituteMachine& MakeCurrent(const std::string& root);
  static void SeedRegistry(const TMachineOptions& options);
  // What identifies one version of machine.ini.
  struct TFactsStamp {
    bool Valid = false;
    uint64_t Device = 0, Inode = 0;
    int64_t Size = 0, Seconds = 0, Nanoseconds = 0;
    bool operator==(const TFactsStamp&) const = default;
  };
  std::string root_;
  mutable std::string factsFile_;
  mutable TFactsStamp factsStamp_;
  mutable TIniFile facts_;
};

// Holds the machine's lock file exclusively (flock) while it lives, so two
// processes never interleave their changes to the registry or machine.ini.
class TMachineLock {
 public:
  explicit TMachineLock(const TSubstituteMachine& machine);
  ~TMachineLock();
  TMachineLock(const TMachineLock&) = delete;
  TMachineLock& operator=(const TMachineLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// A stamp that changes whenever a host file is replaced or rewritten (its
// inode, size and modification time); empty when the file is missing.
std::string HostFileStamp(const std::string& hostPath);

}  // namespace brim
