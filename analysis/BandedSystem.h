#pragma once

#include "EliminationKernels.h"
#include "Vectors.h"

#include <functional>
#include <vector>

// The free-free block of a symmetric stiffness matrix in banded storage,
// factorised in place by Gaussian elimination without pivoting and then used
// for any number of load vectors.
//
// Storage: free row r (0 <= r < F) owns entries r·H .. r·H + H − 1, and entry
// r·H + j holds K[r][r + j]: the diagonal first, then the elements to its
// right; positions with r + j >= F stay 0 as far as they are read. After
// elimination the same entries hold the upper triangular factor U; the unit
// lower factor is not stored, as symmetry gives it as L[r][k] = U[k][r] / U[k][k].
//
// Work follows the envelope inside the band: entries of a row past its last
// assembled non-zero (and past those of the rows above it) stay exactly zero
// under elimination, so they are never written.
class BandedSystem
{
public:
    enum Status { Completed, Abandoned, Singular };

    // Singular carries the row that failed.
    struct Outcome
    {
        Status status = Completed;
        int row = -1;
    };

    // Asked at checkpoints of long loops; false abandons the work.
    typedef std::function<bool()> Checkpoint;

    // A pivot is sound when it keeps at least this part of its row's scale:
    // the largest of its assembled diagonal and the scales of the pivot rows
    // subtracted from it, each times its factor. A mechanism leaves only
    // rounding of that scale, a few 1e-16, while a very stiff link or a very
    // short member at the end of a slender one keeps 1e-12 and more.
    static constexpr double pivotTolerance = 1e-14;

    // F equations and a half band of H entries per row, diagonal included.
    // Every entry is zero afterwards; throws std::bad_alloc when the band does
    // not fit. The memory is kept from one reset to the next and allocated
    // anew only when the band outgrows it, then with room to spare.
    void reset(int F, int H);
    // The same, zeroing only what assembly and elimination will read, as far
    // as each row's reach: reach[r] (F entries) is the last column that the
    // assembly adds to in row r, or less where it adds to the diagonal alone
    // (see widenReach). Assembling past a row's reach is an error.
    void reset(int F, int H, const std::vector<int>& reach);
    // Widens the reach of the free rows among the given ones (those below
    // reach.size()) to take a member assembled at them.
    static void widenReach(std::vector<int>& reach, const int rows[12]);

    // Gives back the band's memory, a piece at a time; reset() before the
    // next use. False, with the band left, once the program is ending.
    bool release();

    // How often the band's memory has been allocated.
    int allocations() const { return band.allocations(); }

    int numberOfEquations() const { return F; }
    int halfBandWidth() const { return H; }

    // Adds the 12 by 12 global matrix K of a member whose freedoms sit at the
    // given rows; rows from F on are restrained and take nothing. Every pair of
    // free rows must lie less than H apart.
    void assemble(const Matrix12x12& K, const int rows[12]);

    // K[r][c] as assembled (or U after elimination), for c within the band of r.
    // Entries past a row's envelope read as zero, whatever the memory holds.
    double entry(int r, int c) const;

    // The first row whose assembled diagonal is below 2^-128 in magnitude
    // (nothing gives stiffness to that freedom), −1 when there is none.
    int firstVanishingDiagonal() const;

    // Factorises in place. Singular: the pivot of the row is not finite, or
    // below 2^-128, or below pivotTolerance times its row's scale; the last
    // row is tested like every other.
    Outcome eliminate(const Checkpoint& keepGoing = Checkpoint());

    // Turns the load vector b (F entries, free rows) into the displacements,
    // in place. Singular names a row whose displacement came out non-finite,
    // in which case b must not be used. Safe to call from several threads at
    // once on the same eliminated system.
    Outcome solve(double* b, const Checkpoint& keepGoing = Checkpoint()) const;

    // The multiply-adds that the last elimination performed.
    double eliminationMultiplyAdds() const { return multiplyAdds; }

    // The kernel that eliminates: the best this processor has unless set.
    // Elimination runs on the global thread pool's threads alongside the
    // calling one, and gives the same result to the last bit whatever their
    // number; kernels differ from one another in rounding only.
    const EliminationKernel* eliminationKernel() const { return kernel; }
    void setEliminationKernel(const EliminationKernel* k) { kernel = k; }

private:
    // Doubles that outlive the systems stored in them: kept while they fit,
    // allocated anew with room to spare when they do not. A copy holds the
    // doubles in use and no more.
    class Storage
    {
    public:
        Storage() = default;
        Storage(const Storage& other);
        Storage(Storage&& other) noexcept;
        Storage& operator=(Storage other) noexcept;
        ~Storage();

        // Room for n doubles in use; their values are left as they were
        // unless the block is allocated anew, when they are undefined.
        void reserve(size_t n);
        // Gives the pages back a piece at a time, then the block; false, with
        // the block kept, once the program is ending.
        bool release();

        double* data() const { return block; }
        size_t size() const { return used; }
        int allocations() const { return allocated; }

    private:
        void allocate(size_t n);
        void free();

        double* block = nullptr;
        size_t used = 0;
        size_t capacity = 0;
        int allocated = 0;
    };

    // Takes the shape, with every row's envelope its diagonal alone.
    void prepare(int F, int H);
    // Zeroes every row as far as the elimination reads it.
    void clear(const std::vector<int>& reach);

    int F = 0;
    int H = 0;
    Storage band;
    // Per row, the last column that an assembled non-zero reaches; after
    // elimination, the running maximum over the rows above (the envelope).
    std::vector<int> lastColumn;
    double multiplyAdds = 0.0;
    const EliminationKernel* kernel = bestEliminationKernel();
};
