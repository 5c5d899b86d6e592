#include "TreeLibrary.h"
#include "VaroObject.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <QtConcurrent>
#include <QtTest>

#include <atomic>

namespace {

struct Entry : VaroObject
{
    explicit Entry(const QString& text) : name(text) {}
    QString name;
};
typedef QSharedPointer<Entry> EntryRef;

bool hasName(const EntryRef& entry, const QString& name)
{
    return entry->name == name;
}

// Two fixed branches, like the material library: built-ins and additions.
struct EntryLibrary : TreeLibrary<EntryRef>
{
    EntryLibrary()
    {
        root()->appendSubnode(standard);
        root()->appendSubnode(custom);
    }
    ItemRef append(const EntryRef& entry) { return appendItem(custom, entry, entry->name); }
    bool remove(const EntryRef& entry) { return removeItemByValue(root(), entry); }
    ItemRef add(const TreeNodeRef& node, const QString& itemName, const QString& entryName)
    {
        const ItemRef item(new Item(VaroObject::make<Entry>(entryName), itemName));
        node->appendSubnode(item);
        return item;
    }
    bool isUnlocked() const
    {
        const bool free = libraryLock.tryLockForWrite();
        if (free)
            libraryLock.unlock();
        return free;
    }

    const ItemRef standard{new Item(EntryRef(), "Standard")};
    const ItemRef custom{new Item(EntryRef(), "Custom")};
};

} // namespace

class TestTree : public QObject
{
    Q_OBJECT

private slots:
    void nodesHaveOneParentAndNoCycle();
    void aTakenNodeLeavesItsTree();
    void findTriesEachLevelFirstAndMatchesValuesByIdentity();
    void eachChangeAnnouncedOnceUnlocked();
    void firstFreeNameSkipsUsedNumbers();
    void readersWalkWhileWriterChanges();
};

void TestTree::nodesHaveOneParentAndNoCycle()
{
    TreeNodeRef parent(new TreeNode), other(new TreeNode), a(new TreeNode), b(new TreeNode);
    QVERIFY(parent->appendSubnode(a) && parent->appendSubnode(b));
    QVERIFY(!other->appendSubnode(b));  // already in a tree
    QVERIFY(!b->appendSubnode(parent)); // would close a cycle
    QVERIFY(!b->appendSubnode(b));

    // Items outlive their tree in commands and pickers.
    parent.reset();
    QVERIFY(!a->parentNode());
    QSignalSpy spy(a.data(), &TreeNode::ValueChanged);
    a->propagateEmitValueChanged();
    QCOMPARE(spy.count(), 1);
}

// Taken out last first, a node is out of its tree: it has no parent, and
// another node may adopt it.
void TestTree::aTakenNodeLeavesItsTree()
{
    TreeNodeRef parent(new TreeNode), other(new TreeNode), a(new TreeNode), b(new TreeNode);
    QVERIFY(parent->appendSubnode(a) && parent->appendSubnode(b));
    QCOMPARE(parent->takeLastSubnode(), b);
    QVERIFY(!b->parentNode());
    QCOMPARE(parent->subnodes(), QList<TreeNodeRef>{a});
    QVERIFY(other->appendSubnode(b));
    QCOMPARE(b->parentNode(), other.data());
    QCOMPARE(parent->takeLastSubnode(), a);
    QVERIFY(!a->parentNode());
    QVERIFY(!parent->takeLastSubnode());
}

void TestTree::findTriesEachLevelFirstAndMatchesValuesByIdentity()
{
    // root -> standard -> [s1 "x", s2 "deep"]; custom -> [foreign node, c1 "x"];
    // then r1 "x" directly under the root, after the branches.
    EntryLibrary library;
    const TreeNodeRef root = library.root();
    const EntryLibrary::ItemRef s1 = library.add(library.standard, "s1", "x");
    const EntryLibrary::ItemRef s2 = library.add(library.standard, "s2", "deep");
    library.custom->appendSubnode(TreeNodeRef(new TreeNode)); // a foreign node is passed over
    const EntryLibrary::ItemRef c1 = library.add(library.custom, "c1", "x");
    library.add(root, "r1", "x");

    QCOMPARE(library.findItem(root, hasName, QString("x"), true)->name(), QString("r1"));
    QVERIFY(!library.findItem(root, hasName, QString("deep"), false));
    QCOMPARE(library.findItem(root, hasName, QString("deep"), true), s2);
    QCOMPARE(library.findItem(library.standard, hasName, QString("x"), false), s1); // first in order

    // By value: that very object, not an equal one found earlier.
    QCOMPARE(library.findItemByValue(root, c1->value()), c1);
    QCOMPARE(library.findItemByValue(c1, c1->value()), c1); // the node itself counts
    QVERIFY(!library.findItemByValue(library.standard, c1->value()));
    QVERIFY(!library.findItemByValue(root, VaroObject::make<Entry>("x")));
    QVERIFY(!library.findItemByValue(root, EntryRef())); // branches hold null
    QCOMPARE(library.valuesOf(library.custom), QList<EntryRef>{c1->value()});
}

void TestTree::eachChangeAnnouncedOnceUnlocked()
{
    EntryLibrary library;
    QList<bool> unlocked;
    connect(&library, &TreeLibrary_base::Changed, this, [&library, &unlocked] { unlocked << library.isUnlocked(); });

    const EntryRef entry(VaroObject::make<Entry>("a"));
    QVERIFY(library.append(entry));
    QVERIFY(!library.append(entry)); // already held

    // An edit reaches each ancestor once, and the library once.
    QSignalSpy branchValue(library.custom.data(), &TreeNode::ValueChanged);
    QSignalSpy branchSub(library.custom.data(), &TreeNode::SubnodeValueChanged);
    QSignalSpy rootSub(library.root().data(), &TreeNode::SubnodeValueChanged);
    library.findItemByValue(library.root(), entry)->propagateEmitValueChanged();
    QCOMPARE(branchValue.count(), 0);
    QCOMPARE(branchSub.count(), 1);
    QCOMPARE(rootSub.count(), 1);

    QVERIFY(library.remove(entry));
    QVERIFY(!library.remove(entry));
    QCOMPARE(unlocked, (QList<bool>{true, true, true}));
}

void TestTree::firstFreeNameSkipsUsedNumbers()
{
    const QString pattern("Loading %1");
    QCOMPARE(TreeLibrary_base::firstFreeName(pattern, {"Loading 2", "Loading 1", "Loading 3"}), QString("Loading 4"));
    QCOMPARE(TreeLibrary_base::firstFreeName(pattern, {"LOADING 1"}), QString("Loading 2"));
    QCOMPARE(TreeLibrary_base::firstFreeName(pattern, {"Loading", "Loading 01"}), QString("Loading 1"));
}

void TestTree::readersWalkWhileWriterChanges()
{
    EntryLibrary library;
    std::atomic<bool> done{false};
    QFuture<bool> reader = QtConcurrent::run([&library, &done] {
        while (!done.load()) {
            for (const EntryRef& entry : library.valuesOf(library.custom))
                if (entry->name.isEmpty())
                    return false;
            library.findItem(library.root(), hasName, QString("17"), true);
        }
        return true;
    });
    for (int round = 0; round < 20; ++round) {
        QList<EntryRef> entries;
        for (int i = 0; i < 50; ++i) {
            entries << VaroObject::make<Entry>(QString::number(i));
            library.append(entries.last());
        }
        for (const EntryRef& entry : entries)
            library.remove(entry);
    }
    done = true;
    QVERIFY(reader.result());
}

VARO_GUILESS_TEST_MAIN(TestTree)
#include "tst_tree.moc"
