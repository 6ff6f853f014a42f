// MulDiv: a * b / c with the product in 64 bits and the quotient rounded
// half away from zero, as Windows' MulDiv computes it. A zero divisor or a
// result outside the 32-bit range gives -1.
#pragma once

#include <cstdint>

namespace brim {

constexpr int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t product = static_cast<int64_t>(a) * b;
  int64_t divisor = c;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  int64_t result = product >= 0 ? (product + divisor / 2) / divisor : (product - divisor / 2) / divisor;
  if (result > INT32_MAX || result < -INT32_MAX) return -1;
  return static_cast<int32_t>(result);
}

}  // namespace brim
