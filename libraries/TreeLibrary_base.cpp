#include "TreeLibrary_base.h"

TreeLibrary_base::TreeLibrary_base() : rootNode(new TreeNode)
{
    connect(rootNode.data(), &TreeNode::ValueChanged, this, &TreeLibrary_base::Changed);
    connect(rootNode.data(), &TreeNode::SubnodeValueChanged, this, &TreeLibrary_base::Changed);
}

QString TreeLibrary_base::firstFreeName(const QString& pattern, const QStringList& used)
{
    for (int n = 1;; ++n) {
        const QString name = pattern.arg(n);
        if (!used.contains(name, Qt::CaseInsensitive))
            return name;
    }
}
