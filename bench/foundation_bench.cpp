#include "Vectors.h"

#include <benchmark/benchmark.h>

// The element stiffness transformation Tᵀ·k·T runs once per member per
// analysis; this keeps an eye on its cost.
static void BM_Matrix12Transform(benchmark::State& state)
{
    Matrix12x12 k, t;
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) {
            k[r][c] = 1.0 + r + 0.5 * c;
            t[r][c] = (r == c) ? 1.0 : 0.01 * (r - c);
        }
    for (auto _ : state) {
        Matrix12x12 global = transposeTimes(t, Matrix12x12(k * t));
        benchmark::DoNotOptimize(global.data());
    }
}
BENCHMARK(BM_Matrix12Transform);

BENCHMARK_MAIN();
