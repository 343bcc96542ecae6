// 16-bit signed arithmetic that raises the overflow failure instead of wrapping: the argument
// splitter's counts, positions and capacity are all of this width.
#pragma once

#include <cstdint>

#include "host/failure.h"

namespace mdlMain {

inline std::int16_t CheckedAdd(std::int16_t a, int b) {
  const int sum = a + b;
  if (sum > INT16_MAX || sum < INT16_MIN) host::Raise(host::FailureCode::kOverflow);
  return static_cast<std::int16_t>(sum);
}

inline std::int16_t CheckedSubtract(std::int16_t a, std::int16_t b) {
  return CheckedAdd(a, -static_cast<int>(b));
}

}  // namespace mdlMain
