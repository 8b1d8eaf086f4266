#pragma once
// The rounding and input count the renderer's drawing and its walks share.

#include <cmath>
#include <cstdint>

#include "core/resultstore.h"

namespace zvl::trace {

constexpr int kLastInput = kInputCount;

// To the nearest integer, halves to even (the default rounding mode).
inline int64_t nearest(double v) {
    return int64_t(std::nearbyint(v));
}

}  // namespace zvl::trace
