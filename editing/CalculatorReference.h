#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

// The map of names to values that travels with a calculator value back to the
// action that asked for it ("masterNode", "masterMember", "masterLoad",
// "index"). The calculator window sits above the document, so the type lives
// here, where the document's actions can name it.
typedef QMap<QString, QVariant> CalculatorReference;
