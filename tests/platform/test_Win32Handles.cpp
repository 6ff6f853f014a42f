// The owning handles of the win32 backend: a handle left open keeps a file
// locked against the user (and the setup itself) until the program ends; one
// closed twice can close a handle that something else opened since.
#ifdef _WIN32

#include "platform/win32/Win32Handles.h"

#include <utility>

#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

class Win32HandlesTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    first = At("first.txt");
    second = At("second.txt");
    WriteFile(first, "1");
    WriteFile(second, "2");
  }

  // Opens a file without sharing it: while this handle lives, nobody else can open it.
  static HANDLE Lock(const std::string& path) {
    return ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static bool Locked(const std::string& path) {
    TWinHandle probe(Lock(path));
    return !probe;
  }

  std::string first, second;
};

TEST_F(Win32HandlesTest, FileIsReleasedWhenItsHandleGoesAway) {
  {
    TWinHandle handle(Lock(first));
    ASSERT_TRUE(handle);
    EXPECT_TRUE(Locked(first));
  }
  EXPECT_FALSE(Locked(first));
}

TEST_F(Win32HandlesTest, MovedHandleStaysOpenUntilItsLastOwnerGoes) {
  TWinHandle kept;
  {
    TWinHandle original(Lock(first));
    ASSERT_TRUE(original);
    kept = std::move(original);
    EXPECT_FALSE(original);
  }
  EXPECT_TRUE(Locked(first)) << "the moved-from handle closed the file";
  TWinHandle other(std::move(kept));
  EXPECT_TRUE(Locked(first));
  other.Reset();
  EXPECT_FALSE(Locked(first));
}

TEST_F(Win32HandlesTest, AssigningOverAHandleClosesWhatItHeld) {
  TWinHandle handle(Lock(first));
  ASSERT_TRUE(handle);
  handle = TWinHandle(Lock(second));
  EXPECT_FALSE(Locked(first));
  EXPECT_TRUE(Locked(second));
  *handle.Receive() = Lock(first);
  EXPECT_FALSE(Locked(second));
  EXPECT_TRUE(Locked(first));
}

TEST_F(Win32HandlesTest, ReleasedHandleIsLeftOpenForItsNewOwner) {
  TWinHandle handle(Lock(first));
  HANDLE raw = handle.Release();
  handle.Reset();
  EXPECT_TRUE(Locked(first));
  ::CloseHandle(raw);
  EXPECT_FALSE(Locked(first));
}

TEST_F(Win32HandlesTest, EmptyAndFailedHandlesAreSafeToDrop) {
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  {
    TWinHandle none;
    TWinHandle failedCreate(INVALID_HANDLE_VALUE);
    TWinHandle failedOpen(nullptr);
    TFindHandle failedFind(INVALID_HANDLE_VALUE);
    TRegKeyHandle noKey;
    EXPECT_FALSE(none || failedCreate || failedOpen || failedFind || noKey);
    none = std::move(failedCreate);
    failedOpen.Reset();
  }
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Win32HandlesTest, RegistryKeyIsClosedButPredefinedRootsAreNot) {
  HKEY raw = nullptr;
  {
    TRegKeyHandle key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, ScratchKey.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS);
    raw = key.Get();
    DWORD subKeys = 0;
    EXPECT_EQ(::RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
  }
  DWORD subKeys = 0;
  EXPECT_EQ(::RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);

  { TRegKeyHandle root(HKEY_CURRENT_USER); }
  HKEY scratch = nullptr;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey.c_str(), 0, KEY_READ, &scratch),
            ERROR_SUCCESS);
  ::RegCloseKey(scratch);
}

TEST_F(Win32HandlesTest, FinishedSearchLeavesItsDirectoryFreeToRemove) {
  // A search holds its directory open; a leaked one keeps it from being removed.
  std::string dir = At("searched");
  ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
  {
    WIN32_FIND_DATAA data;
    TFindHandle find(::FindFirstFileA((dir + "\\*").c_str(), &data));
    ASSERT_TRUE(find);
  }
  EXPECT_TRUE(::RemoveDirectoryA(dir.c_str())) << "error " << ::GetLastError();
}

}  // namespace
}  // namespace brim::test

#endif  // _WIN32
