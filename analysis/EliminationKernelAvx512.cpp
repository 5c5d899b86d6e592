// Built with AVX-512: eight doubles per vector and 32 registers, so a
// register tile holds twice the rows.
#define VARO_KERNEL_WIDTH 8
#define VARO_KERNEL_ROWS 8
#define VARO_KERNEL_NAME "AVX-512"
#define VARO_KERNEL_OBJECT avx512
#include "EliminationKernelBody.h"
