// Scratch places for the platform tests, on either backend.
#include "platform/PlatformTest.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <process.h>

#include "platform/win32/Win32Api.h"
#else
#include <unistd.h>

#include "platform/posix/MachinePaths.h"
#include "platform/posix/SubstituteMachine.h"
#endif

namespace brim::test {

namespace {

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

std::string NextScratchName() {
  static std::atomic<int> counter{0};
  return "brimtest-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter);
}

// A form a test shows without a front end of its own is answered as an
// unattended run answers it, never by waiting for a person at a terminal
// or a window.
class TestUserInterfaceEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv("BRIMWELL_UI")) return;
#ifdef _WIN32
    _putenv_s("BRIMWELL_UI", "auto");
#else
    setenv("BRIMWELL_UI", "auto", 1);
#endif
  }
};

[[maybe_unused]] ::testing::Environment* const kUserInterfaceEnvironment =
    ::testing::AddGlobalTestEnvironment(new TestUserInterfaceEnvironment);

#ifndef _WIN32
// Every platform call of the test program lands in a machine of its own,
// never in the developer's default machine.
class TestMachineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string base = (std::filesystem::temp_directory_path() / ("brimwell-tests-" + std::to_string(ProcessId()))).string();
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    base_ = base;
    setenv("BRIMWELL_MACHINE", (base + "/default").c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(base_, ec);
  }
  static std::string Base() { return base_; }

 private:
  static inline std::string base_;
};

[[maybe_unused]] ::testing::Environment* const kMachineEnvironment =
    ::testing::AddGlobalTestEnvironment(new TestMachineEnvironment);
#endif

}  // namespace

void PlatformTest::SetUp() {
  std::string name = NextScratchName();
#ifdef _WIN32
  auto temp = PlatformFiles().TempDirectory();
  ASSERT_TRUE(temp.has_value());
  Scratch = *temp + name;
#else
  TSubstituteMachine::Use(TestMachineEnvironment::Base() + "/" + name);
  Scratch = "C:\\" + name;
#endif
  ASSERT_TRUE(PlatformFiles().CreateDirectory(Scratch)) << "cannot create " << Scratch;
  ScratchKey = "Software\\BrimwellTests\\" + name;
}

void PlatformTest::TearDown() {
  RemoveKeyTree(TRegRoot::CurrentUser, ScratchKey);
  RemoveKeyTree(TRegRoot::LocalMachine, ScratchKey);
  if (!Scratch.empty()) RemoveTree(Scratch);
#ifndef _WIN32
  std::error_code ec;
  std::filesystem::remove_all(TSubstituteMachine::Current().Root(), ec);
  TSubstituteMachine::Use(TestMachineEnvironment::Base() + "/default");
#endif
}

void PlatformTest::WriteFile(const std::string& path, const std::string& data) {
  auto file = PlatformFiles().Open(path, accWrite, shareNone, TFileCreation::CreateAlways);
  ASSERT_TRUE(file) << "cannot create " << path << ": error " << PlatformSystem().LastError();
  uint32_t done = 0;
  ASSERT_TRUE(file->Write(data.data(), static_cast<uint32_t>(data.size()), done));
  ASSERT_EQ(done, data.size());
}

std::optional<std::string> PlatformTest::ReadFile(const std::string& path) {
  auto file = PlatformFiles().Open(path, accRead, shareRead, TFileCreation::OpenExisting);
  if (!file) return std::nullopt;
  std::string data;
  char buffer[4096];
  uint32_t done = 0;
  while (file->Read(buffer, sizeof buffer, done) && done > 0) data.append(buffer, done);
  return data;
}

bool PlatformTest::Exists(const std::string& path) {
  return PlatformFiles().GetAttributes(path).has_value();
}

bool PlantLink(const std::string& link, const std::string& target, bool directory) {
#ifdef _WIN32
  // Newer than the Windows the build targets: looked up where it exists.
  using TCreateLink = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
  auto create = reinterpret_cast<TCreateLink>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
  // Wine answers the call without making a link.
  return create && create(link.c_str(), target.c_str(), directory ? 1 : 0) &&
         ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  auto from = ResolveMachinePath(link);
  auto to = ResolveMachinePath(target);
  return from && to && ::symlink(to->Host.c_str(), from->Host.c_str()) == 0;
#endif
}

bool RemoveTree(const std::string& path) {
  auto& files = PlatformFiles();
  auto attrs = files.GetAttributes(path);
  if (!attrs) return true;
  if (*attrs & attrDirectory) {
    for (const auto& entry : files.FindFiles(path + "\\*")) RemoveTree(path + "\\" + entry.Name);
    return files.RemoveDirectory(path);
  }
  files.SetAttributes(path, attrNormal);
  return files.DeleteFile(path);
}

void RemoveKeyTree(TRegRoot root, const std::string& path) {
  auto& registry = PlatformRegistry();
  if (auto key = registry.OpenKey(root, path, TRegAccess::Read)) {
    auto names = key->SubKeyNames();
    key.reset();
    for (const auto& name : names) RemoveKeyTree(root, path + "\\" + name);
  }
  registry.DeleteKey(root, path);
}

}  // namespace brim::test
