#pragma once

#include <QString>
#include <QStringList>

// The shipped demonstrations. A script's name has four fields separated by
// ".": the two-digit menu order, the edition letters, the starting model
// (empty for a blank model) and the menu title.
// Registers the scripts and their shared header (":/replay/…"); a static
// library's resources need this call.
void initialiseDemoResources();

// The names of the scripts this edition shows (edition letter "U"), sorted.
QStringList demoScriptNames(const QString& directory = QStringLiteral(":/replay"));

// The self test: a header, then every script of the given names that starts
// on a blank model, in the order given, then a footer; each piece after the
// first begins after a wait and a reset to a blank model.
QString selfTestScript(const QStringList& names, const QString& directory = QStringLiteral(":/replay"));
