#pragma once

#include <QObject>

// Merges any number of trigger() calls made during one pass of the event loop
// into one triggered() signal in a later pass.
class SingleEmitter : public QObject
{
    Q_OBJECT

public:
    explicit SingleEmitter(QObject* parent);

    void suspend() { suspended = true; }
    void release() { suspended = false; }
    bool isPending() const { return pending; }

public slots:
    void trigger();

signals:
    void triggered();
    void _triggered();

private slots:
    void _relay();

private:
    bool pending = false;
    bool suspended = false;
};
