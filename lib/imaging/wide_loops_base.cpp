// The hot pixel loops for the baseline instruction set.
#define KP_WIDE_NAMESPACE kpimg_base
#include "wide_loops_impl.h"
