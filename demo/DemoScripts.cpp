#include "DemoScripts.h"

#include "Forth.h"

#include <QDir>

void initialiseDemoResources()
{
    Q_INIT_RESOURCE(replay);
}

QStringList demoScriptNames(const QString& directory)
{
    initialiseDemoResources();
    QStringList names;
    for (const QString& name : QDir(directory).entryList(QDir::Files, QDir::Name))
        if (name.section(QLatin1Char('.'), 1, 1).contains(QLatin1Char('U')))
            names << name;
    return names;
}

QString selfTestScript(const QStringList& names, const QString& directory)
{
    initialiseDemoResources();
    QStringList pieces{QStringLiteral("s\" <h2>BIST</h2>\" -1 SYS:Message s\" BIST\" SYS:SetSpeed\n")};
    for (const QString& name : names)
        if (name.section(QLatin1Char('.'), 2, 2).isEmpty())
            pieces << Forth::loadScript(directory, name);
    pieces << QStringLiteral("s\" NORMAL\" SYS:SetSpeed s\" <h2>BIST Completed</h2>Successful.\"  -2 SYS:Message\n");
    return pieces.join(QStringLiteral("\n500 SYS:Wait SYS:Reset\n"));
}
