#include "DemoRunner.h"
#include "DemoScripts.h"
#include "DemoTesting.h"
#include "Forth.h"
#include "TestMain.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Host words by what the runner and the views take from the stack and leave
// on it; the results are stand-ins. Words missing here are served by nobody.
const struct
{
    int takes;
    int leaves;
    const char* names;
} standIns[] = {
    {0, 0, "SYS:BIST SYS:BIST/CLEAR SYS:CHECKPOINT SYS:CLOSEPOPUP"},
    {1, 0,
     "SYS:PAUSE SYS:WAIT SYS:SETSPEED SYS:SETSLIDERVALUE SYS:TYPEINLINEEDIT SYS:WIDGETTARGET "
     "SYS:SETBENDINGMOMENTSCALE SYS:SETDEFLECTIONSCALE SYS:SETLOADSCALE SYS:SETREACTIONSCALE SYS:SETSHEARFORCESCALE"},
    {2, 0, "SYS:GO SYS:MESSAGE SYS:POPUP"},
    {4, 0, "SYS:CLICK"},
    {6, 0, "SYS:MOUSEDRAGTO SYS:SETVIEWPOINT SYS:FLYTOVIEWPOINT"},
    {0, 1, "SYS:GETSLIDERVALUE SYS:NODECOUNT"},
    {0, 2, "SYS:WIDGETCENTRE"},
    {0, 6, "SYS:VIEWPOINT"},
    {1, 1,
     "SYS:WIDGETPRESENT SYS:NEARESTLOAD SYS:NEARESTMEMBER SYS:NEARESTNODE SYS/REPORT:FORMATITEM "
     "SYS/REPORT:FORMATITEMBLOCK SYS/REPORT:PREVIEWBUTTONFORREPORT"},
    {1, 2, "SYS:CELLHOTSPOT SYS:OBJECTHOTSPOT SYS:REGIONCENTRE"},
    {1, 3, "SYS:OBJECTWORLDPOSITION SYS/REPORT:CELLSIZE"},
    {1, 5, "SYS:VIEWPARAMETERS"},
    {2, 2, "SYS:MAPRELATIVETOGLOBAL"},
    {6, 4, "SYS:ENVELOPPOINT"},
};

const char* const endMark = "TEST:END";

// Runs a script with the runner's host words answered by stand-ins: every
// widget is present, every view word succeeds. The text ends with a mark
// that only an interpreter outside any definition hands back.
struct DryRun
{
    Forth forth;
    ScriptFeeder feeder;
    QStringList targets;
    QString fault;
    bool reachedEnd = false;

    explicit DryRun(const QString& script)
        : feeder(&forth, script + QLatin1Char('\n') + QLatin1String(endMark) + QLatin1Char('\n'))
    {
        const QStringList names = DemoRunner::hostWordNames();
        for (int n = 0; n < names.size(); ++n)
            forth.registerName(names.at(n), n + 1);
        forth.registerName(QLatin1String(endMark), names.size() + 1);
    }

    // Empty when the script ran to its mark with both stacks empty.
    QString run()
    {
        try {
            for (Forth::Dictionary word = forth.parse(); word.code != Forth::NoWord; word = forth.parse())
                perform(forth.nameForCode(word.code));
        } catch (const Forth::ExceptionStackUnderflow&) {
            return QStringLiteral("stack underflow before: ") + place();
        } catch (const Forth::ExceptionNotFound&) {
            return fault.isEmpty() ? QStringLiteral("unknown or unserved word before: ") + place() : fault;
        }
        if (!reachedEnd)
            return QStringLiteral("ends inside a definition, comment or string");
        return forth.isClean() ? QString() : QStringLiteral("values left: ") + describeStack(forth);
    }

    void perform(const QString& name)
    {
        if (name == QLatin1String(endMark)) {
            reachedEnd = !forth.isExecuting();
        } else if (name == QLatin1String("SYS:RESET")) {
            if (!forth.isClean()) {
                fault = QStringLiteral("SYS:Reset with values on a stack before: ") + place();
                throw Forth::ExceptionNotFound();
            }
        } else if (name == QLatin1String("SYS:MAKEVECTOR")) {
            const int count = forth.pullD().toInt();
            for (int i = 0; i < count; ++i)
                forth.pullD();
            forth.pushD(QVariantList());
        } else if (name == QLatin1String("SYS:BIST/ADD")) {
            const int count = forth.pullD().toString().toLower() == QLatin1String("geometry") ? 10 : 15;
            for (int i = 0; i < count; ++i)
                forth.pullD();
        } else {
            performStandIn(name);
        }
    }

    void performStandIn(const QString& name)
    {
        for (const auto& effect : standIns) {
            if (!QString::fromLatin1(effect.names).split(QLatin1Char(' ')).contains(name))
                continue;
            if (name == QLatin1String("SYS:WIDGETTARGET"))
                targets << forth.readD(0).toString();
            for (int i = 0; i < effect.takes; ++i)
                forth.pullD();
            for (int i = 0; i < effect.leaves; ++i)
                forth.pushD(name == QLatin1String("SYS:WIDGETPRESENT") ? -1 : 1);
            return;
        }
        throw Forth::ExceptionNotFound();
    }

    QString place() const { return feeder.text.mid(qMax(0, feeder.position - 60), 60).simplified(); }
};

const QString selfTestHeader = QStringLiteral("s\" <h2>BIST</h2>\" -1 SYS:Message s\" BIST\" SYS:SetSpeed\n");
const QString selfTestFooter =
    QStringLiteral("s\" NORMAL\" SYS:SetSpeed s\" <h2>BIST Completed</h2>Successful.\"  -2 SYS:Message\n");
const QString selfTestJoint = QStringLiteral("\n500 SYS:Wait SYS:Reset\n");

const QStringList shippedNames = {
    "01.KU.Model1.(Guide) Tour", "02.KU.Model1.(Guide) Reports", "03.KU..Beam", "04.KU..Space Frame",
    "05.KU..Portal Frame", "06.KU..Plane Grid", "07.KU..Plane Frame", "08.KU..Partial Truss", "09.KU..Helical Stair"};

QString header()
{
    return Forth::loadScript(QStringLiteral(":/replay"), QStringLiteral("headers/Generic"));
}

} // namespace

class TestScripts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initialiseDemoResources(); }

    void namesListThisEditionSorted()
    {
        QTemporaryDir dir;
        QVERIFY(writeTestFiles(dir.path(), {{"02.KU..B", ""},
                                            {"01.K..Only other edition", ""},
                                            {"03.U.Model1.C", ""},
                                            {"Model1.varok", ""}}));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("headers.U")));
        QCOMPARE(demoScriptNames(dir.path()), QStringList({"02.KU..B", "03.U.Model1.C"}));
        QCOMPARE(demoScriptNames(), shippedNames);
    }

    void selfTestJoinsBlankModelScripts()
    {
        QTemporaryDir dir;
        QVERIFY(writeTestFiles(dir.path(), {{"01.KU.Model1.Guide", "guide\n"},
                                            {"02.KU..B", "#INCLUDE h\nb\n"},
                                            {"03.KU..C", "c\n"},
                                            {"h", "head\n"}}));
        QCOMPARE(selfTestScript({"01.KU.Model1.Guide", "03.KU..C", "02.KU..B"}, dir.path()),
                 selfTestHeader + selfTestJoint + "c\n" + selfTestJoint + "head\n\nb\n" + selfTestJoint +
                     selfTestFooter);

        const QStringList pieces = selfTestScript(shippedNames).split(selfTestJoint);
        QCOMPARE(pieces.size(), 9);
        QCOMPARE(pieces.first(), selfTestHeader);
        for (int i = 1; i < 8; ++i)
            QCOMPARE(pieces.at(i), Forth::loadScript(QStringLiteral(":/replay"), shippedNames.at(i + 1)));
        QCOMPARE(pieces.last(), selfTestFooter);
    }

    void headerWords_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("stack");
        QTest::addColumn<QStringList>("targets");

        const QStringList none;
        QTest::newRow("select keeps the desktop value") << "s\" a\" s\" b\" System/Select" << "s:b" << none;
        QTest::newRow("plane axis of a frame") << "Axis/XYPlane" << "s:In X-Y Plane" << none;
        QTest::newRow("roller support") << "Support/FixedRollerX" << "s:Moment-resisting roller in X" << none;
        QTest::newRow("frame supports") << "Support/FullyFixed Support/FullyPinned"
                                        << "s:Fully Fixed s:Fully Pinned" << none;
        QTest::newRow("picker cell") << "s\" Rigid\" s\" :MemberPinPicker:\" AppendTableEntry"
                                     << "s::MemberPinPicker:rigid" << none;
        QTest::newRow("axis cell meets the library entry")
            << "Axis/XYPlane s\" :MemberAxisPicker:\" AppendTableEntry" << "s::MemberAxisPicker:in x-y plane"
            << none;
        QTest::newRow("negative number on the calculator")
            << "-2.5 CalculatorTypeNumber" << ""
            << QStringList{":Calculator:button2", ":Calculator:buttonDecimal", ":Calculator:button5",
                           ":Calculator:buttonNeg"};
        QTest::newRow("calculator operators") << "s\" *\" CalculatorTypeKey Calc:Return" << ""
                                              << QStringList{":Calculator:buttonMul", ":Calculator:buttonEquals",
                                                             ":Calculator:buttonReturn"};
        QTest::newRow("support of the selected nodes")
            << "Support/FullyPinned SetNodeSupport" << ""
            << QStringList{"Geometry:ButtonNodeMenu", "Geometry:ActionNodeSupports", ":SupportPicker:fully pinned"};
        QTest::newRow("section drilled from the country")
            << "s\" Rotated\" s\" 305 x 165 x 40\" s\" UB\" s\" British\" SetMemberSection" << ""
            << QStringList{"Geometry:ButtonMemberMenu", "Geometry:ActionSectionLibrary",
                           ":SectionAccessor:Country:british", ":SectionAccessor:Category:ub",
                           ":SectionAccessor:Size:305 x 165 x 40", ":SectionAccessor:CrossSection:Rotate",
                           ":SectionAccessor:CrossSection:Use"};
        QTest::newRow("mode tab") << "SwitchToTab:Results" << "" << QStringList{":TabResults", ":StructureView"};
    }

    void headerWords()
    {
        QFETCH(QString, script);
        DryRun dry(header() + script);
        const QString failure = dry.run();
        QVERIFY2(failure.startsWith(QLatin1String("values left: ")) || failure.isEmpty(), qPrintable(failure));
        QTEST(describeStack(dry.forth), "stack");
        QTEST(dry.targets, "targets");
    }

    void crashEndsWithUnderflow()
    {
        DryRun dry(header() + QStringLiteral("Crash"));
        QVERIFY(dry.run().startsWith(QLatin1String("stack underflow")));
    }

    void everyScriptRunsCleanToItsEnd_data()
    {
        QTest::addColumn<QString>("script");
        for (const QString& name : shippedNames)
            QTest::newRow(qPrintable(name)) << Forth::loadScript(QStringLiteral(":/replay"), name);
        QTest::newRow("self test") << selfTestScript(shippedNames);
    }

    void everyScriptRunsCleanToItsEnd()
    {
        QFETCH(QString, script);
        DryRun dry(script);
        const QString failure = dry.run();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
};

VARO_GUILESS_TEST_MAIN(TestScripts)
#include "tst_scripts.moc"
