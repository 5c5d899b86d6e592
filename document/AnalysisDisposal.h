#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QSharedPointer>

#include <functional>
#include <iterator>
#include <memory>

class QObject;
class QThread;
class VaroObject;

// Whether this holder alone holds the container's elements. A read of the
// count alone orders nothing: a copy made and dropped then changes it, so
// that what this thread does next with the elements comes after all that the
// holders who let go of them did.
template <class Container>
bool holdsAlone(const Container& container)
{
    if (!container.isDetached())
        return false;
    {
        const Container touch = container;
    }
    return true;
}

// Who lets go of what, and where. Every holder that is added lets go the
// same way.
//
// - A model object (a QObject of a document) is destroyed in the GUI thread,
//   where it lives. Whichever thread lets go of one last, the analysis, this
//   one or a pool's, it is handed back here (VaroObject::make, handBack) and
//   destroyed there, a slice between two events.
// - A closed document goes as a whole after its analysis has returned, a
//   slice between two events at a time: its structure, its libraries entry
//   by entry and subentry by subentry, and everything else that holds its
//   objects, the undo history, the selection and the reports
//   (DocumentCore::takingApart, started by ~DocumentModel). Each slice
//   destroys at most objectsPerSlice objects, or lets go of as many
//   elements of the maps and lists that hold them.
// - The steps an undo history drops while its document stays open (past its
//   limit, undone and replaced by a new step, cleared) go the same way, a
//   command and an element at a time (UndoHistory).
// - What an analysis built (its source's records, its expansion's loads and
//   tables, its outputs) is its own: it lets go of it a piece at a time,
//   here on a thread of its own once it was asked to end
//   (AnalysisModel::releaseHoldings), never in the GUI thread, whose windows
//   would stand still for it. Model objects that this lets go of last are
//   handed back as above.
// - The program's end waits for the kept analyses' threads, which end
//   within one step of their work once asked, so that none runs after Qt's
//   statics have gone, and for the piece being freed; what is still to be
//   freed then is left to the process's end.
//
// Once a release has freed some tens of megabytes, the allocator's free
// pages go back to the system.
class AnalysisDisposal
{
public:
    // Frees a piece, or a slice, at each call; true once nothing is left.
    typedef std::function<bool()> Release;

    // The objects a slice in the GUI thread destroys at most: a few
    // milliseconds' work.
    static const int objectsPerSlice = 512;

    // A part of a closed document that lets go of what it holds a piece at a
    // time (its undo history, its selection) before it goes itself.
    class Holder
    {
    public:
        virtual ~Holder() = default;
        // Removes up to *budget of the elements it holds, counting them off
        // the budget, without a signal; true once it holds none.
        virtual bool releaseSome(int* budget) = 0;
    };

    // Takes a model object of the GUI thread that another thread let go of
    // last, and destroys it there between two events; left unfreed once the
    // program is ending.
    static void handBack(VaroObject* object);

    // Connected before the analysis's thread starts, so that even an ending
    // at once is heard.
    static void watch(QThread* thread);
    // Takes the last reference to an analysis that was asked to end: freed
    // once its thread has returned, and never in the GUI thread. Afterwards,
    // what lets go of what it read of its document runs between the GUI
    // thread's events (a null analysis has nothing to wait for).
    static void keep(QSharedPointer<QObject> analysis, Release afterwards);
    // Hands freeing to the disposal thread, which runs release until it is
    // done; dropped unrun, and unfreed, when the program is ending.
    static void release(Release release);
    // Runs release in the GUI thread once between two of its events until it
    // is done, so that every window answers meanwhile; dropped unrun when
    // the program is ending.
    static void releaseBetweenEvents(Release release);
    // Empties the container on the disposal thread, a piece at a time.
    template <class Container>
    static void releaseElsewhere(Container container)
    {
        const auto held = std::make_shared<Container>(std::move(container));
        release([held] { return releaseEach(*held); });
    }
    // A hash goes an entry at a time from its first, found once, and each
    // list it holds alone an element at a time.
    template <class Key, class T>
    static void releaseElsewhere(QHash<Key, T> hash)
    {
        struct Held
        {
            QHash<Key, T> hash;
            typename QHash<Key, T>::iterator next;
        };
        const auto held = std::make_shared<Held>();
        held->hash = std::move(hash);
        held->next = held->hash.begin();
        release([held] {
            while (held->next != held->hash.end()) {
                if (isEnding() || !releaseInside(held->next.value()))
                    return false;
                held->next = held->hash.erase(held->next);
            }
            return true;
        });
    }
    // Gives the pages of a large block back to the system a piece at a time
    // before the block is freed: unmapped at once, hundreds of megabytes hold
    // the lock of the process's memory map while every page goes, and every
    // thread that maps or unmaps memory meanwhile, the GUI thread's drawing
    // among them, waits for all of it. False once the program is ending.
    static bool releasePages(void* data, size_t bytes);
    // Whether what is still to be freed is left to the process's end.
    static bool isEnding();
    // Whether anything waits to be freed or is being freed: a kept analysis,
    // a release queued or running, on the disposal thread or between events.
    static bool isPending();
    // What the application waits for as it ends: the threads of the kept
    // analyses and the piece being freed.
    static void waitForThreads();

    // Counts the work of freeing done on this thread while it lives towards
    // handing the freed pages back, which the disposal thread does once it
    // has nothing left to free.
    class Freeing
    {
    public:
        Freeing();
        ~Freeing();
        Q_DISABLE_COPY(Freeing)

    private:
        const double start;
    };
    // How often the allocator's free pages have been handed back.
    static int trims();

    // Removes the elements of a container one at a time while the program is
    // not ending; true once it is empty. A list held in it and shared with no
    // other goes an element at a time too.
    template <class Container>
    static bool releaseEach(Container& container)
    {
        while (!container.isEmpty()) {
            if (isEnding())
                return false;
            const auto piece = pieceOf(container);
            if (!releaseInside(*piece))
                return false;
            container.erase(piece);
        }
        return true;
    }

    // Removes up to *budget elements of the container, counting them off
    // the budget; true once it is empty.
    template <class Container>
    static bool releaseSome(Container& container, int* budget)
    {
        for (; !container.isEmpty() && *budget > 0; --*budget)
            container.erase(pieceOf(container));
        return container.isEmpty();
    }

private:
    // The element that goes next: the last, which a list removes at no cost.
    // (A hash finds neither its last nor, once emptied at the front, its
    // first without a search: it goes from an iterator kept, above.)
    template <class Container>
    static typename Container::iterator pieceOf(Container& container)
    {
        return std::prev(container.end());
    }
    template <class T>
    static bool releaseInside(T&)
    {
        return true;
    }
    template <class T>
    static bool releaseInside(QList<T>& list)
    {
        return !holdsAlone(list) || releaseEach(list);
    }
};

// A container another holder shares goes whole at no cost, as one piece:
// its elements go with their last holder, and removing them one by one
// here would copy them all first.
template <class Container>
bool releaseHeldContainer(Container& container, int* budget)
{
    if (container.isEmpty())
        return true;
    if (!holdsAlone(container)) {
        if (*budget <= 0)
            return false;
        container = Container();
        --*budget;
        return true;
    }
    return AnalysisDisposal::releaseSome(container, budget);
}

template <class T>
bool releaseHeld(QList<T>& list, int* budget)
{
    return releaseHeldContainer(list, budget);
}

template <class K, class V>
bool releaseHeld(QMap<K, V>& map, int* budget)
{
    return releaseHeldContainer(map, budget);
}

// Empties each in turn, up to *budget elements in all; true once all are empty.
template <class... Held>
bool releaseSomeOf(int* budget, Held&... held)
{
    return (releaseHeld(held, budget) && ...);
}
