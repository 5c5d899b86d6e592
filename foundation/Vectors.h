#pragma once

#include <QMetaType>
#include <QString>

#include <cmath>
#include <cstddef>

// Magnitudes below 2^-128 count as zero.
constexpr double nearZeroMagnitude = 0x1p-128;

inline bool isNearZero(double x)
{
    return std::fabs(x) < nearZeroMagnitude;
}

// Fuzzy equality of two doubles: equal when both are near zero, or when they
// differ by at most the larger magnitude times 2^-20.
bool fuzzyEqual(double a, double b);

// A fixed-size matrix of doubles stored row by row: element [r][c] is at
// index r*N + c. Default construction leaves the elements unset, as the hot
// loops of the analysis fill them anyway.
template <int M, int N>
class MatrixMxN
{
public:
    static constexpr int Rows = M;
    static constexpr int Columns = N;
    static constexpr int Size = M * N;

    MatrixMxN() = default;
    MatrixMxN(const MatrixMxN&) = default;
    MatrixMxN& operator=(const MatrixMxN&) = default;
    virtual ~MatrixMxN() = default;

    double* operator[](int r) { return m + r * N; }
    const double* operator[](int r) const { return m + r * N; }
    double& at(int r, int c) { return m[r * N + c]; }
    double at(int r, int c) const { return m[r * N + c]; }

    double* data() { return m; }
    const double* data() const { return m; }

    void zero()
    {
        for (int i = 0; i < Size; ++i)
            m[i] = 0.0;
    }

    static MatrixMxN zeroed()
    {
        MatrixMxN z;
        z.zero();
        return z;
    }

    static MatrixMxN identity()
    {
        static_assert(M == N, "identity of a square matrix only");
        MatrixMxN id;
        id.zero();
        for (int i = 0; i < M; ++i)
            id.m[i * N + i] = 1.0;
        return id;
    }

    MatrixMxN<N, M> transposed() const
    {
        MatrixMxN<N, M> t;
        for (int r = 0; r < M; ++r)
            for (int c = 0; c < N; ++c)
                t[c][r] = m[r * N + c];
        return t;
    }

protected:
    double m[Size];
};

// A·B
template <int M, int K, int N>
MatrixMxN<M, N> operator*(const MatrixMxN<M, K>& a, const MatrixMxN<K, N>& b)
{
    MatrixMxN<M, N> p;
    for (int r = 0; r < M; ++r)
        for (int c = 0; c < N; ++c) {
            double s = 0.0;
            for (int k = 0; k < K; ++k)
                s += a[r][k] * b[k][c];
            p[r][c] = s;
        }
    return p;
}

// Aᵀ·B, without forming the transpose.
template <int K, int M, int N>
MatrixMxN<M, N> transposeTimes(const MatrixMxN<K, M>& a, const MatrixMxN<K, N>& b)
{
    MatrixMxN<M, N> p;
    for (int r = 0; r < M; ++r)
        for (int c = 0; c < N; ++c) {
            double s = 0.0;
            for (int k = 0; k < K; ++k)
                s += a[k][r] * b[k][c];
            p[r][c] = s;
        }
    return p;
}

typedef MatrixMxN<3, 3> Matrix3x3;
typedef MatrixMxN<4, 4> Matrix4x4;
typedef MatrixMxN<6, 6> Matrix6x6;
typedef MatrixMxN<12, 12> Matrix12x12;

// A column vector of D doubles with components by index.
template <int D>
class VectorN : public MatrixMxN<D, 1>
{
public:
    VectorN() = default;
    VectorN(const MatrixMxN<D, 1>& other) : MatrixMxN<D, 1>(other) {}

    double& operator[](int i) { return this->m[i]; }
    double operator[](int i) const { return this->m[i]; }

    static VectorN zeroed()
    {
        VectorN v;
        v.zero();
        return v;
    }
};

class Vector6 : public VectorN<6>
{
public:
    using VectorN<6>::VectorN;
    Vector6() = default;
};

class Vector12 : public VectorN<12>
{
public:
    using VectorN<12>::VectorN;
    Vector12() = default;
};

// M·v with element r = Σc M[r][c]·v[c].
template <int M, int N>
VectorN<M> operator*(const MatrixMxN<M, N>& a, const VectorN<N>& v)
{
    VectorN<M> p;
    for (int r = 0; r < M; ++r) {
        double s = 0.0;
        for (int c = 0; c < N; ++c)
            s += a[r][c] * v[c];
        p[r] = s;
    }
    return p;
}

// Mᵀ·v
template <int M, int N>
VectorN<N> transposeTimes(const MatrixMxN<M, N>& a, const VectorN<M>& v)
{
    VectorN<N> p;
    for (int c = 0; c < N; ++c) {
        double s = 0.0;
        for (int r = 0; r < M; ++r)
            s += a[r][c] * v[r];
        p[c] = s;
    }
    return p;
}

inline Vector12 operator*(const Matrix12x12& a, const Vector12& v)
{
    return Vector12(a * static_cast<const VectorN<12>&>(v));
}

inline Vector6 transposeTimes(const Matrix6x6& a, const Vector6& v)
{
    return Vector6(transposeTimes(a, static_cast<const VectorN<6>&>(v)));
}

// A point or a direction in metres, global axes unless stated otherwise.
class Vector3 : public MatrixMxN<3, 1>
{
public:
    Vector3() { m[0] = m[1] = m[2] = 0.0; }
    Vector3(double x, double y, double z)
    {
        m[0] = x;
        m[1] = y;
        m[2] = z;
    }

    double& operator[](int i) { return m[i]; }
    double operator[](int i) const { return m[i]; }

    double x() const { return m[0]; }
    double y() const { return m[1]; }
    double z() const { return m[2]; }

    Vector3 operator+(const Vector3& o) const { return Vector3(m[0] + o.m[0], m[1] + o.m[1], m[2] + o.m[2]); }
    Vector3 operator-(const Vector3& o) const { return Vector3(m[0] - o.m[0], m[1] - o.m[1], m[2] - o.m[2]); }
    Vector3 operator-() const { return Vector3(-m[0], -m[1], -m[2]); }
    Vector3 operator*(double s) const { return Vector3(m[0] * s, m[1] * s, m[2] * s); }
    Vector3 operator/(double s) const { return Vector3(m[0] / s, m[1] / s, m[2] / s); }
    Vector3& operator+=(const Vector3& o)
    {
        m[0] += o.m[0];
        m[1] += o.m[1];
        m[2] += o.m[2];
        return *this;
    }
    Vector3& operator-=(const Vector3& o)
    {
        m[0] -= o.m[0];
        m[1] -= o.m[1];
        m[2] -= o.m[2];
        return *this;
    }
    Vector3& operator*=(double s)
    {
        m[0] *= s;
        m[1] *= s;
        m[2] *= s;
        return *this;
    }

    double dot(const Vector3& o) const { return m[0] * o.m[0] + m[1] * o.m[1] + m[2] * o.m[2]; }
    Vector3 cross(const Vector3& o) const
    {
        return Vector3(m[1] * o.m[2] - m[2] * o.m[1],
                       m[2] * o.m[0] - m[0] * o.m[2],
                       m[0] * o.m[1] - m[1] * o.m[0]);
    }
    double lengthSquared() const { return dot(*this); }
    double length() const { return std::sqrt(lengthSquared()); }
    // Callers guard against a near-zero length themselves.
    Vector3 normalised() const { return *this / length(); }

    // Fuzzy: see fuzzyEqual.
    bool operator==(const Vector3& o) const;
    bool operator!=(const Vector3& o) const { return !(*this == o); }

    // "x,y,z" with 15 significant figures, each finite (finiteNumberText);
    // fromString leaves the vector unchanged and returns false unless the
    // text has exactly three parts.
    QString toString() const;
    bool fromString(const QString& text);

    static const Vector3 vectorX;
    static const Vector3 vectorY;
    static const Vector3 vectorZ;
};

inline Vector3 operator*(double s, const Vector3& v) { return v * s; }

// Row r of the matrix: for member axes, the local x, y or z axis.
inline Vector3 rowOf(const Matrix3x3& m, int r)
{
    return Vector3(m[r][0], m[r][1], m[r][2]);
}

// Local to global: x·row0 + y·row1 + z·row2 of a matrix whose rows are the
// local axes in global coordinates.
inline Vector3 localToGlobal(const Matrix3x3& axes, const Vector3& local)
{
    Vector3 g;
    for (int c = 0; c < 3; ++c)
        g[c] = local[0] * axes[0][c] + local[1] * axes[1][c] + local[2] * axes[2][c];
    return g;
}

inline Vector3 globalToLocal(const Matrix3x3& axes, const Vector3& global)
{
    Vector3 l;
    for (int r = 0; r < 3; ++r)
        l[r] = axes[r][0] * global[0] + axes[r][1] * global[1] + axes[r][2] * global[2];
    return l;
}

// Four doubles: the calculator's answer M·(v, v, v, 1), or a sphere (centre
// x, y, z and radius w).
class Vector4 : public MatrixMxN<4, 1>
{
public:
    Vector4() { m[0] = m[1] = m[2] = m[3] = 0.0; }
    Vector4(double x, double y, double z, double w)
    {
        m[0] = x;
        m[1] = y;
        m[2] = z;
        m[3] = w;
    }
    Vector4(const MatrixMxN<4, 1>& other) : MatrixMxN<4, 1>(other) {}

    double& operator[](int i) { return m[i]; }
    double operator[](int i) const { return m[i]; }
    double x() const { return m[0]; }
    double y() const { return m[1]; }
    double z() const { return m[2]; }
    double w() const { return m[3]; }
    Vector3 xyz() const { return Vector3(m[0], m[1], m[2]); }
};

// An origin and a direction, in that order. The direction is kept as given.
struct Ray3
{
    Vector3 origin;
    Vector3 direction;

    Ray3() = default;
    Ray3(const Vector3& o, const Vector3& d) : origin(o), direction(d) {}
    Vector3 pointAt(double t) const { return origin + direction * t; }
};

Q_DECLARE_METATYPE(Vector3)
Q_DECLARE_METATYPE(Vector4)
Q_DECLARE_METATYPE(Matrix4x4)
