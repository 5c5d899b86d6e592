#include "AnalysisMember.h"

#include "AnalysisFaults.h"
#include "AnalysisSource.h"
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

// One bending plane of the beam element: displacement v and rotation θ at
// end 1, the same plus 6 at end 2, with a = 12EI/L³, b = 6EI/L², c = 4EI/L,
// d = c/2. The sign s is −1 in the x–z plane, where a positive θy turns z
// towards x.
void setBendingPlane(Matrix12x12* k, int v, int theta, double s, double EI, double L)
{
    const double a = 12.0 * EI / (L * L * L), b = s * 6.0 * EI / (L * L), c = 4.0 * EI / L, d = c / 2.0;
    setSymmetric(k, v, v, a);
    setSymmetric(k, v + 6, v + 6, a);
    setSymmetric(k, v, v + 6, -a);
    setSymmetric(k, v, theta, b);
    setSymmetric(k, v, theta + 6, b);
    setSymmetric(k, theta, v + 6, -b);
    setSymmetric(k, v + 6, theta + 6, -b);
    setSymmetric(k, theta, theta, c);
    setSymmetric(k, theta + 6, theta + 6, c);
    setSymmetric(k, theta, theta + 6, d);
}

} // namespace

void AnalysisMember::makeLocalStiffnessMatrix(double L, double E, double G, double A, double Iz, double Iy, double J,
                                              const Dof& endA, const Dof& endB, Matrix12x12* k)
{
    const double ka = E * A / L;
    const double kt = G * J / L;

    k->zero();
    setSymmetric(k, 0, 0, ka);
    setSymmetric(k, 6, 6, ka);
    setSymmetric(k, 0, 6, -ka);
    setSymmetric(k, 3, 3, kt);
    setSymmetric(k, 9, 9, kt);
    setSymmetric(k, 3, 9, -kt);
    setBendingPlane(k, 1, 5, 1.0, E * Iz, L);
    setBendingPlane(k, 2, 4, -1.0, E * Iy, L);

    if (endA != 63 || endB != 63)
        reduceMatrix(k, endA, endB);
}

void AnalysisMember::makeLocalStubMatrix(double L, double E, double G, double A, double Iz, double Iy, double J,
                                         const Dof& endA, const Dof& endB, Matrix12x12* k)
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

void AnalysisMember::reduceMatrix(Matrix12x12* k, const Dof& endA, const Dof& endB)
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

void AnalysisMember::localStiffnessMatrix(Matrix12x12* k) const
{
    const AnalysisSection& s = *section;
    if (isMainPiece())
        makeLocalStiffnessMatrix(length, s.E, s.G, s.area, s.Iz, s.Iy, s.J, 63, 63, k);
    else
        makeLocalStubMatrix(length, s.E, s.G, s.area, s.Iz, s.Iy, s.J, releaseA, releaseB, k);
}

bool AnalysisMember::flexibilityLessThan(const QSharedPointer<AnalysisMember>& a, const QSharedPointer<AnalysisMember>& b)
{
    if (!a->section || !b->section)
        return false;
    const auto flexibility = [](const AnalysisMember& m) {
        const AnalysisSection& s = *m.section;
        return m.length / (s.area * (s.E + s.G) * (s.Iz + s.Iy));
    };
    return flexibility(*a) < flexibility(*b);
}
