#include "SelectionModel.h"

#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QReadLocker>
#include <QWriteLocker>

SelectionModel::SelectionModel(QObject* parent) : QObject(parent), lock(new QReadWriteLock) {}

SelectionModel::~SelectionModel() = default;

template <class F>
auto SelectionModel::change(F work)
{
    QWriteLocker locker(lock.get());
    emit SelectionWillChange();
    // The closing signal must follow whatever the work returns.
    struct Closing
    {
        SelectionModel* model;
        ~Closing() { emit model->SelectionHasChanged(); }
    } closing{this};
    return work();
}

template <class T>
QList<QSharedPointer<T>> SelectionModel::subOpSelectedOfClass() const
{
    QList<QSharedPointer<T>> found;
    for (const VaroObjectRef& object : selectionList)
        if (const QSharedPointer<T> cast = qSharedPointerObjectCast<T>(object))
            found.append(cast);
    return found;
}

template <class T>
QSharedPointer<T> SelectionModel::subOpLastSelectedOfClass() const
{
    for (int i = selectionList.size() - 1; i >= 0; --i)
        if (const QSharedPointer<T> cast = qSharedPointerObjectCast<T>(selectionList.at(i)))
            return cast;
    return QSharedPointer<T>();
}

template <class T>
QList<LoadRef> SelectionModel::subOpSelectedLoadsOfClass() const
{
    QList<LoadRef> found;
    for (const QSharedPointer<T>& load : subOpSelectedOfClass<T>())
        found.append(load);
    return found;
}

int SelectionModel::subOpLastIndexOf(const VaroObjectRef& object) const
{
    return selectionList.lastIndexOf(object);
}

void SelectionModel::subOpCount(const VaroObjectRef& object, int n)
{
    int& count = placeCount[object.data()];
    count += n;
    if (count <= 0)
        placeCount.remove(object.data());
}

void SelectionModel::subOpRemoveAt(int index)
{
    const VaroObjectRef object = selectionList.takeAt(index);
    subOpCount(object, -1);
    deselectionHistory.append(object);
    copyCountMap.remove(object);
}

QList<VaroObjectRef> SelectionModel::selection() const
{
    QReadLocker locker(lock.get());
    return selectionList;
}

VaroObjectRef SelectionModel::master() const
{
    QReadLocker locker(lock.get());
    return selectionList.isEmpty() ? VaroObjectRef() : selectionList.last();
}

bool SelectionModel::isObjectSelected(const VaroObjectRef& object) const
{
    QReadLocker locker(lock.get());
    return placeCount.contains(object.data());
}

QList<VaroObjectRef> SelectionModel::selectedGeometry() const
{
    QReadLocker locker(lock.get());
    QList<VaroObjectRef> geometry;
    for (const VaroObjectRef& object : selectionList)
        if (qobject_cast<Node*>(object.data()) || qobject_cast<Member*>(object.data()))
            geometry.append(object);
    return geometry;
}

QList<VaroObjectRef> SelectionModel::selectedWithin(const QList<VaroObjectRef>& objects) const
{
    QReadLocker locker(lock.get());
    QSet<VaroObjectRef> found;
    for (const VaroObjectRef& object : objects)
        if (placeCount.contains(object.data()))
            found.insert(object);
    return found.values();
}

QList<VaroObjectRef> SelectionModel::unselectedWithin(const QList<VaroObjectRef>& objects) const
{
    QReadLocker locker(lock.get());
    QSet<VaroObjectRef> found;
    for (const VaroObjectRef& object : objects)
        if (!placeCount.contains(object.data()))
            found.insert(object);
    return found.values();
}

QMap<int, VaroObjectRef> SelectionModel::objectsByIndex(const QList<VaroObjectRef>& objects) const
{
    QMap<int, VaroObjectRef> byIndex;
    for (int i = 0; i < objects.size(); ++i)
        byIndex.insert(i, objects.at(i));
    return byIndex;
}

QMap<int, VaroObjectRef> SelectionModel::selectionIndicesOfObjects(const QList<VaroObjectRef>& objects) const
{
    QReadLocker locker(lock.get());
    // Replays deselectObjects on a list of positions, so that an object
    // standing twice, or listed twice, gives the positions it would lose.
    QList<int> positions;
    for (int i = 0; i < selectionList.size(); ++i)
        positions.append(i);
    QList<VaroObjectRef> remaining = selectionList;
    QMap<int, VaroObjectRef> byIndex;
    for (int i = objects.size() - 1; i >= 0; --i) {
        const int at = remaining.lastIndexOf(objects.at(i));
        if (at < 0)
            continue;
        byIndex.insert(positions.takeAt(at), remaining.takeAt(at));
    }
    return byIndex;
}

QMap<VaroObjectRef, int> SelectionModel::copyCountsOfObjects(const QList<VaroObjectRef>& objects) const
{
    QReadLocker locker(lock.get());
    QMap<VaroObjectRef, int> counts;
    for (const VaroObjectRef& object : objects)
        counts.insert(object, copyCountMap.value(object, 1));
    return counts;
}

QMap<VaroObjectRef, int> SelectionModel::copyCounts() const
{
    QReadLocker locker(lock.get());
    return copyCountMap;
}

QSet<VaroObjectRef> SelectionModel::markedNew() const
{
    QReadLocker locker(lock.get());
    return markedNewSet;
}

QList<LoadRef> SelectionModel::selectedLoadsOfSameKind(const LoadRef& load) const
{
    QReadLocker locker(lock.get());
    // Most derived first, should a kind ever derive from another.
    if (qobject_cast<TrapezoidLoad*>(load.data()))
        return subOpSelectedLoadsOfClass<TrapezoidLoad>();
    if (qobject_cast<TorqueLoad*>(load.data()))
        return subOpSelectedLoadsOfClass<TorqueLoad>();
    if (qobject_cast<PointLoad*>(load.data()))
        return subOpSelectedLoadsOfClass<PointLoad>();
    return QList<LoadRef>();
}

QList<NodeRef> SelectionModel::selectedNodes() const
{
    QReadLocker locker(lock.get());
    return subOpSelectedOfClass<Node>();
}

QList<MemberRef> SelectionModel::selectedMembers() const
{
    QReadLocker locker(lock.get());
    return subOpSelectedOfClass<Member>();
}

QList<LoadRef> SelectionModel::selectedLoads() const
{
    QReadLocker locker(lock.get());
    return subOpSelectedOfClass<Load>();
}

QList<QSharedPointer<PointLoad>> SelectionModel::selectedPointLoads() const
{
    QReadLocker locker(lock.get());
    return subOpSelectedOfClass<PointLoad>();
}

QList<QSharedPointer<TorqueLoad>> SelectionModel::selectedTorqueLoads() const
{
    QReadLocker locker(lock.get());
    return subOpSelectedOfClass<TorqueLoad>();
}

QList<QSharedPointer<TrapezoidLoad>> SelectionModel::selectedTrapezoidLoads() const
{
    QReadLocker locker(lock.get());
    return subOpSelectedOfClass<TrapezoidLoad>();
}

NodeRef SelectionModel::lastSelectedNode() const
{
    QReadLocker locker(lock.get());
    return subOpLastSelectedOfClass<Node>();
}

MemberRef SelectionModel::lastSelectedMember() const
{
    QReadLocker locker(lock.get());
    return subOpLastSelectedOfClass<Member>();
}

LoadRef SelectionModel::lastSelectedLoad() const
{
    QReadLocker locker(lock.get());
    return subOpLastSelectedOfClass<Load>();
}

QSharedPointer<PointLoad> SelectionModel::lastSelectedPointLoad() const
{
    QReadLocker locker(lock.get());
    return subOpLastSelectedOfClass<PointLoad>();
}

QSharedPointer<TorqueLoad> SelectionModel::lastSelectedTorqueLoad() const
{
    QReadLocker locker(lock.get());
    return subOpLastSelectedOfClass<TorqueLoad>();
}

QSharedPointer<TrapezoidLoad> SelectionModel::lastSelectedTrapezoidLoad() const
{
    QReadLocker locker(lock.get());
    return subOpLastSelectedOfClass<TrapezoidLoad>();
}

void SelectionModel::selectObject(const VaroObjectRef& object, int copies, int index)
{
    change([&] {
        if (index < 0 || index > selectionList.size())
            selectionList.append(object);
        else
            selectionList.insert(index, object);
        subOpCount(object, 1);
        if (copies >= 2)
            copyCountMap.insert(object, copies);
    });
}

void SelectionModel::selectObjects(const QList<VaroObjectRef>& objects, const QMap<VaroObjectRef, int>& copies)
{
    change([&] {
        selectionList.append(objects);
        for (const VaroObjectRef& object : objects)
            subOpCount(object, 1);
        for (auto it = copies.cbegin(); it != copies.cend(); ++it)
            if (it.value() >= 2)
                copyCountMap.insert(it.key(), it.value());
    });
}

void SelectionModel::deselectObjects(const QList<VaroObjectRef>& objects)
{
    change([&] {
        for (int i = objects.size() - 1; i >= 0; --i) {
            const int at = subOpLastIndexOf(objects.at(i));
            if (at >= 0)
                subOpRemoveAt(at);
        }
    });
}

void SelectionModel::deselectObject(const VaroObjectRef& object)
{
    deselectObjects(QList<VaroObjectRef>{object});
}

void SelectionModel::deselectAll()
{
    QWriteLocker locker(lock.get());
    if (selectionList.isEmpty())
        return;
    emit SelectionWillChange();
    deselectionHistory.append(selectionList);
    selectionList.clear();
    placeCount.clear();
    copyCountMap.clear();
    emit SelectionHasChanged();
}

int SelectionModel::toggleObject(const VaroObjectRef& object, int index)
{
    return change([&] {
        const int at = selectionList.indexOf(object);
        if (at >= 0) {
            subOpRemoveAt(at);
            return at;
        }
        subOpCount(object, 1);
        if (index < 0 || index > selectionList.size()) {
            selectionList.append(object);
            return -1;
        }
        selectionList.insert(index, object);
        return index;
    });
}

int SelectionModel::moveObjectToIndex(const VaroObjectRef& object, int index)
{
    return change([&] {
        const int at = selectionList.indexOf(object);
        if (at >= 0)
            selectionList.removeAt(at);
        else
            subOpCount(object, 1);
        if (index < 0 || index > selectionList.size())
            selectionList.append(object);
        else
            selectionList.insert(index, object);
        return at;
    });
}

void SelectionModel::swapObjects(const VaroObjectRef& a, const VaroObjectRef& b)
{
    change([&] {
        const int atA = selectionList.indexOf(a);
        const int atB = selectionList.indexOf(b);
        if (atA >= 0 && atB >= 0)
            selectionList.swapItemsAt(atA, atB);
    });
}

void SelectionModel::markAsNew(const QList<VaroObjectRef>& objects)
{
    QWriteLocker locker(lock.get());
    for (const VaroObjectRef& object : objects)
        markedNewSet.insert(object);
}

QSet<VaroObjectRef> SelectionModel::getAndClearDeselectionHistory()
{
    QWriteLocker locker(lock.get());
    const QSet<VaroObjectRef> history(deselectionHistory.begin(), deselectionHistory.end());
    deselectionHistory.clear();
    return history;
}

void SelectionModel::checkMarkedNew()
{
    QWriteLocker locker(lock.get());
    QSet<VaroObjectRef> kept;
    for (const VaroObjectRef& object : qAsConst(markedNewSet))
        if (placeCount.contains(object.data()))
            kept.insert(object);
    if (kept.size() == markedNewSet.size())
        return;
    emit SelectionWillChange();
    markedNewSet = kept;
    emit SelectionHasChanged();
}

bool SelectionModel::releaseSome(int* budget)
{
    if (!releasing) {
        releasing = true;
        // One that another holder shares goes whole: erasing would copy it.
        if (!markedNewSet.isDetached())
            markedNewSet = QSet<VaroObjectRef>();
        if (!placeCount.isDetached())
            placeCount = QHash<const VaroObject*, int>();
        nextMarked = markedNewSet.begin();
        nextPlace = placeCount.begin();
    }
    for (; nextMarked != markedNewSet.end() && *budget > 0; --*budget)
        nextMarked = markedNewSet.erase(nextMarked);
    for (; nextPlace != placeCount.end() && *budget > 0; --*budget)
        nextPlace = placeCount.erase(nextPlace);
    return nextMarked == markedNewSet.end() && nextPlace == placeCount.end()
           && releaseSomeOf(budget, selectionList, copyCountMap, deselectionHistory);
}
