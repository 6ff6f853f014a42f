// MulDiv as Windows computes it: the gradient's band edges and colour
// steps depend on its rounding.
#include <gtest/gtest.h>

#include <cstdint>

#include "common/MulDiv.h"

namespace brim {
namespace {

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesWhatDoesNotFit) {
  struct Case {
    int32_t A, B, C, Result;
  } cases[] = {
      {1, 1, 2, 1},   {-1, 1, 2, -1}, {3, 1, -2, -2}, {5, 7, 3, 12}, {1, 100, 3, 33},
      {128, 453, 256, 227}, {5, 0, 3, 0}, {7, 7, 0, -1}, {INT32_MAX, 4, 1, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.A, c.B, c.C), c.Result) << c.A << "*" << c.B << "/" << c.C;
}

}  // namespace
}  // namespace brim
