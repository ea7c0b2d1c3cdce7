// The hot pixel loops built with AVX2 (compiled with -mavx2; only called
// when the processor reports AVX2).
#if defined(__x86_64__) || defined(__i386__)
#define KP_WIDE_NAMESPACE kpimg_avx2
#include "wide_loops_impl.h"
#endif
