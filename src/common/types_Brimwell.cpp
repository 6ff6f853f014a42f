#include "common/types_Brimwell.h"

#include <cmath>

namespace brim {

int Percentage(double part, double whole) {
  if (whole == 0) return 0;
  double value = part / whole * 100.0;
  double r = std::floor(value);
  double diff = value - r;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
  return static_cast<int>(r);
}

}  // namespace brim
