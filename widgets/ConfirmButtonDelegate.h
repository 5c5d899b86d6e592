#pragma once

#include <QObject>
#include <QTimer>

class QPushButton;

// Makes a checkable push button ask for a second click within three seconds
// before a destructive command goes ahead.
class ConfirmButtonDelegate : public QObject
{
    Q_OBJECT

public:
    static constexpr int WaitMilliseconds = 3000;

    explicit ConfirmButtonDelegate(QPushButton* button);

public slots:
    void buttonClicked(bool checked);
    void reset();

signals:
    void Confirmed();

private:
    QPushButton* button;
    QTimer timer;
};
