#include "EliminationKernels.h"

QVector<const EliminationKernel*> supportedEliminationKernels()
{
    QVector<const EliminationKernel*> kernels;
#if defined(VARO_X86_KERNELS)
    // By the features the processor reports (and the system has enabled),
    // whatever its maker or model.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        kernels.append(&EliminationKernels::avx512);
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        kernels.append(&EliminationKernels::avx2);
#endif
    kernels.append(&EliminationKernels::portable);
    return kernels;
}

const EliminationKernel* bestEliminationKernel()
{
    static const EliminationKernel* const best = supportedEliminationKernels().first();
    return best;
}
