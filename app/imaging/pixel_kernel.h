// Helpers of the pixel kernels: run-time choice between the AVX2 and the baseline build
// of a kernel, and the overlap test that decides whether a kernel may assume that its
// source and destination rows are apart.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A kernel body is written once as plain loops in an always-inlined function and
// compiled twice: inside a function marked KERNEL_TARGET_AVX2 the compiler vectorises it
// for 256-bit registers (and uses byte shuffles for the blue-green-red interleave),
// inside an unmarked one for the baseline instruction set. Both builds compute the same
// integers; the choice is looked up once per call, never per pixel. Plain attribute dispatch
// is used rather than target_clones: its ifunc resolvers run before ThreadSanitizer is
// ready and crash instrumented builds.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// Every processor with AVX2 also has FMA; kernels may use fused multiply-adds where
// they write them as intrinsics (the kernel files never let the compiler fuse on its own).
#define KERNEL_TARGET_AVX2 [[gnu::target("avx2,fma")]]
// Kernels written with AVX2 intrinsics (immintrin.h) exist only where this is 1.
#define KERNEL_X86_INTRINSICS 1
inline bool KernelHasAvx2()
{
    // Decided once per process. VEXILO_BASELINE_KERNELS in the environment forces the
    // baseline builds, so that tests can check them on an AVX2 machine too.
    static const bool bAvx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
                              std::getenv("VEXILO_BASELINE_KERNELS") == nullptr;
    return bAvx2;
}
// The few kernels that gain much from 512-bit byte permutes (table lookups) have a third
// build for processors with AVX-512 VBMI. VEXILO_AVX2_KERNELS in the environment keeps
// such a machine on the AVX2 builds, so that tests can check those there too.
// Such a build may also use everything of the AVX2 builds and the 256-bit forms of the
// AVX-512 instructions.
#define KERNEL_TARGET_AVX512_VBMI [[gnu::target("avx2,fma,avx512f,avx512bw,avx512vl,avx512vbmi")]]
inline bool KernelHasAvx512Vbmi()
{
    static const bool bVbmi = KernelHasAvx2() && __builtin_cpu_supports("avx512f") &&
                              __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
                              __builtin_cpu_supports("avx512vbmi") && std::getenv("VEXILO_AVX2_KERNELS") == nullptr;
    return bVbmi;
}
#else
#define KERNEL_TARGET_AVX2
#define KERNEL_X86_INTRINSICS 0
inline bool KernelHasAvx2()
{
    return false;
}
inline bool KernelHasAvx512Vbmi()
{
    return false;
}
#endif

#if defined(__GNUC__)
#define KERNEL_BODY [[gnu::always_inline]] inline
#else
#define KERNEL_BODY inline
#endif

// Whether two sets of nRows rows (first row at p, rows nStride bytes apart, which may be
// negative, nRowBytes bytes used in each) share any byte.
inline bool RowsOverlap(const void* p1, std::ptrdiff_t nStride1, std::ptrdiff_t nRowBytes1, const void* p2,
                        std::ptrdiff_t nStride2, std::ptrdiff_t nRowBytes2, int nRows)
{
    if (nRows <= 0)
        return false;
    auto low = [nRows](const void* p, std::ptrdiff_t nStride) {
        return reinterpret_cast<std::uintptr_t>(p) + static_cast<std::uintptr_t>(std::min<std::ptrdiff_t>(0, (nRows - 1) * nStride));
    };
    auto span = [nRows](std::ptrdiff_t nStride, std::ptrdiff_t nRowBytes) {
        const std::ptrdiff_t nLast = (nRows - 1) * nStride;
        return static_cast<std::uintptr_t>((nLast < 0 ? -nLast : nLast) + nRowBytes);
    };
    const std::uintptr_t nLow1 = low(p1, nStride1);
    const std::uintptr_t nLow2 = low(p2, nStride2);
    return nLow1 < nLow2 + span(nStride2, nRowBytes2) && nLow2 < nLow1 + span(nStride1, nRowBytes1);
}
