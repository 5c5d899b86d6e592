// Built with AVX2 and FMA: four doubles per vector, fused multiply-adds.
#define VARO_KERNEL_WIDTH 4
#define VARO_KERNEL_ROWS 4
#define VARO_KERNEL_NAME "AVX2+FMA"
#define VARO_KERNEL_OBJECT avx2
#include "EliminationKernelBody.h"
