#pragma once

#include "StopChecks.h"
#include "TreeLibrary_base.h"
#include "TreeLibraryItem.h"

#include <QReadLocker>
#include <QSet>
#include <QWriteLocker>

// A library of entries of type T (a shared reference to a model object) held
// in a tree of TreeLibraryItem<T>.
template <class T>
class TreeLibrary : public TreeLibrary_base
{
public:
    typedef TreeLibraryItem<T> Item;
    typedef QSharedPointer<Item> ItemRef;

    // Subnode i of the node as an item of this library, null when it is none.
    static ItemRef subnodeItem(const TreeNodeRef& node, int i)
    {
        return node ? node->subnode(i).template dynamicCast<Item>() : ItemRef();
    }

    // Those nodes that are items of this library, in order.
    static QList<ItemRef> castItems(const QList<TreeNodeRef>& nodes)
    {
        QList<ItemRef> items;
        for (const TreeNodeRef& node : nodes)
            if (const ItemRef item = node.template dynamicCast<Item>())
                items.append(item);
        return items;
    }

    // Depth first from the node itself: the item whose value is that very
    // object. A null value never matches, so branches are never found.
    ItemRef findItemByValue(const TreeNodeRef& node, const T& value) const
    {
        QReadLocker locker(&libraryLock);
        return subOpFindItemByValue(node, value);
    }

    // The first item below the node whose value is not null and satisfies
    // predicate(value, key). Each level is tried in order before any subtree,
    // then, when recursive, each subnode's subtree in order by the same rule.
    template <class Predicate, class Key>
    ItemRef findItem(const TreeNodeRef& node, Predicate predicate, const Key& key, bool recursive) const
    {
        QReadLocker locker(&libraryLock);
        return subOpFindItem(node, predicate, key, recursive);
    }

    // The non-null values of the node's direct items, in order.
    QList<T> valuesOf(const TreeNodeRef& node) const
    {
        QReadLocker locker(&libraryLock);
        return subOpValuesOf(node);
    }
    // Appends the values of the node's items, asking the checks at each
    // subnode; false once they answer that the caller has stopped, with the
    // values appended so far.
    bool appendValuesOf(const TreeNodeRef& node, QList<T>* values, StopChecks* checks) const
    {
        QReadLocker locker(&libraryLock);
        return subOpAppendValuesOf(node, values, checks);
    }

    // Where an item stood before it was taken out: its parent, its index
    // there and the item itself. An empty place when nothing was taken.
    struct Place
    {
        TreeNode* parent = nullptr;
        int index = -1;
        ItemRef item;
    };

    // As removeItemByValue, saying where the item stood.
    Place takeItemByValue(const TreeNodeRef& node, const T& value)
    {
        Place place;
        {
            QWriteLocker locker(&libraryLock);
            const ItemRef item = subOpFindItemByValue(node, value);
            TreeNode* holder = item ? item->parentNode() : nullptr;
            const int index = holder ? holder->indexOf(item) : -1;
            if (!holder || !holder->removeSubnode(item))
                return place;
            place = Place{holder, index, item};
        }
        emit Changed();
        return place;
    }

    // Puts a taken item back where it stood, so that the library lists its
    // entries in their former order.
    void restoreItem(const Place& place)
    {
        if (!place.parent || !place.item)
            return;
        {
            QWriteLocker locker(&libraryLock);
            if (!place.parent->insertSubnode(place.index, place.item))
                return;
        }
        emit Changed();
    }

protected:
    // firstFreeName among the names of the node's entries.
    QString firstFreeNameUnder(const TreeNodeRef& node, const QString& pattern) const
    {
        QStringList used;
        for (const T& value : valuesOf(node))
            used << value->name();
        return firstFreeName(pattern, used);
    }

    void subOpCollectValues(const TreeNodeRef& node, QSet<T>* values) const
    {
        const ItemRef item = node.template dynamicCast<Item>();
        if (item && item->value())
            values->insert(item->value());
        for (const TreeNodeRef& subnode : node->subnodes())
            subOpCollectValues(subnode, values);
    }

    ItemRef subOpFindItemByValue(const TreeNodeRef& node, const T& value) const
    {
        if (!node || !value)
            return ItemRef();
        const ItemRef item = node.template dynamicCast<Item>();
        if (item && item->value() == value)
            return item;
        for (const TreeNodeRef& subnode : node->subnodes())
            if (const ItemRef found = subOpFindItemByValue(subnode, value))
                return found;
        return ItemRef();
    }

    template <class Predicate, class Key>
    ItemRef subOpFindItem(const TreeNodeRef& node, Predicate predicate, const Key& key, bool recursive) const
    {
        if (!node)
            return ItemRef();
        const QList<TreeNodeRef> level = node->subnodes();
        for (const ItemRef& item : castItems(level)) {
            const T value = item->value();
            if (value && predicate(value, key))
                return item;
        }
        if (recursive)
            for (const TreeNodeRef& subnode : level)
                if (const ItemRef found = subOpFindItem(subnode, predicate, key, true))
                    return found;
        return ItemRef();
    }

    QList<T> subOpValuesOf(const TreeNodeRef& node) const
    {
        QList<T> values;
        StopChecks never({});
        subOpAppendValuesOf(node, &values, &never);
        return values;
    }

    bool subOpAppendValuesOf(const TreeNodeRef& node, QList<T>* values, StopChecks* checks) const
    {
        if (!node)
            return true;
        const QList<TreeNodeRef> subnodes = node->subnodes();
        for (const TreeNodeRef& subnode : subnodes) {
            if (checks->stopped())
                return false;
            if (const ItemRef item = subnode.template dynamicCast<Item>())
                if (const T value = item->value())
                    values->append(value);
        }
        return true;
    }

    // Adds a new item holding the value at the end of the branch and announces
    // it. A null value, or one the library already holds, is refused: two
    // items of one entry would leave a copy behind on removal.
    ItemRef appendItem(const TreeNodeRef& branch, const T& value, const QString& name)
    {
        ItemRef item;
        {
            QWriteLocker locker(&libraryLock);
            if (!branch || !value || subOpFindItemByValue(root(), value))
                return ItemRef();
            item = ItemRef(new Item(value, name));
            branch->appendSubnode(item);
        }
        emit Changed();
        return item;
    }

    // appendItem for many values, each at the end of the branch that
    // branchOf(value) names, announced once. What the library holds is
    // gathered in one pass, so that many entries (a model file's) take time
    // in proportion to their number rather than to its square.
    template <class BranchOf>
    void appendItems(const QList<T>& values, BranchOf branchOf)
    {
        bool added = false;
        {
            QWriteLocker locker(&libraryLock);
            QSet<T> held;
            subOpCollectValues(root(), &held);
            for (const T& value : values) {
                const TreeNodeRef branch = branchOf(value);
                if (!branch || !value || held.contains(value))
                    continue;
                held.insert(value);
                branch->appendSubnode(ItemRef(new Item(value, value->name())));
                added = true;
            }
        }
        if (added)
            emit Changed();
    }

    // Takes the item holding the value, searched below the node, out of the
    // tree and announces it; false when there is none.
    bool removeItemByValue(const TreeNodeRef& node, const T& value)
    {
        {
            QWriteLocker locker(&libraryLock);
            const ItemRef item = subOpFindItemByValue(node, value);
            TreeNode* holder = item ? item->parentNode() : nullptr;
            if (!holder || !holder->removeSubnode(item))
                return false;
        }
        emit Changed();
        return true;
    }
};
