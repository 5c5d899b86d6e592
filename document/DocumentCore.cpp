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
#include "StructureModel.h"
#include "SupportLibrary.h"

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
    const QSharedPointer<LoadCaseLibrary> library =
        libraries ? libraries->loadCaseLibrary() : QSharedPointer<LoadCaseLibrary>();
    if (!library)
        return QList<LoadCaseRef>();
    return library->loadings() + library->autoCases() + library->swayCases() + library->combinations();
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

AnalysisDisposal::Release DocumentCore::takingApart(QSharedPointer<DocumentCore> core, int objectsPerCall)
{
    struct Parts
    {
        QSharedPointer<DocumentCore> core;
        // Taken as the lists stand, which costs nothing while they share the
        // structure's; each is then the last holder of what the structure held.
        QList<LoadRef> loads;
        QList<MemberRef> members;
        QList<NodeRef> nodes;
        // A library entry goes before its subentries, which wait here.
        std::vector<TreeNodeRef> entries;
    };
    const auto parts = std::make_shared<Parts>();
    parts->core = std::move(core);
    return [parts, objectsPerCall] {
        Parts& p = *parts;
        if (p.core) {
            if (const QSharedPointer<StructureModel>& structure = p.core->structure) {
                p.loads = structure->loads();
                p.members = structure->members();
                p.nodes = structure->nodes();
            }
            if (const QSharedPointer<Libraries>& l = p.core->libraries)
                p.entries = {l->groupLibrary()->root(),      l->loadAxisLibrary()->root(),
                             l->loadCaseLibrary()->root(),   l->materialLibrary()->root(),
                             l->memberAxisLibrary()->root(), l->memberPinLibrary()->root(),
                             l->sectionLibrary()->root(),    l->supportLibrary()->root()};
            p.core.reset();
        }
        int budget = objectsPerCall;
        if (!AnalysisDisposal::releaseSome(p.loads, &budget) || !AnalysisDisposal::releaseSome(p.members, &budget)
            || !AnalysisDisposal::releaseSome(p.nodes, &budget))
            return false;
        for (; !p.entries.empty() && budget > 0; --budget) {
            const TreeNodeRef entry = std::move(p.entries.back());
            p.entries.pop_back();
            if (entry) {
                const QList<TreeNodeRef> subentries = entry->subnodes();
                p.entries.insert(p.entries.end(), subentries.begin(), subentries.end());
            }
        }
        return p.entries.empty();
    };
}
