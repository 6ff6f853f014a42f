// The font table of the substitute machine, kept in machine.ini.
#include "platform/posix/PosixFonts.h"

#include "common/LittleEndian.h"
#include "common/routines_Strings.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

constexpr char kLoaded[] = "LoadedFonts";
constexpr char kChanges[] = "FontChanges";

TPlatformError Win32Error(uint32_t code) { return {TErrorDomain::Win32, code}; }

uint32_t BigEndian32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

int Number(const TIniFile& ini, const char* section, const std::string& key) {
  long long n = 0;
  auto text = ini.Read(section, key);
  return text && TryStrToInt64(*text, n) && n > 0 ? static_cast<int>(n) : 0;
}

// Changes one number of machine.ini under the machine lock: read, add
// delta, write (a number that reaches 0 is removed).
bool AddToFact(const char* section, const std::string& key, int delta) {
  TSubstituteMachine& machine = TSubstituteMachine::Current();
  TMachineLock lock(machine);
  if (!lock.Held()) return false;
  std::string file = machine.HostFile("machine.ini");
  TIniFile ini = TIniFile::Parse(ReadHostFile(file).value_or(""));
  int value = Number(ini, section, key) + delta;
  if (value > 0)
    ini.Write(section, key, std::to_string(value));
  else
    ini.EraseKey(section, key);
  return WriteHostFileAtomically(file, ini.Text());
}

// The fonts of a Windows bitmap font file (.fon): a 16-bit NE executable
// whose resource table holds RT_FONT resources; 0 when it is not one.
int FontsInNeFile(const std::string& bytes) {
  auto word = [&](size_t at) -> uint32_t {
    return at + 2 <= bytes.size() ? static_cast<uint32_t>(ReadLittleEndian(bytes.data() + at, 2)) : 0;
  };
  if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) return 0;
  size_t ne = static_cast<size_t>(ReadLittleEndian(bytes.data() + 0x3C, 4));
  if (ne + 0x40 > bytes.size() || bytes.compare(ne, 2, "NE") != 0) return 0;
  size_t at = ne + word(ne + 0x24) + 2;  // past the alignment shift
  constexpr uint32_t kFontType = 0x8008;  // RT_FONT, an integer type
  while (at + 8 <= bytes.size()) {
    uint32_t type = word(at), count = word(at + 2);
    if (type == 0) return 0;
    if (type == kFontType) return static_cast<int>(count);
    at += 8 + 12 * static_cast<size_t>(count);
  }
  return 0;
}

}  // namespace

int FontsInFile(const std::string& bytes) {
  if (int fonts = FontsInNeFile(bytes)) return fonts;
  if (bytes.size() < 12) return 0;
  uint32_t tag = BigEndian32(bytes, 0);
  if (tag == 0x00010000u || tag == 0x4F54544Fu /* OTTO */ || tag == 0x74727565u /* true */)
    return 1;
  if (tag == 0x74746366u /* ttcf */) {
    uint32_t fonts = BigEndian32(bytes, 8);
    return fonts > 0 && fonts <= (bytes.size() - 12) / 4 ? static_cast<int>(fonts) : 0;
  }
  return 0;
}

TPlatformError TPosixFontService::AddFontResource(const std::string& path, int& count) {
  count = 0;
  auto resolved = ResolveMachinePath(path);
  if (!resolved) return Win32Error(errPathNotFound);
  if (!resolved->Exists || resolved->IsDirectory) return Win32Error(errFileNotFound);
  auto bytes = ReadHostFile(resolved->Host);
  if (!bytes) return Win32Error(errAccessDenied);
  int fonts = FontsInFile(*bytes);
  if (fonts == 0) return Win32Error(errInvalidData);
  if (!AddToFact(kLoaded, resolved->Windows.Text(), 1)) return Win32Error(errAccessDenied);
  count = fonts;
  return {};
}

TPlatformError TPosixFontService::RemoveFontResource(const std::string& path) {
  auto resolved = ResolveMachinePath(path);
  std::string key = resolved ? resolved->Windows.Text() : path;
  if (Number(TSubstituteMachine::Current().Facts(), kLoaded, key) == 0)
    return Win32Error(errFileNotFound);
  if (!AddToFact(kLoaded, key, -1)) return Win32Error(errAccessDenied);
  return {};
}

TPlatformError TPosixFontService::BroadcastFontChange() {
  if (!AddToFact(kChanges, "Broadcasts", 1)) return Win32Error(errAccessDenied);
  return {};
}

std::map<std::string, int> LoadedFonts() {
  std::map<std::string, int> fonts;
  TIniFile ini = TSubstituteMachine::Current().Facts();
  if (const auto* section = ini.Section(kLoaded))
    for (const auto& [key, value] : section->Entries) fonts[key] = Number(ini, kLoaded, key);
  return fonts;
}

int FontChangeBroadcasts() {
  return Number(TSubstituteMachine::Current().Facts(), kChanges, "Broadcasts");
}

IFontService& NativeFontService() {
  static TPosixFontService service;
  return service;
}

}  // namespace brim
