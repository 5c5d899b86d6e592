#include "TreeLibrary.h"
#include "VaroObject.h"

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

EntryRef makeEntry(const QString& name)
{
    return EntryRef(new Entry(name));
}

// Two fixed branches, like the material library: built-ins and additions.
struct EntryLibrary : TreeLibrary<EntryRef>
{
    EntryLibrary()
    {
        root()->appendSubnode(standard);
        root()->appendSubnode(custom);
    }
    ItemRef append(const EntryRef& entry) { return appendItem(custom, entry, entry ? entry->name : QString()); }
    bool remove(const EntryRef& entry) { return removeItemByValue(root(), entry); }
    void add(const TreeNodeRef& node, const QString& itemName, const QString& entryName)
    {
        node->appendSubnode(ItemRef(new Item(makeEntry(entryName), itemName)));
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
    void findByValueIsIdentity();
    void findTriesEachLevelFirst();
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

void TestTree::findByValueIsIdentity()
{
    EntryLibrary library;
    const EntryRef first = makeEntry("same"), twin = makeEntry("same");
    const EntryLibrary::ItemRef deep(new EntryLibrary::Item(EntryRef(), "deeper"));
    library.standard->appendSubnode(deep);
    const EntryLibrary::ItemRef held(new EntryLibrary::Item(twin, "same"));
    deep->appendSubnode(held);
    library.append(first);
    library.custom->appendSubnode(TreeNodeRef(new TreeNode)); // a foreign node is passed over

    QCOMPARE(library.findItemByValue(library.root(), twin), held);
    QCOMPARE(library.findItemByValue(library.root(), first)->value(), first);
    QCOMPARE(library.findItemByValue(held, twin), held); // the node itself counts
    QVERIFY(!library.findItemByValue(library.custom, twin));
    // Branches hold null: a null value must not find them.
    QVERIFY(!library.findItemByValue(library.root(), EntryRef()));
    QCOMPARE(library.valuesOf(library.custom), QList<EntryRef>{first});
}

void TestTree::findTriesEachLevelFirst()
{
    // root -> standard -> [s1 "x", s2 "deep"]; custom -> [c1 "x"]; then r1 "x"
    // directly under the root, after the branches.
    EntryLibrary library;
    library.add(library.standard, "s1", "x");
    library.add(library.standard, "s2", "deep");
    library.add(library.custom, "c1", "x");
    library.add(library.root(), "r1", "x");

    QCOMPARE(library.findItem(library.root(), hasName, QString("x"), true)->name(), QString("r1"));
    QVERIFY(!library.findItem(library.root(), hasName, QString("deep"), false));
    QCOMPARE(library.findItem(library.root(), hasName, QString("deep"), true)->name(), QString("s2"));
    // Within a level the first match in order wins.
    QCOMPARE(library.findItem(library.standard, hasName, QString("x"), false)->name(), QString("s1"));
}

void TestTree::eachChangeAnnouncedOnceUnlocked()
{
    EntryLibrary library;
    QList<bool> unlocked;
    connect(&library, &TreeLibrary_base::Changed, this, [&library, &unlocked] { unlocked << library.isUnlocked(); });

    const EntryRef entry = makeEntry("a");
    QVERIFY(library.append(entry));
    QVERIFY(!library.append(entry)); // already held
    QCOMPARE(unlocked.size(), 1);

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
            entries << makeEntry(QString::number(i));
            library.append(entries.last());
        }
        for (const EntryRef& entry : entries)
            library.remove(entry);
    }
    done = true;
    QVERIFY(reader.result());
}

QTEST_GUILESS_MAIN(TestTree)
#include "tst_tree.moc"
