#pragma once

#include "TreeNode.h"

#include <QObject>
#include <QReadWriteLock>
#include <QStringList>

// The untyped part of every library: its root, its lock and its change signal.
// One library lock orders every change of the structure; each node's own lock
// guards its list, so readers may walk the tree while a change waits.
class TreeLibrary_base : public QObject
{
    Q_OBJECT

public:
    TreeLibrary_base();

    TreeNodeRef root() const { return rootNode; }

    // pattern.arg(n) for the smallest n >= 1 whose text is not among the used
    // names, compared without regard to case since scripts address entries in
    // lower case.
    static QString firstFreeName(const QString& pattern, const QStringList& used);

signals:
    // After any entry is added, removed or edited, once per change, with no
    // lock held. An edit announced by TreeNode::propagateEmitValueChanged
    // counts when it reaches the root.
    void Changed();

protected:
    mutable QReadWriteLock libraryLock;

private:
    const TreeNodeRef rootNode;
};
