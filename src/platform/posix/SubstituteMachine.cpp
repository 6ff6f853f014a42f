// Opening, switching and describing the substitute machine.
#include "platform/posix/SubstituteMachine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"

namespace brim {

namespace fs = std::filesystem;

namespace {

std::unique_ptr<TSubstituteMachine>& CurrentMachine() {
  static std::unique_ptr<TSubstituteMachine> machine;
  return machine;
}

std::string DefaultRoot() {
  if (const char* env = std::getenv("BRIMWELL_MACHINE"); env && *env) return env;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/brimwell/machine";
}

}  // namespace

std::string HostFileStamp(const std::string& hostPath) {
  struct stat st {};
  if (::stat(hostPath.c_str(), &st) != 0) return "";
  return std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
         std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

TSubstituteMachine& TSubstituteMachine::Current() {
  if (!CurrentMachine()) return Use(DefaultRoot());
  return *CurrentMachine();
}

TSubstituteMachine& TSubstituteMachine::Use(const std::string& root) {
  std::error_code ec;
  fs::path absolute = fs::absolute(root, ec);
  std::string path = ec ? root : absolute.lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!fs::exists(path + "/machine.ini"))
    Initialize(path, TMachineOptions{});
  else
    MakeCurrent(path);
  return *CurrentMachine();
}

TSubstituteMachine& TSubstituteMachine::MakeCurrent(const std::string& root) {
  CurrentMachine().reset(new TSubstituteMachine(root));
  return *CurrentMachine();
}

const TIniFile& TSubstituteMachine::Facts() const {
  // Another process replaces the file (a new inode) or rewrites it (a new
  // size or time): either shows in one stat.
  if (factsFile_.empty()) factsFile_ = HostFile("machine.ini");
  struct stat st {};
  TFactsStamp stamp;
  if (::stat(factsFile_.c_str(), &st) == 0)
    stamp = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  if (!stamp.Valid || !(stamp == factsStamp_)) {
    facts_ = TIniFile::Parse(ReadHostFile(factsFile_).value_or(""));
    factsStamp_ = stamp;
  }
  return facts_;
}

bool TSubstituteMachine::SetFact(const std::string& section, const std::string& key,
                                 const std::string& value) {
  TMachineLock lock(*this);
  if (!lock.Held()) return false;
  std::string file = HostFile("machine.ini");
  TIniFile ini = TIniFile::Parse(ReadHostFile(file).value_or(""));
  if (value.empty())
    ini.EraseKey(section, key);
  else
    ini.Write(section, key, value);
  return WriteHostFileAtomically(file, ini.Text());
}

namespace {
uint32_t FactNumber(const TIniFile& facts, const char* key, uint32_t fallback) {
  long long n = 0;
  auto text = facts.Read("Machine", key);
  if (text && TryStrToInt64(*text, n) && n >= 0) return static_cast<uint32_t>(n);
  return fallback;
}
}  // namespace

TOSVersion TSubstituteMachine::Version() const {
  const TIniFile& facts = Facts();
  TOSVersion v;
  v.Major = FactNumber(facts, "Major", 6);
  v.Minor = FactNumber(facts, "Minor", 1);
  v.Build = FactNumber(facts, "Build", 7601);
  v.PlatformId = FactNumber(facts, "Platform", 2);
  v.CSDVersion = facts.Read("Machine", "CSDVersion").value_or("");
  return v;
}

std::string TSubstituteMachine::WindowsDirectory() const {
  return Facts().Read("Machine", "WindowsDirectory").value_or("C:\\WINDOWS");
}

std::string TSubstituteMachine::SystemDirectory() const {
  return Facts().Read("Machine", "SystemDirectory").value_or("C:\\WINDOWS\\system32");
}

std::string TSubstituteMachine::TempDirectory() const {
  return Facts().Read("Machine", "TempDirectory").value_or("C:\\WINDOWS\\TEMP");
}

uint16_t TSubstituteMachine::Language() const {
  return static_cast<uint16_t>(FactNumber(Facts(), "Language", 0x0409));
}

uint64_t TSubstituteMachine::FloppyCapacity() const {
  return FactNumber(Facts(), "FloppyCapacity", 1457664);
}

TMachineLock::TMachineLock(const TSubstituteMachine& machine) {
  fd_ = ::open(machine.HostFile("machine.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

TMachineLock::~TMachineLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the flock
}

}  // namespace brim
