// Fixed-width vector types of the encoder's kernels (GCC/Clang vector extensions): each
// lane is ordinary IEEE arithmetic, so vector code computes exactly what the scalar
// expressions compute, lane by lane, on whatever instruction set the compiler targets.
#pragma once

#include <cstdint>

using Vec8f = float __attribute__((vector_size(32)));
using Vec8i = std::int32_t __attribute__((vector_size(32)));
using Vec8s = std::int16_t __attribute__((vector_size(16)));
using Vec8b = std::uint8_t __attribute__((vector_size(8)));
