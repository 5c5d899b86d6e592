#include "AnalysisMember.h"

#include "AnalysisFaults.h"
#include "AnalysisTolerances.h"

namespace {

// Sets [r][c] and [c][r].
inline void setSymmetric(Matrix12x12* k, int r, int c, double value)
{
    (*k)[r][c] = value;
    (*k)[c][r] = value;
}

template <int N>
void expandBlocks(const Matrix3x3& r, MatrixMxN<N, N>* t)
{
    t->zero();
    for (int b = 0; b < N; b += 3)
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                (*t)[b + i][b + j] = r[i][j];
}

} // namespace

void AnalysisMember::makeLocalStiffnessMatrix(double L, double E, double G, double A, double Iz, double Iy, double J,
                                              int endA, int endB, Matrix12x12* k)
{
    const double L2 = L * L, L3 = L2 * L;
    const double ka = E * A / L;
    const double kt = G * J / L;
    // Bending in x–y (v, θz) and in x–z (w, θy).
    const double a = 12.0 * E * Iz / L3, b = 6.0 * E * Iz / L2, c = 4.0 * E * Iz / L, d = c / 2.0;
    const double ay = 12.0 * E * Iy / L3, by = 6.0 * E * Iy / L2, cy = 4.0 * E * Iy / L, dy = cy / 2.0;

    k->zero();
    setSymmetric(k, 0, 0, ka);
    setSymmetric(k, 6, 6, ka);
    setSymmetric(k, 0, 6, -ka);
    setSymmetric(k, 3, 3, kt);
    setSymmetric(k, 9, 9, kt);
    setSymmetric(k, 3, 9, -kt);

    setSymmetric(k, 1, 1, a);
    setSymmetric(k, 7, 7, a);
    setSymmetric(k, 1, 7, -a);
    setSymmetric(k, 1, 5, b);
    setSymmetric(k, 1, 11, b);
    setSymmetric(k, 5, 7, -b);
    setSymmetric(k, 7, 11, -b);
    setSymmetric(k, 5, 5, c);
    setSymmetric(k, 11, 11, c);
    setSymmetric(k, 5, 11, d);

    setSymmetric(k, 2, 2, ay);
    setSymmetric(k, 8, 8, ay);
    setSymmetric(k, 2, 8, -ay);
    setSymmetric(k, 2, 4, -by);
    setSymmetric(k, 2, 10, -by);
    setSymmetric(k, 4, 8, by);
    setSymmetric(k, 8, 10, by);
    setSymmetric(k, 4, 4, cy);
    setSymmetric(k, 10, 10, cy);
    setSymmetric(k, 4, 10, dy);

    if (endA != 63 || endB != 63)
        reduceMatrix(k, endA, endB);
}

void AnalysisMember::makeLocalStubMatrix(double L, double E, double G, double A, double Iz, double Iy, double J,
                                         int endA, int endB, Matrix12x12* k)
{
    const double Es = stubStiffness * E;
    const double Gs = stubStiffness * G;
    const double L3 = L * L * L;
    const double s[6] = {Es * A / L,       12.0 * Es * Iz / L3, 12.0 * Es * Iy / L3,
                         Gs * J / L,       4.0 * Es * Iy / L,   4.0 * Es * Iz / L};

    k->zero();
    for (int f = 0; f < 6; ++f) {
        setSymmetric(k, f, f, s[f]);
        setSymmetric(k, f + 6, f + 6, s[f]);
        setSymmetric(k, f, f + 6, -s[f]);
    }

    if (endA != 63 || endB != 63)
        reduceMatrix(k, endA, endB);
}

void AnalysisMember::reduceMatrix(Matrix12x12* k, int endA, int endB)
{
    for (int f = 0; f < 6; ++f) {
        const int bit = 1 << f;
        if (!(endA & bit) && !reduceMatrixInRow(k, f))
            throw ExceptionAnalysisFault(QStringLiteral("Ill-conditioning in member release"));
        if (!(endB & bit) && !reduceMatrixInRow(k, f + 6))
            throw ExceptionAnalysisFault(QStringLiteral("Ill-conditioning in member release"));
    }
}

bool AnalysisMember::reduceMatrixInRow(Matrix12x12* k, int row)
{
    Matrix12x12& K = *k;
    const double p = K[row][row];
    if (isNearZero(p))
        return false;
    for (int i = 0; i < 12; ++i) {
        if (i == row)
            continue;
        const double f = K[i][row] / -p;
        if (f == 0.0)
            continue;
        for (int j = 0; j < 12; ++j)
            K[i][j] += f * K[row][j];
    }
    for (int j = 0; j < 12; ++j) {
        K[row][j] = 0.0;
        K[j][row] = 0.0;
    }
    return true;
}

void AnalysisMember::expandTransformationMatrix(const Matrix3x3& r, Matrix6x6* t)
{
    expandBlocks(r, t);
}

void AnalysisMember::expandTransformationMatrix(const Matrix3x3& r, Matrix12x12* t)
{
    expandBlocks(r, t);
}
