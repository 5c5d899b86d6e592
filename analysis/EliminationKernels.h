#pragma once

#include <QVector>

#include <cstddef>

// One block of pivot rows k0..k1−1 of a banded elimination (BandedSystem's
// storage: row r's entry for column c at a[r·h + c − r], c − r < H). The
// block is factorised in three steps: its own triangle (factorDiagonalBlock),
// then the block rows right of the triangle, whole or by column ranges
// (solveBlockRows), then the rows below by row ranges (updateRowsBelow). Ranges of one step touch disjoint entries, and every
// entry is computed by the same sequence of operations whatever the ranges,
// so the result does not depend on how the ranges are shared out.
struct EliminationBlock
{
    double* a = nullptr;
    size_t h = 0;                // row stride, the half band H
    const int* last = nullptr;   // per row, the last column of the envelope
    double* carried = nullptr;   // per row, the scale a pivot is tested against
    int k0 = 0, k1 = 0;          // the pivot rows
    int lastColumn = 0;          // the furthest column the block reaches
    double* diagonalFactors = nullptr; // (k1 − k0)², row r of the block, pivot k
    double* belowFactors = nullptr;    // per row below, one factor per pivot
};

// Columns past a block's last column that a kernel may read, though it
// writes none of them: the widest register tile less one column.
constexpr int eliminationReadsPastBlock = 23;

struct EliminationKernel
{
    const char* name;
    // Eliminates the block's pivots among its own columns k0..k1−1 and keeps
    // their factors; returns the first row whose pivot is not sound, or −1.
    int (*factorDiagonalBlock)(const EliminationBlock& block, double pivotTolerance);
    // Columns c0..c1−1 (all at or right of k1) of the block's rows.
    void (*solveBlockRows)(const EliminationBlock& block, int c0, int c1);
    // Rows r0..r1−1 below the block take all of its pivots.
    void (*updateRowsBelow)(const EliminationBlock& block, int r0, int r1);
};

// The kernels this processor can run, widest vectors first; the portable one
// is always last.
QVector<const EliminationKernel*> supportedEliminationKernels();

// The first of them.
const EliminationKernel* bestEliminationKernel();

namespace EliminationKernels {
extern const EliminationKernel portable;
#if defined(VARO_X86_KERNELS)
extern const EliminationKernel avx2;
extern const EliminationKernel avx512;
#endif
}
