// The callables of the property tables: what a getter or setter captured
// travels with every copy, whether it fits in place or not, and an empty
// one says so.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "objects/PropFunction.h"

namespace brim::test {
namespace {

TEST(PropFunction, CopiesCallWhatWasCaptured) {
  struct TPoint {
    int X = 0;
    std::string Name;
  };
  int TPoint::*member = &TPoint::X;
  auto text = std::make_shared<std::string>("shared");
  const struct {
    const char* What;
    TPropFunction<std::string(const TPoint&)> Get;
    std::string Expected;
  } cases[] = {
      {"member pointer, in place", [member](const TPoint& p) { return std::to_string(p.*member); },
       "7"},
      {"a string, on the heap", [s = std::string(100, 'x')](const TPoint&) { return s; },
       std::string(100, 'x')},
      {"a shared pointer, on the heap", [text](const TPoint& p) { return *text + p.Name; },
       "shared-point"},
  };
  TPoint point{7, "-point"};
  for (const auto& c : cases) {
    ASSERT_TRUE(c.Get) << c.What;
    TPropFunction<std::string(const TPoint&)> copy = c.Get;
    EXPECT_EQ(c.Get(point), c.Expected) << c.What;
    EXPECT_EQ(copy(point), c.Expected) << c.What;
  }
  EXPECT_FALSE(TPropFunction<int()>());
  EXPECT_FALSE(TPropFunction<int()>(nullptr));
  int calls = 0;
  TPropFunction<void(int)> dropsItsResult = [&calls](int v) { return calls += v; };
  dropsItsResult(3);
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace brim::test
