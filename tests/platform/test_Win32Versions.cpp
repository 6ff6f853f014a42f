// The win32 version backend handed a block it did not make: the API call
// trusts the block's own length word, so a damaged block must be turned away
// before it reads (or writes) past the end.
#ifdef _WIN32

#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

using Win32Versions = PlatformTest;

TEST_F(Win32Versions, DamagedBlocksFindNothing) {
  auto& versions = PlatformVersions();
  std::string tooShort("\x34\x00\x34\x00", 4);
  // Claims 4096 bytes, holds 64.
  std::string truncated(64, '\0');
  truncated[0] = '\x00';
  truncated[1] = '\x10';
  for (const std::string& block : {std::string(), tooShort, truncated}) {
    EXPECT_FALSE(versions.QueryValue(block, "\\")) << block.size() << " bytes";
    EXPECT_FALSE(versions.QueryValue(block, "\\StringFileInfo\\040904E4\\FileVersion"));
    EXPECT_NE(PlatformSystem().LastError(), errSuccess);
  }
}

}  // namespace
}  // namespace brim::test

#endif  // _WIN32
