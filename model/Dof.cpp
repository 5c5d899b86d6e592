#include "Dof.h"

const QStringList Dof::axisNames = QStringLiteral("X,Y,Z,Rx,Ry,Rz").split(QLatin1Char(','));
