// How a failed platform call's code names itself in messages.
#include <gtest/gtest.h>

#include "platform/PlatformError.h"

namespace brim::test {
namespace {

TEST(PlatformError, EachDomainNamesItsCodeAsItsDocumentationDoes) {
  struct Case {
    TPlatformError Error;
    const char* Text;
    bool Failed;
  } cases[] = {
      {{TErrorDomain::Win32, 2}, "Windows error 2", true},
      {{TErrorDomain::HResult, 0x80070002u}, "HRESULT 0x80070002", true},
      {{TErrorDomain::WinInet, 12002}, "WinInet error 12002", true},
      {{TErrorDomain::Ddeml, 0x400A}, "DDEML error 0x400A", true},
      {{TErrorDomain::HResult, 0}, "HRESULT 0x00000000", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.Error.Describe(), c.Text);
    EXPECT_EQ(c.Error.Failed(), c.Failed) << c.Text;
  }
}

}  // namespace
}  // namespace brim::test
