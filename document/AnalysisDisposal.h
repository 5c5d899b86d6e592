#pragma once

#include "AnalysisDocument.h"

#include <QSharedPointer>

#include <functional>
#include <iterator>

class QObject;
class QThread;

// Analyses asked to end are kept here until their threads have finished, and
// what they and the outputs they published held is freed here, on a thread
// of its own: never in the GUI thread, whose windows would stand still for
// it, and a piece at a time, so that the program's end need not wait for it.
//
// The program's end waits for the kept analyses' threads, which end within
// one step of their work once asked, so that none runs after Qt's statics
// have gone; what is still to be freed then is left to the process's end.
class AnalysisDisposal
{
public:
    // Frees one piece at each call; true once nothing is left.
    typedef std::function<bool()> Release;

    // Connected before the analysis's thread starts, so that even an ending
    // at once is heard.
    static void watch(QThread* thread);
    // Takes the last reference to an analysis that was asked to end: freed
    // once its thread has finished, and never in the GUI thread. What it
    // reads of its document is let go in the GUI thread after it.
    static void keep(QSharedPointer<QObject> analysis, QSharedPointer<const AnalysisDocument> document);
    // Hands freeing to the disposal thread, which runs release until it is
    // done; dropped unrun, and unfreed, when the program is ending.
    static void release(Release release);
    // Whether what is still to be freed is left to the process's end.
    static bool isEnding();
    // What the application waits for as it ends: the threads of the kept
    // analyses and the piece being freed.
    static void waitForThreads();

    // Removes the elements of a container one at a time from its end while
    // the program is not ending; true once it is empty.
    template <class Container>
    static bool releaseEach(Container& container)
    {
        while (!container.isEmpty()) {
            if (isEnding())
                return false;
            container.erase(std::prev(container.end()));
        }
        return true;
    }
};
