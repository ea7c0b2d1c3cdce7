// The sampling loops for the baseline instruction set.
#define KP_SAMPLING_NAMESPACE kpimg_base
#include "sampling_loops.h"
