#include "SingleEmitter.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <QtTest>

class TestEmitter : public QObject
{
    Q_OBJECT

private slots:
    void manyTriggersGiveOneSignalLater();
};

void TestEmitter::manyTriggersGiveOneSignalLater()
{
    QObject owner;
    SingleEmitter emitter(&owner);
    QSignalSpy spy(&emitter, &SingleEmitter::triggered);
    for (int i = 0; i < 50; ++i)
        emitter.trigger();
    QCOMPARE(spy.count(), 0); // never in the same pass
    QVERIFY(spy.wait(1000));
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);

    // A suspended emitter holds its signal until released.
    emitter.suspend();
    emitter.trigger();
    emitter.trigger();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
    QVERIFY(emitter.isPending());
    emitter.release();
    QVERIFY(spy.wait(1000));
    QCOMPARE(spy.count(), 2);
    QVERIFY(!emitter.isPending());
}

VARO_GUILESS_TEST_MAIN(TestEmitter)
#include "tst_emitter.moc"
