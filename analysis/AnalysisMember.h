#pragma once

#include "Dof.h"
#include "Vectors.h"

#include <QSharedPointer>

class AnalysisNode;
class AnalysisSection;

// A piece of a member as the stiffness method sees it: a main piece rigidly
// joined at both ends, or a stiff release stub. Local freedoms 0..11 are end 1
// then end 2, each u, v, w, θx, θy, θz in member axes. An end mask has bit k
// set when freedom k of that end is transmitted; 63 is a rigid end.
class AnalysisMember
{
public:
    QSharedPointer<AnalysisNode> nodeA;
    QSharedPointer<AnalysisNode> nodeB;
    int releaseA = 63;
    int releaseB = 63;
    double spanStart = 0.0; // 0 to 1 for a main piece, −1 for a stub
    double spanEnd = 1.0;
    double length = 0.0;
    QSharedPointer<AnalysisSection> section;
    Matrix3x3 axes = Matrix3x3::zeroed();

    bool isMainPiece() const { return releaseA == 63 && releaseB == 63; }

    // This piece's local matrix as the assembly uses it: the beam element for
    // a main piece, the condensed stub otherwise.
    void localStiffnessMatrix(Matrix12x12* k) const;

    // Stiffest first: the ratio L / (A·(E + G)·(Iz + Iy)); a member without
    // a section is ordered against none.
    static bool flexibilityLessThan(const QSharedPointer<AnalysisMember>& a, const QSharedPointer<AnalysisMember>& b);

    // The prismatic beam element without shear deformation (Iz bends in the
    // local x–y plane, Iy in x–z), condensed for released freedoms.
    static void makeLocalStiffnessMatrix(double L, double E, double G, double A, double Iz, double Iy, double J,
                                         const Dof& endA, const Dof& endB, Matrix12x12* k);

    // Twelve springs, each joining a freedom at end 1 with the same freedom at
    // end 2, 10000 times stiffer than the member of length L, condensed for
    // released freedoms.
    static void makeLocalStubMatrix(double L, double E, double G, double A, double Iz, double Iy, double J,
                                    const Dof& endA, const Dof& endB, Matrix12x12* k);

    // Condenses the released freedoms in the order 0, 6, 1, 7, … 5, 11;
    // throws ExceptionAnalysisFault "Ill-conditioning in member release"
    // (without object) at the first vanishing pivot.
    static void reduceMatrix(Matrix12x12* k, const Dof& endA, const Dof& endB);

    // Static condensation of one freedom, K − K[:,r]·K[r,:]/K[r][r], leaving
    // its row and column zero; false, with k unchanged, when the pivot is
    // below 2^-128.
    static bool reduceMatrixInRow(Matrix12x12* k, int row);

    // Block diagonal matrices of the axes r (local axes as rows), turning
    // global components into member components: twice for the six freedoms
    // of a node, four times for the twelve of a member.
    static void expandTransformationMatrix(const Matrix3x3& r, Matrix6x6* t);
    static void expandTransformationMatrix(const Matrix3x3& r, Matrix12x12* t);

    // The stub stiffening factor.
    static constexpr double stubStiffness = 10000.0;
};
