// The win32 registry backend reading what other programs wrote: values of
// any length, and strings stored without their NUL or with bytes after it.
#ifdef _WIN32

#include "platform/PlatformTest.h"
#include "platform/win32/Win32Handles.h"

namespace brim::test {
namespace {

class Win32Registry : public PlatformTest {
 protected:
  // Stores raw bytes under ScratchKey, as a program other than this one may.
  void WriteRaw(const std::string& name, DWORD type, const std::string& bytes) {
    TRegKeyHandle key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, ScratchKey.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key.Get(), name.c_str(), 0, type,
                               reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }
  std::optional<TRegValue> Read(const std::string& name) {
    auto key = PlatformRegistry().OpenKey(TRegRoot::CurrentUser, ScratchKey, TRegAccess::Read);
    if (!key) return std::nullopt;
    return key->ReadValue(name);
  }
};

TEST_F(Win32Registry, LongValuesAreReadWhole) {
  std::string text(20000, 't');
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  auto key = PlatformRegistry().CreateKey(TRegRoot::CurrentUser, ScratchKey);
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->WriteValue("Text", TRegValue::Text(text)));
  ASSERT_TRUE(key->WriteValue("Bytes", TRegValue::Bytes(bytes)));
  EXPECT_EQ(Read("Text"), TRegValue::Text(text));
  EXPECT_EQ(Read("Bytes"), TRegValue::Bytes(bytes));
}

TEST_F(Win32Registry, StringsWrittenWithoutTheirNulOrWithPaddingReadAsTheirText) {
  WriteRaw("NoNul", REG_SZ, "C:\\App");
  WriteRaw("Padded", REG_SZ, std::string("C:\\App\0\0garbage", 15));
  WriteRaw("Expand", REG_EXPAND_SZ, "%TEMP%");
  EXPECT_EQ(Read("NoNul"), TRegValue::Text("C:\\App"));
  EXPECT_EQ(Read("Padded"), TRegValue::Text("C:\\App"));
  EXPECT_EQ(Read("Expand"), (TRegValue{TRegType::ExpandString, "%TEMP%"}));
}

TEST_F(Win32Registry, StringsAreStoredWithTheirNul) {
  // Programs reading the value with the size the registry reports expect the NUL in it.
  auto key = PlatformRegistry().CreateKey(TRegRoot::CurrentUser, ScratchKey);
  ASSERT_TRUE(key && key->WriteValue("Path", TRegValue::Text("C:\\App")));
  TRegKeyHandle raw;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, ScratchKey.c_str(), 0, KEY_READ, raw.Receive()),
            ERROR_SUCCESS);
  char data[32] = {};
  DWORD size = sizeof data, type = 0;
  ASSERT_EQ(::RegQueryValueExA(raw.Get(), "Path", nullptr, &type, reinterpret_cast<BYTE*>(data),
                               &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::string(data, size), std::string("C:\\App", 7));
}

}  // namespace
}  // namespace brim::test

#endif  // _WIN32
