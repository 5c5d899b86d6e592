#include "DocumentCore.h"

#include "GroupLibrary.h"
#include "Libraries.h"
#include "LoadAxisLibrary.h"
#include "LoadCaseExpansion.h"
#include "LoadCaseLibrary.h"
#include "MaterialLibrary.h"
#include "MemberAxisLibrary.h"
#include "MemberPinLibrary.h"
#include "SectionLibrary.h"
#include "StopChecks.h"
#include "StructureModel.h"
#include "SupportLibrary.h"
#include "VaroObject.h"

#include <QThread>

#include <array>
#include <memory>
#include <vector>

namespace {

// How long a reader that let writers in rests between two looks at them.
const unsigned long writerPollInterval = 5; // ms

// The document's read lock for a long read that lets writers in on the way.
// A thread that writes under the lock itself holds nothing more, and lets
// no one in.
class YieldingReadLocker
{
public:
    explicit YieldingReadLocker(TrackedReadWriteLock* lock, const char* asker = __builtin_FUNCTION())
        : lock(lock), held(lock->lockForRead(asker)), locked(held)
    {
    }
    ~YieldingReadLocker()
    {
        if (locked)
            lock->unlock();
    }
    Q_DISABLE_COPY(YieldingReadLocker)

    bool canYield() const { return held; }
    void release()
    {
        lock->unlock();
        locked = false;
    }
    void retake()
    {
        lock->lockForRead();
        locked = true;
    }

private:
    TrackedReadWriteLock* const lock;
    const bool held;
    bool locked;
};

} // namespace

DocumentCore::DocumentCore(const QSharedPointer<Libraries>& libraries, const QSharedPointer<StructureModel>& structure)
    : libraries(libraries), structure(structure)
{
}

int DocumentCore::topologySum() const
{
    return structure->topologyCounter() + groupStamp();
}

int DocumentCore::stiffnessSum() const
{
    return structure->stiffnessCounter() + groupStamp() + stiffnessStamp();
}

int DocumentCore::loadingSum() const
{
    return structure->loadingCounter() + groupStamp() + loadCaseStamp();
}

void DocumentCore::readMembers(const std::function<void(const QList<MemberRef>&)>& read) const
{
    TrackedReadLocker locker(&documentLock);
    structure->readMembers(read);
}

QList<LoadCaseRef> DocumentCore::loadCases() const
{
    TrackedReadLocker locker(&documentLock);
    return subOpLoadCases();
}

QList<LoadCaseRef> DocumentCore::subOpLoadCases() const
{
    QList<LoadCaseRef> loadCases;
    subOpGatherLoadCases(&loadCases, {});
    return loadCases;
}

bool DocumentCore::gatherLoadCases(QList<LoadCaseRef>* loadCases, const std::function<bool()>& carryOn) const
{
    TrackedReadLocker locker(&documentLock);
    return subOpGatherLoadCases(loadCases, carryOn);
}

bool DocumentCore::subOpGatherLoadCases(QList<LoadCaseRef>* loadCases, const std::function<bool()>& carryOn) const
{
    const QSharedPointer<LoadCaseLibrary> library =
        libraries ? libraries->loadCaseLibrary() : QSharedPointer<LoadCaseLibrary>();
    StopChecks checks(carryOn);
    return !library || library->gatherAll(loadCases, &checks);
}

bool DocumentCore::loadsInLoadCases(const QList<LoadCaseRef>& loadCases, QList<QList<LoadRef>>* loads,
                                    const std::function<bool()>& carryOn) const
{
    YieldingReadLocker locker(&documentLock);
    const auto sums = [this] { return std::array<int, 3>{{topologySum(), stiffnessSum(), loadingSum()}}; };
    // A writer waiting for the lock has it now; what was expanded before
    // still holds when the writer changed nothing that the sums count.
    const auto letWritersIn = [&] {
        if (carryOn && !carryOn())
            return false;
        if (!locker.canYield() || busyCount() == 0)
            return true;
        const std::array<int, 3> before = sums();
        locker.release();
        while (busyCount() != 0) {
            if (carryOn && !carryOn())
                return false;
            QThread::msleep(writerPollInterval);
        }
        locker.retake();
        return sums() == before;
    };
    return expandLoadCases(loadCases, structure->members(), structure->loads(), loads, letWritersIn);
}

AnalysisDisposal::Release DocumentCore::takingApart(QSharedPointer<DocumentCore> core,
                                                    QList<QSharedPointer<QObject>> holders, int objectsPerCall)
{
    struct Parts
    {
        QSharedPointer<DocumentCore> core;
        // The last goes first; each that can lets go of what it holds a piece
        // at a time before it goes itself.
        QList<QSharedPointer<QObject>> holders;
        // Taken as the lists stand, which costs nothing while they share the
        // structure's; each is then the last holder of what the structure held.
        QList<LoadRef> loads;
        QList<MemberRef> members;
        QList<NodeRef> nodes;
        // Entries whose subentries are taken out one by one before they go.
        std::vector<TreeNodeRef> entries;
        // Entries of a library that another document shares: let go of whole.
        std::vector<TreeNodeRef> shared;
        // The objects that letting go of the others left to destroy.
        std::vector<VaroObject*> freed;
    };
    const auto parts = std::make_shared<Parts>();
    parts->core = std::move(core);
    parts->holders = std::move(holders);
    return [parts, objectsPerCall] {
        Parts& p = *parts;
        const VaroObject::Collecting collecting(&p.freed);
        if (p.core) {
            if (const QSharedPointer<StructureModel>& structure = p.core->structure) {
                p.loads = structure->loads();
                p.members = structure->members();
                p.nodes = structure->nodes();
            }
            if (const QSharedPointer<Libraries>& l = p.core->libraries) {
                p.entries = {l->groupLibrary()->root(),      l->loadAxisLibrary()->root(),
                             l->loadCaseLibrary()->root(),   l->materialLibrary()->root(),
                             l->memberAxisLibrary()->root(), l->memberPinLibrary()->root(),
                             l->supportLibrary()->root()};
                (l->sharesSections() ? p.shared : p.entries).push_back(l->sectionLibrary()->root());
            }
            p.core.reset();
            p.shared.clear();
        }
        int budget = objectsPerCall;
        while (budget > 0) {
            if (!p.freed.empty()) {
                VaroObject::destroySome(&p.freed, &budget);
                continue;
            }
            if (!p.holders.isEmpty()) {
                auto* holder = dynamic_cast<AnalysisDisposal::Holder*>(p.holders.last().data());
                if (holder && !holder->releaseSome(&budget))
                    continue;
                p.holders.removeLast();
                --budget;
                continue;
            }
            if (!p.loads.isEmpty())
                p.loads.removeLast();
            else if (!p.members.isEmpty())
                p.members.removeLast();
            else if (!p.nodes.isEmpty())
                p.nodes.removeLast();
            else if (p.entries.empty())
                return true;
            else if (const TreeNodeRef subentry = p.entries.back() ? p.entries.back()->takeLastSubnode() : TreeNodeRef())
                p.entries.push_back(subentry);
            else
                p.entries.pop_back();
            --budget;
        }
        return false;
    };
}
