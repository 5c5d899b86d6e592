#include "Node.h"
#include "TestMain.h"

#include <QProcess>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <thread>

namespace {

// Tells which thread destroyed it.
class Recorded : public VaroObject
{
public:
    explicit Recorded(std::atomic<QThread*>* destroyedIn) : destroyedIn(destroyedIn) {}
    ~Recorded() override { *destroyedIn = QThread::currentThread(); }

private:
    std::atomic<QThread*>* const destroyedIn;
};

// Made listening to another object, whatever thread that lives in.
class Listening : public VaroObject
{
public:
    explicit Listening(QObject* other) { connect(other, &QObject::objectNameChanged, this, &VaroObject::invalidateCache); }
};

// Runs the work in a thread of its own and waits for it to return.
void inAThread(const std::function<void()>& work)
{
    QScopedPointer<QThread> thread(QThread::create(work));
    thread->start();
    thread->wait();
}

// What the child process of aBrokenThreadRuleStopsTheProgram does.
void breakTheRule(const QByteArray& how)
{
    if (how == "destroyed while its thread keeps") {
        std::atomic<VaroObject*> made{nullptr};
        std::atomic<bool> done{false};
        QScopedPointer<QThread> thread(QThread::create([&] {
            const VaroObject::Keeping keeping;
            made = new Node;
            while (!done)
                QThread::msleep(1);
        }));
        thread->start();
        while (!made)
            QThread::msleep(1);
        delete made.load();
        done = true;
        thread->wait();
    } else if (how == "destroyed outside the GUI thread") {
        VaroObject* const made = new Node;
        std::thread([made] { delete made; }).join();
    } else if (how == "made connected to another thread") {
        QObject other;
        inAThread([&other] { VaroObject::make<Listening>(&other); });
    } else if (how == "destroyed after its thread with a connection") {
        VaroObject* made = nullptr;
        inAThread([&made] {
            made = new Listening(new Node);
        });
        delete made;
    } else if (how == "kept") {
        // The sound ways: made and let go of across threads, handed back.
        VaroObjectRef made;
        inAThread([&made] { made = VaroObject::make<Node>(); });
        made.reset();
        made = VaroObject::make<Node>();
        std::thread([&made] { made.reset(); }).join();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

class TestThreads : public QObject
{
    Q_OBJECT

private slots:
    void anObjectGoesInTheThreadThatKeepsIt();
    void aBrokenThreadRuleStopsTheProgram_data();
    void aBrokenThreadRuleStopsTheProgram();
};

// Let go of by another thread while its own thread keeps what it makes, an
// object waits for that thread to destroy it there, a budget's worth at a
// time; once the thread has stopped keeping, an object goes where it is let
// go of.
void TestThreads::anObjectGoesInTheThreadThatKeepsIt()
{
    std::atomic<QThread*> keptIn[5], leftIn{nullptr};
    for (std::atomic<QThread*>& in : keptIn)
        in = nullptr;
    const auto destroyedIn = [&keptIn](const QThread* thread) {
        return int(std::count_if(std::begin(keptIn), std::end(keptIn),
                                 [thread](const std::atomic<QThread*>& in) { return in == thread; }));
    };
    std::atomic<int> step{0}, destroyedInTheFirstSlice{-1};
    QList<QSharedPointer<Recorded>> kept;
    QSharedPointer<Recorded> left;
    std::atomic<bool> destroyedWhenAsked{false}, leaving{false};
    const auto waitFor = [&step, &leaving](int wanted) {
        while (step != wanted && !leaving)
            QThread::msleep(1);
    };
    QScopedPointer<QThread> worker(QThread::create([&] {
        VaroObject::Keeping keeping;
        for (std::atomic<QThread*>& in : keptIn)
            kept << VaroObject::make<Recorded>(&in);
        left = VaroObject::make<Recorded>(&leftIn);
        step = 1;
        waitFor(2);
        int budget = 3, more = 8;
        const bool doneAtFirst = keeping.destroySome(&budget);
        destroyedInTheFirstSlice = destroyedIn(QThread::currentThread());
        destroyedWhenAsked = !doneAtFirst && budget == 0 && keeping.destroySome(&more) && more == 6;
        keeping.close([] { return false; });
        step = 3;
        waitFor(4);
    }));
    worker->start();
    // A failed check lets the worker run to its end, and waits for it.
    const auto joined = qScopeGuard([&] {
        leaving = true;
        worker->wait();
    });
    QTRY_COMPARE(step.load(), 1);
    kept.clear();
    QCOMPARE(destroyedIn(nullptr), 5);
    step = 2;
    QTRY_COMPARE(step.load(), 3);
    QVERIFY(destroyedWhenAsked);
    QCOMPARE(destroyedInTheFirstSlice.load(), 3);
    QCOMPARE(destroyedIn(worker.data()), 5);
    left.reset();
    QCOMPARE(leftIn.load(), QThread::currentThread());
    step = 4;
    QVERIFY(worker->wait(10000));
}

void TestThreads::aBrokenThreadRuleStopsTheProgram_data()
{
    QTest::addColumn<QString>("message"); // empty: the program ends normally
    QTest::newRow("destroyed while its thread keeps")
        << "A model object was destroyed in another thread while its own thread runs";
    QTest::newRow("destroyed outside the GUI thread")
        << "A model object was destroyed in another thread while its own thread runs";
    QTest::newRow("made connected to another thread")
        << "A model object was made connected to an object of another thread";
    QTest::newRow("destroyed after its thread with a connection")
        << "A model object was destroyed in another thread with something still connected to it";
    QTest::newRow("kept") << QString();
}

// A program that breaks the rule of threads, in a child process, stops with
// the check's message in every build that checks; one that keeps it ends
// normally.
void TestThreads::aBrokenThreadRuleStopsTheProgram()
{
    QFETCH(QString, message);
    const QByteArray breaking = qgetenv("VARO_BREAK_THREAD_RULE");
    if (!breaking.isEmpty()) {
        breakTheRule(breaking);
        return;
    }
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    QSKIP("Only the sanitizer builds check the threads of model objects");
#endif
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VARO_BREAK_THREAD_RULE"), QString::fromLatin1(QTest::currentDataTag()));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("aBrokenThreadRuleStopsTheProgram:%1").arg(QTest::currentDataTag())});
    QVERIFY(child.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (message.isEmpty()) {
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
    } else {
        QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0, qPrintable(output));
        QVERIFY2(output.contains(message), qPrintable(output));
    }
}

VARO_GUILESS_TEST_MAIN(TestThreads)
#include "tst_threads.moc"
