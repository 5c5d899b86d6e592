// The kernel for any processor: two doubles per vector, as every x86-64 and
// most other processors have.
#define VARO_KERNEL_WIDTH 2
#define VARO_KERNEL_ROWS 4
#define VARO_KERNEL_NAME "portable"
#define VARO_KERNEL_OBJECT portable
#include "EliminationKernelBody.h"
