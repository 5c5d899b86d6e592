#include "SingleEmitter.h"

SingleEmitter::SingleEmitter(QObject* parent) : QObject(parent)
{
    connect(this, &SingleEmitter::_triggered, this, &SingleEmitter::_relay, Qt::QueuedConnection);
}

void SingleEmitter::trigger()
{
    if (pending)
        return;
    pending = true;
    emit _triggered();
}

void SingleEmitter::_relay()
{
    if (suspended) {
        // Wait for release(): ask again on the next pass.
        emit _triggered();
        return;
    }
    pending = false;
    emit triggered();
}
