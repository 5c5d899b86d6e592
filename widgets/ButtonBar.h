#pragma once

#include <QStringList>
#include <QWidget>

class ProgrammaticButtonGroup;

// A row of checkable buttons that reads as one rounded segmented control;
// button ids are their positions.
class ButtonBar : public QWidget
{
    Q_OBJECT

public:
    ButtonBar(const QStringList& labels, const QStringList& toolTips, QWidget* parent);

    ProgrammaticButtonGroup* group() const { return buttonGroup; }

public slots:
    void setCurrentIndex(int index);

signals:
    void buttonClicked(int index);

private:
    ProgrammaticButtonGroup* buttonGroup;
};
