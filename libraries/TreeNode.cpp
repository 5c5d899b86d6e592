#include "TreeNode.h"

TreeNode::TreeNode() = default;

TreeNode::~TreeNode()
{
    // Items may outlive their tree in commands and pickers.
    for (const TreeNodeRef& child : children) {
        QWriteLocker childLocker(&child->lock);
        child->parentLink = nullptr;
    }
}

TreeNode* TreeNode::parentNode() const
{
    QReadLocker locker(&lock);
    return parentLink;
}

TreeNodeRef TreeNode::subnode(int i) const
{
    QReadLocker locker(&lock);
    return children.value(i);
}

int TreeNode::subnodeCount() const
{
    QReadLocker locker(&lock);
    return children.size();
}

QList<TreeNodeRef> TreeNode::subnodes() const
{
    QReadLocker locker(&lock);
    return children;
}

int TreeNode::indexOf(const TreeNodeRef& node) const
{
    QReadLocker locker(&lock);
    return children.indexOf(node);
}

bool TreeNode::canAdopt(const TreeNodeRef& node) const
{
    if (!node || node->parentNode())
        return false;
    for (const TreeNode* ancestor = this; ancestor; ancestor = ancestor->parentNode())
        if (ancestor == node.data())
            return false;
    return true;
}

bool TreeNode::appendSubnode(const TreeNodeRef& node)
{
    return insertSubnode(-1, node);
}

bool TreeNode::insertSubnode(int index, const TreeNodeRef& node)
{
    if (!canAdopt(node))
        return false;
    QWriteLocker locker(&lock);
    if (index < 0 || index > children.size())
        index = children.size();
    children.insert(index, node);
    QWriteLocker childLocker(&node->lock);
    node->parentLink = this;
    return true;
}

bool TreeNode::removeSubnode(const TreeNodeRef& node)
{
    QWriteLocker locker(&lock);
    if (!node || !children.removeOne(node))
        return false;
    QWriteLocker childLocker(&node->lock);
    node->parentLink = nullptr;
    return true;
}

TreeNodeRef TreeNode::takeLastSubnode()
{
    QWriteLocker locker(&lock);
    if (children.isEmpty())
        return {};
    const TreeNodeRef node = children.takeLast();
    QWriteLocker childLocker(&node->lock);
    node->parentLink = nullptr;
    return node;
}

void TreeNode::propagateEmitValueChanged()
{
    emit ValueChanged();
    for (TreeNode* node = parentNode(); node; node = node->parentNode())
        emit node->SubnodeValueChanged();
}
