#pragma once

#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariant>

// The map of names to values that travels with a calculator value back to the
// action that asked for it ("masterNode", "masterMember", "masterLoad",
// "index"). Queued and string-based connections compare type names as text,
// so every signal and slot spells it this one way.
typedef QMap<QString, QVariant> CalculatorReference;
