#pragma once

#include <QButtonGroup>

// A button group whose current button the program can change as if the user
// had clicked it, so that the group reports the change the usual way.
class ProgrammaticButtonGroup : public QButtonGroup
{
    Q_OBJECT

public:
    using QButtonGroup::QButtonGroup;

public slots:
    // Clicks the button with that id unless it is missing, checked or down.
    void setCurrentIndex(int id);
};
