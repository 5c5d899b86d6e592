#pragma once

// A closed model goes a slice at a time between events, after its analysis
// has returned. A test that closes one large model and opens the next without
// running the event loop would hold both.

#include "AnalysisDisposal.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

// Runs the GUI thread's events until nothing closed is left to free.
inline void letClosedModelsGo()
{
    while (AnalysisDisposal::isPending())
        // What the other threads still free posts no event to wake this one.
        if (!QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents))
            QThread::msleep(1);
}
