// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/VectorState.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tessary {

#if defined(__x86_64__) || defined(__i386__)

namespace {

__attribute__((target("avx"))) void ZeroUpper() {
    _mm256_zeroupper();
}

bool HasAvx() {
    static const bool avx = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    return avx;
}

} // namespace

void ClearUpperVectorState() {
    if (HasAvx()) {
        ZeroUpper();
    }
}

#else

void ClearUpperVectorState() {}

#endif

} // namespace tessary
