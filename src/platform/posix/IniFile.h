// An INI file held in memory: sections of key=value lines, looked up without
// regard to case as GetPrivateProfileString does, written back in the order
// read. The substitute machine keeps its own facts in one ("machine.ini") and
// serves the profile-string calls and WININIT.INI with it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brim {

class TIniFile {
 public:
  struct TSection {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Entries;
  };

  static TIniFile Parse(const std::string& text);
  std::string Text() const;

  std::optional<std::string> Read(const std::string& section, const std::string& key) const;
  // Replaces the first entry of that key, or appends one (and the section).
  void Write(const std::string& section, const std::string& key, const std::string& value);
  // Appends an entry even when the key exists (WININIT.INI may repeat "NUL").
  void Append(const std::string& section, const std::string& key, const std::string& value);
  void EraseKey(const std::string& section, const std::string& key);
  void EraseSection(const std::string& section);
  const TSection* Section(const std::string& name) const;
  const std::vector<TSection>& Sections() const { return sections_; }

 private:
  TSection& SectionForWrite(const std::string& name);
  std::vector<TSection> sections_;
};

// Reads a whole host file; empty optional when it cannot be read.
std::optional<std::string> ReadHostFile(const std::string& hostPath);
// Writes a host file through a temporary file renamed over it, so a reader
// or a crash sees the old or the new content, never a part.
bool WriteHostFileAtomically(const std::string& hostPath, const std::string& data);

// For the tests of interrupted writes: WriteHostFileAtomically calls the
// hook before each part of kHostWritePart bytes it writes to the temporary
// file, with the bytes written so far, and once more before the rename,
// with all of them. When it returns false the write stops there and fails
// as on a full disk (ENOSPC); it may also end the process, as a kill would.
// An empty hook removes it.
using THostWriteHook =
    std::function<bool(const std::string& hostPath, size_t written, size_t total)>;
inline constexpr size_t kHostWritePart = 4096;
void SetHostWriteHook(THostWriteHook hook);

}  // namespace brim
