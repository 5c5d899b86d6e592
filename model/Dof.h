#pragma once

#include <QMetaType>
#include <QStringList>

// A mask of six freedoms, bit k for X, Y, Z, Rx, Ry, Rz in that order. For a
// support a set bit is restrained; for a member end it is transmitted, so a
// pinned end reads 15 and a rigid one 63.
struct Dof
{
    enum Bit { X = 1, Y = 2, Z = 4, Rx = 8, Ry = 16, Rz = 32 };
    static constexpr int All = 63;
    static constexpr int Pinned = X | Y | Z | Rx;

    Dof(int value = 0) : mask(value) {}
    operator int() const { return mask; }

    bool isSet(int bit) const { return (mask & bit) != 0; }

    // "X", "Y", "Z", "Rx", "Ry", "Rz" in bit order.
    static const QStringList axisNames;

    int mask;
};

Q_DECLARE_METATYPE(Dof)
