#include "TreeLibrary.h"
#include "VaroObject.h"

#include <QSignalSpy>
#include <QtConcurrent>
#include <QtTest>

#include <atomic>

namespace {

class Entry : public VaroObject
{
    Q_OBJECT

public:
    explicit Entry(const QString& text) : name(text) {}
    QString name;
};
typedef QSharedPointer<Entry> EntryRef;

bool hasName(const EntryRef& entry, const QString& name)
{
    return entry->name == name;
}

// Two fixed branches, like the material library: built-ins and additions.
class EntryLibrary : public TreeLibrary<EntryRef>
{
public:
    EntryLibrary()
    {
        root()->appendSubnode(standard);
        root()->appendSubnode(custom);
    }

    ItemRef append(const EntryRef& entry) { return appendItem(custom, entry, entry ? entry->name : QString()); }
    bool remove(const EntryRef& entry) { return removeItemByValue(root(), entry); }
    bool isUnlocked() const
    {
        if (!libraryLock.tryLockForWrite())
            return false;
        libraryLock.unlock();
        return true;
    }

    const ItemRef standard{new Item(EntryRef(), "Standard")};
    const ItemRef custom{new Item(EntryRef(), "Custom")};
};

EntryRef makeEntry(const QString& name)
{
    return EntryRef(new Entry(name));
}

} // namespace

class TestTree : public QObject
{
    Q_OBJECT

private slots:
    void subnodesKeepOrderAndOneParent();
    void editReachesEveryAncestorOnce();
    void castSkipsForeignNodes();
    void findByValueIsIdentity();
    void findTriesEachLevelFirst_data();
    void findTriesEachLevelFirst();
    void eachChangeAnnouncedOnceUnlocked();
    void firstFreeNameSkipsUsedNumbers_data();
    void firstFreeNameSkipsUsedNumbers();
    void readersWalkWhileWriterChanges();
};

void TestTree::subnodesKeepOrderAndOneParent()
{
    TreeNodeRef parent(new TreeNode), other(new TreeNode);
    TreeNodeRef a(new TreeNode), b(new TreeNode), c(new TreeNode);
    QVERIFY(parent->appendSubnode(a));
    QVERIFY(parent->appendSubnode(c));
    QVERIFY(parent->insertSubnode(1, b));
    QCOMPARE(parent->subnodes(), (QList<TreeNodeRef>{a, b, c}));
    QVERIFY(!parent->subnode(3) && !parent->subnode(-1));
    QCOMPARE(b->parentNode(), parent.data());

    QVERIFY(!other->appendSubnode(b));      // already in a tree
    QVERIFY(!b->appendSubnode(parent));     // would close a cycle
    QVERIFY(!b->appendSubnode(b));
    QVERIFY(!parent->appendSubnode(TreeNodeRef()));

    QVERIFY(parent->removeSubnode(b));
    QVERIFY(!parent->removeSubnode(b));
    QVERIFY(!b->parentNode());
    QVERIFY(parent->insertSubnode(99, b)); // past the end appends
    QCOMPARE(parent->indexOf(b), 2);

    // Items outlive their tree in commands and pickers.
    parent.reset();
    QVERIFY(!a->parentNode());
    QSignalSpy spy(a.data(), &TreeNode::ValueChanged);
    a->propagateEmitValueChanged();
    QCOMPARE(spy.count(), 1);
}

void TestTree::editReachesEveryAncestorOnce()
{
    EntryLibrary library;
    const EntryRef entry = makeEntry("a");
    const EntryLibrary::ItemRef item = library.append(entry);
    QSignalSpy itemValue(item.data(), &TreeNode::ValueChanged);
    QSignalSpy itemSub(item.data(), &TreeNode::SubnodeValueChanged);
    QSignalSpy branchValue(library.custom.data(), &TreeNode::ValueChanged);
    QSignalSpy branchSub(library.custom.data(), &TreeNode::SubnodeValueChanged);
    QSignalSpy rootSub(library.root().data(), &TreeNode::SubnodeValueChanged);
    QSignalSpy changed(&library, &TreeLibrary_base::Changed);

    item->propagateEmitValueChanged();
    QCOMPARE(itemValue.count(), 1);
    QCOMPARE(itemSub.count(), 0);
    QCOMPARE(branchValue.count(), 0);
    QCOMPARE(branchSub.count(), 1);
    QCOMPARE(rootSub.count(), 1);
    QCOMPARE(changed.count(), 1);

    library.root()->propagateEmitValueChanged();
    QCOMPARE(changed.count(), 2);
}

void TestTree::castSkipsForeignNodes()
{
    EntryLibrary library;
    const TreeNodeRef plain(new TreeNode);
    const TreeNodeRef foreign(new TreeLibraryItem<QSharedPointer<VaroObject>>());
    library.custom->appendSubnode(plain);
    library.custom->appendSubnode(foreign);
    const EntryRef entry = makeEntry("a");
    library.append(entry);

    const QList<EntryLibrary::ItemRef> items = EntryLibrary::castItems(library.custom->subnodes());
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first()->value(), entry);
    QCOMPARE(items.first()->name(), QString("a"));
    QCOMPARE(EntryLibrary::subnodeItem(library.root(), 1), library.custom);
    QVERIFY(!EntryLibrary::subnodeItem(library.custom, 0));
    QVERIFY(!EntryLibrary::subnodeItem(library.custom, 1));
    QVERIFY(!EntryLibrary::subnodeItem(TreeNodeRef(), 0));
    QCOMPARE(library.valuesOf(library.custom), QList<EntryRef>{entry});
}

void TestTree::findByValueIsIdentity()
{
    EntryLibrary library;
    const EntryRef first = makeEntry("same");
    const EntryRef twin = makeEntry("same");
    const EntryLibrary::ItemRef deep(new EntryLibrary::Item(EntryRef(), "deeper"));
    library.standard->appendSubnode(deep);
    const EntryLibrary::ItemRef held(new EntryLibrary::Item(twin, "same"));
    deep->appendSubnode(held);
    library.append(first);

    QCOMPARE(library.findItemByValue(library.root(), twin), held);
    QCOMPARE(library.findItemByValue(library.root(), first)->value(), first);
    QCOMPARE(library.findItemByValue(held, twin), held); // the node itself counts
    QVERIFY(!library.findItemByValue(library.custom, twin));
    QVERIFY(!library.findItemByValue(library.root(), makeEntry("same")));
    // Branches hold null: a null value must not find them.
    QVERIFY(!library.findItemByValue(library.root(), EntryRef()));
}

void TestTree::findTriesEachLevelFirst_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<QString>("found"); // item name, empty for none

    // Tree: root -> standard -> [s1 "x", s2 "deep"]; custom -> [c1 "x"];
    //       root -> r1 "x" (a direct item after the branches).
    QTest::newRow("root level before subtrees") << "x" << true << "r1";
    QTest::newRow("not recursive stays on the level") << "deep" << false << "";
    QTest::newRow("recursive descends") << "deep" << true << "s2";
    QTest::newRow("absent") << "none" << true << "";
}

void TestTree::findTriesEachLevelFirst()
{
    QFETCH(QString, key);
    QFETCH(bool, recursive);
    QFETCH(QString, found);

    EntryLibrary library;
    auto add = [](const TreeNodeRef& node, const QString& itemName, const QString& entryName) {
        node->appendSubnode(EntryLibrary::ItemRef(new EntryLibrary::Item(makeEntry(entryName), itemName)));
    };
    add(library.standard, "s1", "x");
    add(library.standard, "s2", "deep");
    add(library.custom, "c1", "x");
    add(library.root(), "r1", "x");

    const EntryLibrary::ItemRef item = library.findItem(library.root(), hasName, key, recursive);
    QCOMPARE(item ? item->name() : QString(), found);
    // Within a subtree the first match in order wins.
    QCOMPARE(library.findItem(library.standard, hasName, QString("x"), false)->name(), QString("s1"));
}

void TestTree::eachChangeAnnouncedOnceUnlocked()
{
    EntryLibrary library;
    QList<bool> unlocked;
    connect(&library, &TreeLibrary_base::Changed, this,
            [&library, &unlocked] { unlocked << library.isUnlocked(); });

    const EntryRef entry = makeEntry("a");
    QVERIFY(library.append(entry));
    QCOMPARE(unlocked, QList<bool>{true});
    QVERIFY(!library.append(entry)); // already held
    QVERIFY(!library.append(EntryRef()));
    QCOMPARE(unlocked.size(), 1);

    library.findItemByValue(library.root(), entry)->propagateEmitValueChanged();
    QCOMPARE(unlocked.size(), 2);

    QVERIFY(library.remove(entry));
    QVERIFY(!library.remove(entry));
    QCOMPARE(unlocked, (QList<bool>{true, true, true}));
    QCOMPARE(library.custom->subnodeCount(), 0);
}

void TestTree::firstFreeNameSkipsUsedNumbers_data()
{
    QTest::addColumn<QStringList>("used");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none used") << QStringList() << "Loading 1";
    QTest::newRow("gap") << QStringList{"Loading 1", "Loading 3"} << "Loading 2";
    QTest::newRow("run") << QStringList{"Loading 2", "Loading 1", "Loading 3"} << "Loading 4";
    QTest::newRow("case") << QStringList{"LOADING 1"} << "Loading 2";
    QTest::newRow("other names") << QStringList{"Loading", "Loading 01", "Dead"} << "Loading 1";
}

void TestTree::firstFreeNameSkipsUsedNumbers()
{
    QFETCH(QStringList, used);
    QFETCH(QString, expected);
    QCOMPARE(TreeLibrary_base::firstFreeName("Loading %1", used), expected);
}

void TestTree::readersWalkWhileWriterChanges()
{
    EntryLibrary library;
    std::atomic<bool> done{false};
    QFuture<int> reader = QtConcurrent::run([&library, &done] {
        int walks = 0;
        while (!done.load()) {
            for (const EntryRef& entry : library.valuesOf(library.custom))
                if (entry->name.isEmpty())
                    return -1;
            library.findItem(library.root(), hasName, QString("17"), true);
            ++walks;
        }
        return walks;
    });
    QList<EntryRef> entries;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 50; ++i) {
            entries << makeEntry(QString::number(i));
            library.append(entries.last());
        }
        for (const EntryRef& entry : entries)
            library.remove(entry);
        entries.clear();
    }
    done = true;
    QVERIFY(reader.result() >= 0);
    QVERIFY(library.valuesOf(library.custom).isEmpty());
}

QTEST_GUILESS_MAIN(TestTree)
#include "tst_tree.moc"
