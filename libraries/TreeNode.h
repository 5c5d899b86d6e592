#pragma once

#include <QList>
#include <QObject>
#include <QReadWriteLock>
#include <QSharedPointer>

class TreeNode;
typedef QSharedPointer<TreeNode> TreeNodeRef;

// A node of a library tree: a link to its parent and an ordered list of
// subnodes. The list is guarded by the node's own read-write lock because the
// analysis thread reads some libraries while the GUI thread edits them. The
// signals live here since the typed items are templates and cannot declare any.
class TreeNode : public QObject
{
    Q_OBJECT

public:
    TreeNode();
    ~TreeNode() override;

    // The node holding this one, null for a root or a node taken out of its
    // tree. Named apart from QObject::parent(), which is not a tree link.
    TreeNode* parentNode() const;

    // Subnode i, null when i is out of range.
    TreeNodeRef subnode(int i) const;
    int subnodeCount() const;
    // A copy of the list, taken under the read lock.
    QList<TreeNodeRef> subnodes() const;
    int indexOf(const TreeNodeRef& node) const;

    // A node has one parent: a null node, one already in a tree, or one that
    // would make the tree a cycle is refused and false comes back.
    bool appendSubnode(const TreeNodeRef& node);
    // An index out of range appends.
    bool insertSubnode(int index, const TreeNodeRef& node);
    bool removeSubnode(const TreeNodeRef& node);
    // Takes the last subnode out, at no cost however many there are; null
    // when there is none.
    TreeNodeRef takeLastSubnode();

    // ValueChanged on this node, then SubnodeValueChanged on each parent up to
    // the root. Call it with no library or node lock held.
    void propagateEmitValueChanged();

signals:
    void ValueChanged();
    void SubnodeValueChanged();

protected:
    QReadWriteLock& nodeLock() const { return lock; }

private:
    bool canAdopt(const TreeNodeRef& node) const;

    mutable QReadWriteLock lock;
    QList<TreeNodeRef> children;
    // Set and cleared by the parent under this node's lock; the parent owns the
    // child through the list, never the other way round.
    TreeNode* parentLink = nullptr;
};
