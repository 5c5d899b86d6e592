#include "app/AppTesting.h"
#include "CpuTimeTesting.h"
#include "CurrentState.h"
#include "DemoRunner.h"
#include "DemoTesting.h"
#include "DocumentModel.h"
#include "Member.h"
#include "Node.h"
#include "StructureModel.h"
#include "Support.h"
#include "UnitSystem.h"
#include "ViewPoint.h"
#include "TestMain.h"
#include "WindowTesting.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTextBrowser>
#include <QtTest>

namespace {

// Logs the posted (simulated) mouse events as "type button buttons modifiers".
class Recorder : public QWidget
{
public:
    using QWidget::QWidget;
    QStringList log;
    QList<qint64> times;
    QList<QPoint> positions;
    QElapsedTimer clock;

protected:
    bool event(QEvent* e) override
    {
        static const QMap<int, QString> names = {{QEvent::MouseButtonPress, "Press"},
            {QEvent::MouseButtonRelease, "Release"}, {QEvent::MouseButtonDblClick, "DblClick"},
            {QEvent::MouseMove, "Move"}};
        if (names.contains(e->type()) && !e->spontaneous()) {
            auto* mouse = static_cast<QMouseEvent*>(e);
            log << QStringLiteral("%1 %2 %3 %4").arg(names.value(e->type())).arg(int(mouse->button()))
                       .arg(int(mouse->buttons())).arg(int(mouse->modifiers()));
            times << clock.elapsed();
            positions << mouse->pos();
        }
        return QWidget::event(e);
    }
};

// Three nodes, the first fully fixed: a member from it to (6, 0, 0), pinned
// at that end, and a rigid one up to (6, 4, 0). By hand: mean x 4, mean y
// 4/3, variance of x (0 + 36 + 36)/3 - 16 = 8, largest coordinate 6.
QSharedPointer<DocumentModel> frameOfThreeNodes(const QSharedPointer<UnitSystem>& units)
{
    const QSharedPointer<DocumentModel> document(new DocumentModel(units));
    QList<NodeRef> nodes;
    for (const Vector3& p : {Vector3(0, 0, 0), Vector3(6, 0, 0), Vector3(6, 4, 0)}) {
        nodes << VaroObject::make<Node>();
        nodes.last()->setPosition(p);
    }
    nodes.first()->setSupport(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(Dof::All)));
    const MemberRef beam(VaroObject::make<Member>(nodes.at(0), nodes.at(1)));
    beam->setPinAtB(true);
    const MemberRef column(VaroObject::make<Member>(nodes.at(1), nodes.at(2)));
    for (const NodeRef& node : nodes)
        document->structureModel()->appendNode(node);
    document->structureModel()->appendMember(beam);
    document->structureModel()->appendMember(column);
    return document;
}

template <class W, class... Args>
W* named(const char* name, Args... args)
{
    auto* widget = new W(args...);
    widget->setObjectName(name);
    return widget;
}

} // namespace

class TestDemoRunner : public QObject
{
    Q_OBJECT

private:
    QWidget* window = nullptr;
    Recorder* recorder = nullptr;
    QWidget* view = nullptr;
    QWidget* item = nullptr;
    DemoRunner* runner = nullptr;
    QSharedPointer<CurrentState> currentState{new CurrentState};
    QSharedPointer<UnitSystem> unitSystem{new UnitSystem};
    QSharedPointer<ViewPoint> viewPoint{new ViewPoint};
    QStringList savedDocuments;
    QList<QByteArray> restoredDocuments;
    bool restoreSucceeds = true;

    void start(const QString& script)
    {
        runner->setScript(script);
        runner->execute();
    }
    // Runs the script on the step timer to its end; true when it failed.
    bool finish(const QString& script)
    {
        start(script);
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(runner->state() == DemoRunner::Stopped
                    || (runner->state() == DemoRunner::MessageShown && !runner->stepTimer()->isActive()), 10000);
        }();
        return message().contains("encountered an error");
    }
    QString message() const { return runner->controlPanel()->findChild<QTextBrowser*>()->toPlainText(); }
    QString visibleButtons() const
    {
        QStringList texts;
        for (QPushButton* button : runner->controlPanel()->findChildren<QPushButton*>())
            if (button->isVisible() && !button->isCheckable())
                texts << button->text();
        texts.sort();
        return texts.join(' ');
    }
    QPushButton* panelButton(const QString& text) const
    {
        for (QPushButton* button : runner->controlPanel()->findChildren<QPushButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

private slots:
    void init()
    {
        window = named<QWidget>("Main");
        window->setGeometry(100, 100, 400, 300);
        named<QPushButton>("Button1", "B", named<QWidget>("Panel", window));
        recorder = named<Recorder>("Recorder", window);
        recorder->setGeometry(150, 100, 100, 50);
        recorder->clock.start();
        named<QLineEdit>("Edit", window);
        named<QSlider>("Slider", Qt::Horizontal, window)->setRange(0, 10);
        named<QWidget>("Hidden", window)->hide();
        view = named<QWidget>("View", window);
        item = named<QWidget>("Item", view);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        runner = new DemoRunner(window);
        runner->setCurrentState(currentState);
        runner->setUnitSystem(unitSystem);
        runner->setViewPoint(viewPoint);
        connect(runner, &DemoRunner::SaveCheckPoint, this,
                [this](QByteArray* xml) { *xml = QByteArray::number(savedDocuments.size()), savedDocuments << *xml; });
        connect(runner, &DemoRunner::RestoreCheckPoint, this, [this](const QByteArray& xml, bool* restored) {
            restoredDocuments << xml;
            *restored = restoreSucceeds;
        });
        // Serves two report words when the target is the view, as a view would.
        connect(runner, &DemoRunner::RequestForthExecution, this,
                [this](const QString& word, QStack<QVariant>* stack, bool* handled) {
                    if (*handled || stack->isEmpty() || stack->top().value<QWidget*>() != view)
                        return;
                    const QVariant widget = stack->pop();
                    *handled = word == "SYS/REPORT:CELLSIZE" || word == "SYS/REPORT:FORMATITEM";
                    if (word == "SYS/REPORT:CELLSIZE")
                        *stack << 40.0 << 40.0;
                    else if (*handled)
                        stack->top() = QVariant::fromValue<QWidget*>(item);
                    stack->push(widget);
                });
    }

    void cleanup()
    {
        delete window;
        currentState.reset(new CurrentState);
        unitSystem.reset(new UnitSystem);
        viewPoint.reset(new ViewPoint);
        savedDocuments.clear();
        restoredDocuments.clear();
        restoreSucceeds = true;
    }

    void delays_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("interval");

        QTest::newRow("pause clamped") << "5 SYS:PAUSE" << 1 << int(DemoRunner::Ready) << 40;
        QTest::newRow("pause") << "1000 SYS:PAUSE" << 1 << int(DemoRunner::Ready) << 1000;
        QTest::newRow("pause in self test") << "1000 SYS:PAUSE" << 3 << int(DemoRunner::Ready) << 40;
        QTest::newRow("wait in self test") << "1000 SYS:WAIT" << 3 << int(DemoRunner::Ready) << 1000;
        QTest::newRow("wait capped") << "100000 SYS:WAIT" << 1 << int(DemoRunner::Ready) << 60000;
        QTest::newRow("pop-up weight 0") << "s\" t\" 0 SYS:POPUP" << 1 << int(DemoRunner::Ready) << 40;
        QTest::newRow("pop-up 5") << "s\" t\" 5 SYS:POPUP" << 1 << int(DemoRunner::PopUpShown) << 2000;
        QTest::newRow("pop-up 10") << "s\" t\" 10 SYS:POPUP" << 1 << int(DemoRunner::PopUpShown) << 3000;
        QTest::newRow("pop-up 10 slow") << "s\" t\" 10 SYS:POPUP" << 0 << int(DemoRunner::PopUpShown) << 6000;
        QTest::newRow("pop-up 11") << "s\" t\" 11 SYS:POPUP" << 1 << int(DemoRunner::PopUpShown) << 3400;
        QTest::newRow("pop-up 35 slow") << "s\" t\" 35 SYS:POPUP" << 0 << int(DemoRunner::PopUpShown) << 18000;
        QTest::newRow("pop-up fast") << "s\" t\" 10 SYS:POPUP" << 2 << int(DemoRunner::Ready) << 40;
        QTest::newRow("pop-up of great weight") << "s\" t\" 2000000000 SYS:POPUP" << 1
                                                << int(DemoRunner::PopUpShown) << 60000;
        QTest::newRow("start message") << "s\" m\" -1 SYS:MESSAGE" << 1 << int(DemoRunner::MessageRequested) << 40;
        QTest::newRow("message") << "s\" m\" 0 SYS:MESSAGE" << 1 << int(DemoRunner::MessageRequested) << 750;
        QTest::newRow("message fast") << "s\" m\" 0 SYS:MESSAGE" << 2 << int(DemoRunner::MessageRequested) << 250;
        QTest::newRow("message self test") << "s\" m\" 0 SYS:MESSAGE" << 3 << int(DemoRunner::MessageRequested) << 40;
        QTest::newRow("flight") << "0 0 0 0 0 9 SYS:FLYTOVIEWPOINT" << 1 << int(DemoRunner::FlyingToViewPoint) << 1000;
    }

    void delays()
    {
        QFETCH(QString, script);
        QFETCH(int, speed);
        runner->setSpeed(speed);
        start(script);
        runner->execute();
        QTEST(int(runner->state()), "state");
        QTEST(runner->stepTimer()->interval(), "interval");
    }

    void messageModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<int>("interval");

        QTest::newRow("plain") << 0 << 1 << "Back Continue Stop" << -1;
        QTest::newRow("below -2") << -5 << 1 << "Back Continue Stop" << -1;
        QTest::newRow("start") << -1 << 1 << "Cancel Start" << -1;
        QTest::newRow("final") << -2 << 1 << "Exit Replay" << -1;
        QTest::newRow("timed") << 3000 << 1 << "" << 3000;
        QTest::newRow("timed capped") << 100000 << 1 << "" << 60000;
        QTest::newRow("timed short") << 10 << 1 << "" << 40;
        QTest::newRow("self test") << 0 << 3 << "" << 40;
    }

    void messageModes()
    {
        QFETCH(int, mode);
        QFETCH(int, speed);
        QFETCH(int, interval);
        runner->setSpeed(speed);
        start(QStringLiteral("s\" <h2>Hello</h2>\" %1 SYS:MESSAGE").arg(mode));
        runner->execute();
        runner->execute();
        QTEST(visibleButtons(), "buttons");
        QCOMPARE(runner->controlPanel()->isVisible(), speed < 3);
        QCOMPARE(message().contains("Hello"), speed < 3);
        QCOMPARE(runner->stepTimer()->isActive() ? runner->stepTimer()->interval() : -1, interval);
        QVERIFY(!panelButton("Back")->isEnabled());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("failed");

        QTest::newRow("clean") << "1 DROP 0 SYS:PAUSE" << false;
        QTest::newRow("unknown word") << "NOSUCHWORD" << true;
        QTest::newRow("unit system") << "1 SYS:SETUNITSYSTEM" << true;
        QTest::newRow("double click") << "1 SYS:DOUBLECLICK" << true;
        QTest::newRow("message delay") << "1 SYS:SETMAXIMUMMESSAGEDELAY" << true;
        QTest::newRow("hand-off of an empty stack") << "SYS/REPORT:CELLSIZE" << true;
        QTest::newRow("view word without its view") << "1 SYS:NEARESTNODE" << true;
        QTest::newRow("slider without target") << "SYS:GETSLIDERVALUE" << true;
        QTest::newRow("set slider without target") << "5 SYS:SETSLIDERVALUE" << true;
        QTest::newRow("slider word on a line edit") << "s\" :Edit\" SYS:WIDGETTARGET SYS:GETSLIDERVALUE" << true;
        QTest::newRow("map without target") << "0.5 0.5 SYS:MAPRELATIVETOGLOBAL" << true;
        QTest::newRow("click count 0") << "s\" :Recorder\" SYS:WIDGETTARGET 1 1 0 0 SYS:CLICK" << true;
        QTest::newRow("click count 3") << "s\" :Recorder\" SYS:WIDGETTARGET 1 1 0 3 SYS:CLICK" << true;
        QTest::newRow("click count -1") << "s\" :Recorder\" SYS:WIDGETTARGET 1 1 0 -1 SYS:CLICK" << true;
        QTest::newRow("click without buttons") << "1 SYS:CLICK" << true;
        QTest::newRow("click on nothing") << "s\" :Nothing\" SYS:WIDGETTARGET 1 1 0 1 SYS:CLICK" << false;
        QTest::newRow("node count without document") << "SYS:NODECOUNT" << true;
        QTest::newRow("reset inside a definition") << ": R SYS:RESET ; R" << true;
        QTest::newRow("reset with a value") << "1 SYS:RESET" << true;
        QTest::newRow("short vector") << "1 2 SYS:MAKEVECTOR" << true;
        QTest::newRow("short geometry") << "1 2 3 4 5 6 7 8 9 s\" Geometry\" SYS:BIST/ADD" << true;
        QTest::newRow("message without text") << "0 SYS:MESSAGE" << true;
    }

    void failures()
    {
        QFETCH(QString, script);
        QTEST(finish(script), "failed");
    }

    // The window stays live: the run ends in the error row within a second of
    // work, saying why.
    void runawaysFailWithinASecond_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("reason");

        QTest::newRow("endless loop") << ": F BEGIN 0 UNTIL ; F" << "it may loop without end";
        QTest::newRow("endless recursion") << ": F F ; F" << "a word may call itself without end";
    }

    void runawaysFailWithinASecond()
    {
        QFETCH(QString, script);
        QFETCH(QString, reason);
        const double begun = threadCpuSeconds();
        start(script);
        QTRY_VERIFY_WITH_TIMEOUT(message().contains("encountered an error"), 10000);
        const double spent = threadCpuSeconds() - begun;
        QVERIFY2(spent < 1, qPrintable(QString::number(spent)));
        QVERIFY2(message().contains(reason), qPrintable(message()));
        QCOMPARE(visibleButtons(), QStringLiteral("Exit Replay"));
    }

    void stackWords_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("stack");

        const QString slider = QStringLiteral("s\" :Slider\" SYS:WIDGETTARGET ");
        QTest::newRow("slider rounds half to even") << slider + "2.5 SYS:SETSLIDERVALUE SYS:GETSLIDERVALUE" << "i:2";
        QTest::newRow("slider rounds") << slider + "3.5 SYS:SETSLIDERVALUE SYS:GETSLIDERVALUE" << "i:4";
        QTest::newRow("slider ignores nan") << slider + "7 SYS:SETSLIDERVALUE nan SYS:SETSLIDERVALUE SYS:GETSLIDERVALUE"
                                            << "i:7";
        QTest::newRow("present") << "s\" :Panel:Button1\" SYS:WIDGETPRESENT s\" :Nothing\" SYS:WIDGETPRESENT"
                                 << "i:-1 i:0";
        QTest::newRow("hidden centre") << "s\" :Hidden\" SYS:WIDGETTARGET SYS:WIDGETCENTRE" << "i:0 i:0";
        QTest::newRow("vector") << "0.0 1.0 -5.0 3 SYS:MAKEVECTOR" << "l:d:-5,d:1,d:0";
        QTest::newRow("empty vector") << "0 SYS:MAKEVECTOR" << "l:";
        QTest::newRow("envelope") << "10 20 30 40 5 50 SYS:ENVELOPPOINT" << "d:5 d:20 d:30 d:50";
        QTest::newRow("view point round trip") << "SYS:VIEWPOINT SYS:SETVIEWPOINT SYS:VIEWPOINT"
                                               << "d:0 d:0 d:0 d:0 d:0 d:50";
        QTest::newRow("distance at least 1") << "1 2 3 0 0 0.5 SYS:SETVIEWPOINT SYS:VIEWPOINT"
                                             << "d:1 d:2 d:3 d:0 d:0 d:1";
        QTest::newRow("azimuth wrapped") << "0 0 0 9.42477796076938 0 10 SYS:SETVIEWPOINT SYS:VIEWPOINT"
                                         << "d:0 d:0 d:0 d:-3.14159 d:0 d:10";
        QTest::newRow("cell size keeps its argument") << "s\" :View\" SYS:WIDGETTARGET 7 SYS/REPORT:CELLSIZE"
                                                      << "d:7 d:40 d:40";
    }

    void stackWords()
    {
        QFETCH(QString, script);
        QVERIFY(!finish(script));
        QTEST(describeStack(*runner->interpreter()), "stack");
    }

    void controlWordEffects()
    {
        const QSharedPointer<DocumentModel> document(new DocumentModel(unitSystem));
        runner->setDocumentModel(document);
        QVERIFY(!finish("s\" :Edit\" SYS:WIDGETTARGET s\" new text\" SYS:TYPEINLINEEDIT "
                        "s\" FAST\" SYS:SETSPEED s\" quick\" SYS:SETSPEED 0.5 SYS:SETLOADSCALE SYS:NODECOUNT "
                        "2 1 1 1 2 3.472 0.8333 0.8333 5 5 s\" Geometry\" SYS:BIST/ADD "
                        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 s\" Loadcase 1\" SYS:BIST/ADD"));
        QCOMPARE(window->findChild<QLineEdit*>("Edit")->text(), QStringLiteral("new text"));
        QCOMPARE(runner->speed(), int(DemoRunner::Fast));
        QCOMPARE(currentState->scaleLD(), 0.5);
        QCOMPARE(describeStack(*runner->interpreter()), QStringLiteral("i:0"));
        const auto records = runner->selfTestRecords();
        const QMap<QString, double> geometry = {{"maxima", 5},    {"mean1", 0.8333},   {"mean2", 0.8333},
                                                {"variance", 3.472}, {"nodeCount", 2}, {"memberCount", 1},
                                                {"loadCount", 1}, {"supportCount", 1}, {"pinnedEndCount", 2}};
        QCOMPARE(records.value("geometry"), geometry);
        QCOMPARE(records.value("loadcase 1:displacements").value("maxima"), 15.0);
        QCOMPARE(records.value("loadcase 1:reactions").value("mean1"), 8.0);
        QCOMPARE(records.value("loadcase 1:memberforces").value("variance"), 1.0);
    }

    void handOffKeepsArgumentAndGuardsWidgets()
    {
        start("s\" :View\" SYS:WIDGETTARGET 1 SYS/REPORT:FORMATITEM 100 SYS:WAIT SYS:WIDGETTARGET");
        runner->execute();
        runner->execute();
        QCOMPARE(describeStack(*runner->interpreter()), QStringLiteral("w:Item"));
        delete item;
        QCOMPARE(describeStack(*runner->interpreter()), QStringLiteral("w:null"));
        runner->execute();
        QCOMPARE(runner->target(), view);
        runner->execute();
        QCOMPARE(runner->target(), nullptr);
    }

    void targetPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("found");

        QTest::newRow("any label") << "Loading:Button1" << "Button1";
        QTest::newRow("nested") << ":Panel:Button1" << "Button1";
        QTest::newRow("missing inner") << ":Panel:Edit" << "";
        QTest::newRow("missing outer") << ":Nothing:Button1" << "";
        QTest::newRow("no colon") << "Recorder" << "Main";
        QTest::newRow("empty") << "" << "Main";
    }

    void targetPaths()
    {
        QFETCH(QString, path);
        QWidget* found = runner->findTarget(path);
        QTEST(found ? found->objectName() : QString(), "found");
    }

    void glideDurations_data()
    {
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("duration");

        QTest::newRow("slow") << 100 << 0 << 500;
        QTest::newRow("normal") << 100 << 1 << 500;
        QTest::newRow("fast") << 100 << 2 << 250;
        QTest::newRow("self test") << 100 << 3 << 1;
        QTest::newRow("long") << 200 << 1 << 600;
        QTest::newRow("long fast") << 300 << 2 << 300;
    }

    void glideDurations()
    {
        QFETCH(int, distance);
        QFETCH(int, speed);
        runner->setSpeed(speed);
        runner->beginTimeLine(distance);
        QTEST(runner->glide()->duration(), "duration");
    }

    void arrival_data()
    {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("state");

        QTest::newRow("on the end") << 0 << 0 << int(DemoRunner::Ready);
        QTest::newRow("2 0") << 2 << 0 << int(DemoRunner::Ready);
        QTest::newRow("1 1") << -1 << 1 << int(DemoRunner::Ready);
        QTest::newRow("2 1") << 2 << -1 << int(DemoRunner::Failed);
        QTest::newRow("0 3") << 0 << 3 << int(DemoRunner::Failed);
    }

    void arrival()
    {
        QFETCH(int, dx);
        QFETCH(int, dy);
        start("300.4 299.6 SYS:GO");
        runner->execute();
        runner->moveCursor(QPoint(300 + dx, 300 + dy));
        runner->setState(DemoRunner::CheckArrival);
        runner->execute();
        QTEST(int(runner->state()), "state");
    }

    void clicks_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("gap");

        QTest::newRow("single") << "s\" :Recorder\" SYS:WIDGETTARGET 1 1 0 1" << "Press 1 1 0,Release 1 1 0" << 180;
        QTest::newRow("double right")
            << "s\" :Recorder\" SYS:WIDGETTARGET 2 2 0 2"
            << "Press 2 2 0,Release 2 2 0,DblClick 2 2 0,Release 2 2 0" << 90;
        QTest::newRow("shift") << "s\" :Recorder\" SYS:WIDGETTARGET 1 1 33554432 1"
                               << "Press 1 1 33554432,Release 1 1 33554432" << 180;
        QTest::newRow("no target") << "s\" :Nothing\" SYS:WIDGETTARGET 1 1 0 1" << "" << 0;
    }

    void clicks()
    {
        QFETCH(QString, words);
        QFETCH(int, gap);
        const QPoint at(60, 20);
        runner->moveCursor(recorder->mapToGlobal(at));
        QVERIFY(!finish(words + " SYS:CLICK"));
        QTEST(recorder->log.join(','), "events");
        for (int i = 0; i + 1 < recorder->times.size(); i += 2)
            QVERIFY(recorder->times.at(i + 1) - recorder->times.at(i) >= gap);
        for (const QPoint& position : qAsConst(recorder->positions))
            QCOMPARE(position, at);
    }

    void drags_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("posted");

        QTest::newRow("drag") << ":Recorder" << QPoint(30, 10) << true;
        QTest::newRow("where the cursor is") << ":Recorder" << QPoint(0, 0) << false;
        QTest::newRow("no target") << ":Nothing" << QPoint(30, 10) << false;
    }

    void drags()
    {
        QFETCH(QString, target);
        QFETCH(QPoint, offset);
        QFETCH(bool, posted);
        const QPoint start = recorder->mapToGlobal(QPoint(20, 20));
        runner->moveCursor(start);
        const QPoint end = start + offset;
        QVERIFY(!finish(QStringLiteral("s\" %1\" SYS:WIDGETTARGET %2 %3 1 1 0 1 SYS:MOUSEDRAGTO")
                            .arg(target)
                            .arg(end.y())
                            .arg(end.x())));
        const QStringList& log = recorder->log;
        QCOMPARE(!log.isEmpty(), posted);
        if (!posted)
            return;
        QCOMPARE(log.first(), QStringLiteral("Press 1 1 0"));
        QCOMPARE(log.last(), QStringLiteral("Release 1 1 0"));
        QVERIFY(log.count("Move 1 1 0") >= 5);
        QCOMPARE(recorder->positions.first(), QPoint(20, 20));
        QCOMPARE(recorder->positions.last(), QPoint(20, 20) + offset);
    }

    void readersAndPlaceholders()
    {
        QString text;
        runner->setScript("$Tap$ $tapped$ $TAP$ $two-fingers$\tx\n  tok");
        runner->getLineFromStream(&text);
        QCOMPARE(text, QStringLiteral("Click clicked $TAP$ the right-hand mouse button"));
        for (const char* token : {"x", "tok", ""}) {
            runner->getTokenFromStream(&text);
            QCOMPARE(text, QString::fromLatin1(token));
        }
        runner->setScript("  a b ) c");
        runner->getStringFromStream(&text, ')');
        QCOMPARE(text, QStringLiteral("a b"));
        QCOMPARE(runner->readToChar('"'), QStringLiteral(" c"));
        runner->getTokenFromStream(&text);
        QCOMPARE(text, QString());
    }

    void mouseWatchPausesAtTheThirdMove()
    {
        const QPoint home(400, 400);
        runner->moveCursor(home);
        runner->monitorMouse(true);
        const QList<int> moves = {10, 10, 3, 10, 10, 10};
        for (int i = 0; i < moves.size(); ++i) {
            QVERIFY(!runner->controlPanel()->isVisible());
            QCursor::setPos(home + QPoint(moves.at(i), 0));
            runner->pauseIfMouseMoved(false);
            if (moves.at(i) >= 5 && i < moves.size() - 1)
                QCOMPARE(QCursor::pos(), home);
        }
        QVERIFY(message().contains("paused because the mouse was moved"));
        QCOMPARE(visibleButtons(), QStringLiteral("Exit Resume"));
    }

    void backOnlyAfterTwoCheckPoints()
    {
        const QString script = "SYS:CHECKPOINT s\" first\" 0 SYS:MESSAGE SYS:CHECKPOINT s\" second\" 0 SYS:MESSAGE";
        QVERIFY(!finish(script));
        QVERIFY(message().contains("first"));
        QVERIFY(!panelButton("Back")->isEnabled());
        panelButton("Continue")->click();
        QTRY_VERIFY_WITH_TIMEOUT(message().contains("second"), 5000);
        QVERIFY(panelButton("Back")->isEnabled());
        panelButton("Back")->click();
        QTRY_VERIFY_WITH_TIMEOUT(message().contains("first"), 5000);
        QVERIFY(!panelButton("Back")->isEnabled());
        QCOMPARE(restoredDocuments, QList<QByteArray>({"1"}));
    }

    void failedRestoreFailsTheRun()
    {
        start("SYS:CHECKPOINT SYS:CHECKPOINT 100000 SYS:WAIT");
        runner->execute();
        runner->execute();
        QVERIFY(runner->hasBackCheckPoint());
        restoreSucceeds = false;
        runner->back();
        QTRY_VERIFY_WITH_TIMEOUT(message().contains("encountered an error"), 5000);
        QVERIFY(runner->hasBackCheckPoint());
    }

    void selfTestCheckPointsRewind()
    {
        runner->setSpeed(DemoRunner::SelfTest);
        QVERIFY(!finish("SYS:CHECKPOINT 1 SYS:CHECKPOINT 2 SYS:CHECKPOINT 3"));
        QCOMPARE(restoredDocuments, QList<QByteArray>({"1"}));
        QCOMPARE(describeStack(*runner->interpreter()), QStringLiteral("d:1 d:2 d:3"));
    }

    void replayRestoresTheStart()
    {
        QSignalSpy resets(runner, &DemoRunner::Reset);
        QVERIFY(!finish("0.5 SYS:SETLOADSCALE s\" end\" -2 SYS:MESSAGE"));
        unitSystem->setChosenSystem(2);
        runner->setSpeed(DemoRunner::Slow);
        panelButton("Replay")->click();
        QTRY_COMPARE_WITH_TIMEOUT(restoredDocuments, QList<QByteArray>({"0"}), 5000);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(unitSystem->chosenSystem(), 0);
        QCOMPARE(runner->speed(), int(DemoRunner::Normal));
        QTRY_VERIFY_WITH_TIMEOUT(message().contains("end"), 5000);
        QCOMPARE(savedDocuments.size(), 2);
    }

    void selfTestFailsOnABox_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<bool>("taken");

        QTest::newRow("self test, the window") << 3 << "Main" << true;
        QTest::newRow("self test, a widget inside") << 3 << "Edit" << true;
        QTest::newRow("self test, no window") << 3 << "" << false;
        QTest::newRow("fast speed") << 2 << "Main" << false;
    }

    // The box text, where the run stood by the headings of its messages, and
    // no box shown.
    void selfTestFailsOnABox()
    {
        QFETCH(int, speed);
        QFETCH(QString, parent);
        QFETCH(bool, taken);
        RecordingDialogs boxes;
        UserDialogs::install(&boxes);
        // The runners watch the boxes through the dialogs in place when the first of them came.
        delete runner;
        runner = new DemoRunner(window);
        runner->setSpeed(speed);
        start("s\" <h1>Frames</h1><p>Chapters</p>\" -1 SYS:MESSAGE s\" <h2>3. <i>Pins</i></h2>\" 0 SYS:MESSAGE "
              "s\" <p>no heading</p>\" 0 SYS:MESSAGE 60000 SYS:WAIT");
        if (speed == 3)
            QTRY_VERIFY_WITH_TIMEOUT(runner->stepTimer()->interval() == 60000, 5000);
        QWidget* owner = parent.isEmpty() ? nullptr : parent == "Main" ? window : window->findChild<QWidget*>(parent);
        UserDialogs::warning(owner, "Both members and nodes must be selected.");
        UserDialogs::install(nullptr);
        QCOMPARE(boxes.texts().isEmpty(), taken);
        if (!taken)
            return;
        QTRY_VERIFY_WITH_TIMEOUT(message().contains("BIST Failed"), 5000);
        QVERIFY2(message().contains("Script: Frames") && message().contains("Chapter: 3. Pins") &&
                     message().contains("Both members and nodes must be selected."),
                 qPrintable(message()));
        QCOMPARE(runner->selfTestFailure(), QStringLiteral("Both members and nodes must be selected."));
        QCOMPARE(visibleButtons(), QStringLiteral("Exit Replay"));
    }

    void selfTestFailsOnADisabledClick_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("failed");

        QTest::newRow("self test, disabled") << 3 << false << true;
        QTest::newRow("self test, enabled") << 3 << true << false;
        QTest::newRow("fast speed, disabled") << 2 << false << false;
    }

    void selfTestFailsOnADisabledClick()
    {
        QFETCH(int, speed);
        QFETCH(bool, enabled);
        QFETCH(bool, failed);
        recorder->setEnabled(enabled);
        runner->setSpeed(speed);
        finish("s\" <h1>Frames</h1>\" -1 SYS:MESSAGE s\" :Recorder\" SYS:WIDGETTARGET 1 1 0 1 SYS:CLICK");
        if (speed < 3)
            runner->resume();
        QTRY_VERIFY_WITH_TIMEOUT(runner->state() == DemoRunner::Stopped || message().contains("BIST Failed"), 5000);
        QCOMPARE(message().contains("The script clicks Recorder, which is disabled."), failed);
        // The failed click posts nothing.
        QCOMPARE(recorder->log.isEmpty(), failed);
    }

    void geometryRecordAgainstTheModel_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("difference");

        // pinned ends, supports, loads, members, nodes, variance, mean y, mean x, 0, largest
        QTest::newRow("as built") << "1 1 0 2 3 8 1.333 4 0 6" << 3 << "";
        QTest::newRow("within the written digits") << "1 1 0 2 3 8.03 1.33 4.01 0 6" << 3 << "";
        QTest::newRow("no pinned end") << "0 1 0 2 3 8 1.333 4 0 6" << 3
                                       << "pinned member ends: 1 in the model, 0 expected";
        QTest::newRow("both ends pinned") << "2 1 0 2 3 8 1.333 4 0 6" << 3
                                          << "pinned member ends: 1 in the model, 2 expected";
        QTest::newRow("two supports") << "1 2 0 2 3 8 1.333 4 0 6" << 3
                                      << "supported nodes: 1 in the model, 2 expected";
        QTest::newRow("a load") << "1 1 1 2 3 8 1.333 4 0 6" << 3 << "loads: 0 in the model, 1 expected";
        QTest::newRow("a member more") << "1 1 0 3 3 8 1.333 4 0 6" << 3 << "members: 2 in the model, 3 expected";
        QTest::newRow("a node more") << "1 1 0 2 4 8 1.333 4 0 6" << 3 << "nodes: 3 in the model, 4 expected";
        QTest::newRow("variance") << "1 1 0 2 3 8.2 1.333 4 0 6" << 3 << "variance of x: 8 in the model, 8.2 expected";
        QTest::newRow("mean y") << "1 1 0 2 3 8 2 4 0 6" << 3 << "mean y: 1.33333 in the model, 2 expected";
        QTest::newRow("mean x") << "1 1 0 2 3 8 1.333 3 0 6" << 3 << "mean x: 4 in the model, 3 expected";
        QTest::newRow("largest") << "1 1 0 2 3 8 1.333 4 0 4" << 3
                                 << "largest coordinate: 6 in the model, 4 expected";
        QTest::newRow("compared only in the self test") << "0 0 0 0 0 0 0 0 0 0" << 2 << "";
    }

    void geometryRecordAgainstTheModel()
    {
        QFETCH(QString, record);
        QFETCH(int, speed);
        QFETCH(QString, difference);
        runner->setDocumentModel(frameOfThreeNodes(unitSystem));
        runner->setSpeed(speed);
        finish(record + " s\" geometry\" SYS:BIST/ADD SYS:BIST");
        QCOMPARE(message().contains("BIST Failed"), !difference.isEmpty());
        QVERIFY2(message().contains(difference), qPrintable(message()));
        QCOMPARE(runner->state() == DemoRunner::Stopped, difference.isEmpty());
    }

    void closingThePanelStopsTheRun()
    {
        QVERIFY(!finish("s\" <h1>Start</h1>\" -1 SYS:MESSAGE 1 2 3"));
        QVERIFY(runner->controlPanel()->isVisible());
        runner->controlPanel()->close();
        QCOMPARE(runner->state(), DemoRunner::Stopped);
        QVERIFY(!runner->controlPanel()->isVisible());
        // As after Cancel, a later start finds no script.
        runner->resume();
        QTest::qWait(400);
        QCOMPARE(runner->state(), DemoRunner::Stopped);
        QCOMPARE(describeStack(*runner->interpreter()), QString());
        QVERIFY(window->isVisible());
    }

    void panelPlace_data()
    {
        QTest::addColumn<QRect>("described");
        QTest::addColumn<QRect>("other");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QPoint>("place");

        const QSize panel(480, 360);
        QTest::newRow("room on the right") << QRect(480, 300, 640, 400) << QRect() << panel << QPoint(1120, 300);
        // On the right it would reach 220 pixels into the window.
        QTest::newRow("room on the left") << QRect(700, 300, 640, 400) << QRect() << panel << QPoint(220, 300);
        QTest::newRow("room below") << QRect(0, 0, 1600, 500) << QRect() << panel << QPoint(0, 500);
        QTest::newRow("room above") << QRect(0, 400, 1600, 600) << QRect() << panel << QPoint(0, 40);
        // A framed window of 642 by 425 in the middle: 3 pixels too few on
        // either side; the right comes first.
        QTest::newRow("framed, 3 pixels short") << QRect(479, 280, 642, 425) << QRect() << QSize(482, 385)
                                                << QPoint(1118, 280);
        QTest::newRow("another window on the right") << QRect(480, 300, 640, 400) << QRect(1120, 0, 480, 1000)
                                                     << panel << QPoint(0, 300);
        // Nowhere clear: 100 pixels into the window at either side, 50 below
        // or above, and below is as near as above and comes first.
        QTest::newRow("nowhere clear") << QRect(200, 200, 1200, 600) << QRect() << QSize(300, 250)
                                       << QPoint(200, 750);
        QTest::newRow("larger than the screen") << QRect(480, 300, 640, 400) << QRect() << QSize(1700, 1100)
                                                << QPoint(0, 0);
    }

    // On a screen of 1600 by 1000, by hand from the rectangles.
    void panelPlace()
    {
        QFETCH(QRect, described);
        QFETCH(QRect, other);
        QFETCH(QSize, frame);
        const QList<QRect> others = other.isNull() ? QList<QRect>() : QList<QRect>{other};
        QTEST(DemoRunner::placeBeside(described, others, frame, QRect(0, 0, 1600, 1000)), "place");
    }

    void messageLeavesItsWindowInView_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("atRightEdge");
        QTest::newRow("the demonstration window") << "" << false;
        QTest::newRow("a window of its own") << ":Report:Page" << false;
        // No room on the right: the panel stands left of it, by its whole frame.
        QTest::newRow("a window at the screen's right edge") << ":Report:Page" << true;
    }

    // The panel stands beside the window the run worked in last, and clear
    // of the demonstration window.
    void messageLeavesItsWindowInView()
    {
        QFETCH(QString, target);
        QFETCH(bool, atRightEdge);
        auto* report = named<QWidget>("Report", window, Qt::Window);
        named<QWidget>("Page", report);
        report->setGeometry(600, 150, 300, 400);
        report->show();
        QVERIFY(QTest::qWaitForWindowExposed(report));
        const QRect room = report->screen()->availableGeometry();
        if (atRightEdge)
            QVERIFY(moveWindow(report, QPoint(room.right() + 1 - report->frameGeometry().width(), 150)));
        finish(QStringLiteral("s\" %1\" SYS:WIDGETTARGET s\" <p>Look</p>\" 0 SYS:MESSAGE").arg(target));
        QWidget* panel = runner->controlPanel();
        QVERIFY(panel->isVisible());
        // Framed, where a window manager frames windows, and placed by that frame.
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QWidget* described = target.isEmpty() ? window : report;
        QCOMPARE(runner->describedWindow(), described);
        QVERIFY2(!panel->frameGeometry().intersects(described->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(panel->x()).arg(panel->y()).arg(panel->width())
                                .arg(panel->height())));
        QVERIFY(!panel->frameGeometry().intersects(window->frameGeometry()));
        QVERIFY(panel->screen()->availableGeometry().contains(panel->frameGeometry()));
    }

    void runHoldsWhileABoxIsOpen_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("held");

        QTest::newRow("box of the window") << "Main" << true;
        QTest::newRow("box of a widget inside") << "Edit" << true;
        QTest::newRow("box of another window") << "" << false;
    }

    // Each step pushes a 1, so the stack counts the steps.
    void runHoldsWhileABoxIsOpen()
    {
        QFETCH(QString, owner);
        QFETCH(bool, held);
        QWidget other;
        QWidget* parent = owner.isEmpty() ? &other : owner == "Main" ? window : window->findChild<QWidget*>(owner);
        start(QStringLiteral("1 40 SYS:PAUSE ").repeated(200));
        QTRY_VERIFY(runner->interpreter()->depthD() >= 2);

        QMessageBox box(QMessageBox::Question, "VARO Ulmar", "Save?", QMessageBox::Cancel, parent);
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &box);
        QTest::qWait(100);
        const int steps = runner->interpreter()->depthD();
        if (held) {
            QTest::qWait(500);
            QCOMPARE(runner->interpreter()->depthD(), steps);
        } else {
            QTRY_VERIFY(runner->interpreter()->depthD() > steps);
        }
        QVERIFY(!runner->controlPanel()->isVisible());

        box.close();
        QTRY_VERIFY(runner->interpreter()->depthD() > steps + 2);
    }

    void closingTheWindowStopsTheRun_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("while it plays") << QStringLiteral("1 40 SYS:PAUSE ").repeated(200);
        QTest::newRow("at a message") << "s\" <p>Wait</p>\" 0 SYS:MESSAGE 1 2 3";
    }

    void closingTheWindowStopsTheRun()
    {
        QFETCH(QString, script);
        start(script);
        QTRY_VERIFY(runner->interpreter()->depthD() >= 1 || runner->controlPanel()->isVisible());
        window->close();
        QTRY_COMPARE(runner->state(), DemoRunner::Stopped);
        QVERIFY(!runner->controlPanel()->isVisible());
        QTest::qWait(200);
        QVERIFY(!window->isVisible());
    }

    void popUpStaysOnScreen()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        runner->moveCursor(available.bottomRight() - QPoint(2, 2));
        runner->displayPopUp("  A pop-up near the corner of the screen  ");
        auto* label = window->findChild<QLabel*>();
        QVERIFY(label && label->isVisible());
        QCOMPARE(label->text(), QStringLiteral("A pop-up near the corner of the screen"));
        QVERIFY(available.contains(label->geometry()));
    }
};

VARO_TEST_MAIN(TestDemoRunner)
#include "tst_runner.moc"
