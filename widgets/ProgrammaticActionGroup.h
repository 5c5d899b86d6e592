#pragma once

#include <QActionGroup>

// An action group that reports the index of the action the user checks, and
// whose current action the program can set without a report.
class ProgrammaticActionGroup : public QActionGroup
{
    Q_OBJECT

public:
    explicit ProgrammaticActionGroup(QObject* parent);

public slots:
    void hasBeenTriggered(QAction* action);
    void setCurrentIndex(int index);

signals:
    void checked(int index);
};
