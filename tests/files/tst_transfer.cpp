#include "TransferReader.h"

#include "BudgetTesting.h"
#include "Combination.h"
#include "CurrentState.h"
#include "DisposalTesting.h"
#include "DocumentXml.h"
#include "NativeContainer.h"
#include "CpuTimeTesting.h"
#include "DocumentModel.h"
#include "FileLimitTesting.h"
#include "StructureModel.h"
#include "UnitSystem.h"
#include "CrossSection.h"
#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "GravityCase.h"
#include "Libraries.h"
#include "LoadAxis.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "ReadingBudget.h"
#include "SectionType.h"
#include "Support.h"
#include "SwayCase.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "ViewPoint.h"
#include "TestMain.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include <functional>

#include <sys/stat.h>

namespace {

// Numbers in a transfer text are single precision, widened when stored.
double single(double value)
{
    return double(float(value));
}

template<class T>
QSharedPointer<T> entry(const TransferImport& result, int index)
{
    return result.libraryEntries.value(index).objectCast<T>();
}

template<class T>
QSharedPointer<T> object(const TransferImport& result, int index)
{
    return result.objects.value(index).objectCast<T>();
}

// A small valid model of format version 3 that refused lines are appended to.
const QByteArray base = "V:3 1 \"test\"\n"
                        "A:1 1 \"down\" (0 0 -1) 0 G P\n"
                        "Q:1 1 \"q\" 1 0 1\n"
                        "S:1 1 \"s\" 63\n"
                        "N:1 (0 0 0) 1 0\n"
                        "N:2 (1 0 0) 0 0\n"
                        "M:1 1 - 2 RR 0 0 0\n"
                        "C:1 1 \"c\"\n";

} // namespace

// Importing transfer texts: every record kind, the refusals, and the file entry point.
class TestTransfer : public QObject
{
    Q_OBJECT

private slots:
    // What a row closed goes before the next row opens its model.
    void cleanup() { letClosedModelsGo(); }
    void everyRecordKind();
    void factorLists_data();
    void factorLists();
    void axes_data();
    void axes();
    void acceptedLayouts_data();
    void acceptedLayouts();
    void refusedTexts_data();
    void refusedTexts();
    void sectionTypesBeforeVersion3();
    void filesAndMessages_data();
    void filesAndMessages();
    void libraryEntriesInRecordNameOrder();
    void documentTakesAllOrNothing();
    void recordsPastTheBudgetAreNeverBuilt();
    void manyLoadCasesImportInLinearTime();
    void whatImportsCanBeSaved_data();
    void whatImportsCanBeSaved();
    void whatTheWindowShowsOfAnImportCanBeSaved_data();
    void whatTheWindowShowsOfAnImportCanBeSaved();
    void importsAtALimitAsTheWindowSavesThem_data();
    void importsAtALimitAsTheWindowSavesThem();
    void textAtTheTransferLengthLimit();
    void recordsAtTheTransferRecordLimit();
};

void TestTransfer::everyRecordKind()
{
    const QByteArray text = "# a model with every record kind\n"
                            "V:3 1 \"Test producer\"\n"
                            "A:1 1 \"Down\" (0 0 -1) 0 G P\n"
                            "A:2 1 \"Up\" (0 -1 0) 0 G P\n"
                            "O:1 1 \"Major\" (0 1 0) 0 L O\n"
                            "T:1 2 \"Steel\" \"S275\" 3 \"UK\" \"UB\" \"203x133x25\" 1 \"ibeam\"\n"
                            "  R 7850 2.1e11 8.1e10\n"
                            "  3.2e-3 0.2032 0.0078 2.34e-5 3.08e-6\n"
                            "  1.54e-7 0.0057 2.3e-4 4.6e-5 0.1332\n"
                            "  0.0666 0.1332 0.0078 0.0666\n"
                            "S:1 1 \"Fixed\" 63\n"
                            "Q:1 1 \"Frame\" 0 16711680 0.5\n"
                            "Q:2 1 \"Other\" 1 255 1\n"
                            "N:1 (0 0 0) 1 1 1\n"
                            "N:012 (4 0.1 -2) 0 2 1 2\n"
                            "M:1 1 - 12 PR 1 1 1 2\n"
                            "C:1 1 \"Dead\"\n"
                            "C:2 1 \"Live\"\n"
                            "G:1 2\n"
                            "W:1 1 \"Sway\" C1 1.5 K0 0 Y X\n"
                            "K:1 1 \"ULS\" C1 1.4 G1 1.0\n"
                            "  W1 0.5 C2 -1 K0 0.0\n"
                            "L:1 P 1 1 1 1 1 0.5 10\n"
                            "L:2 T 1 1 1 2 2 0.2 100 0.8 200\n"
                            "L:3 M 1 2 1 1 1 0.25 5\n"
                            "X:4 an ignored record\n";
    TransferImport result;
    QVERIFY(TransferReader::read(text, &result));
    QCOMPARE(result.formatVersion, 3);
    QCOMPARE(result.objects.size(), 6);

    const NodeRef n1 = object<Node>(result, 0), n2 = object<Node>(result, 1);
    QVERIFY(n1 && n2);
    QCOMPARE(n1->support()->name(), QString("Fixed"));
    QCOMPARE(int(n1->support()->dof()), 63);
    QCOMPARE(n1->group()->name(), QString("Frame"));
    QCOMPARE(n2->position()[1], single(0.1));
    QCOMPARE(n2->position()[2], -2.0);
    QVERIFY(!n2->support());
    QCOMPARE(n2->group()->name(), QString("Other"));

    const MemberRef m = object<Member>(result, 2);
    QVERIFY(m);
    QCOMPARE(m->nodeA(), n1);
    QCOMPARE(m->nodeB(), n2);
    QVERIFY(m->pinAtA() && !m->pinAtB());
    QCOMPARE(m->group(), n2->group());
    QCOMPARE(m->axis()->name(), QString("Major"));
    QVERIFY(!m->axis()->axis().isGlobal() && m->axis()->axis().isOrthogonal());

    const SectionTypeRef t = m->sectionType();
    QVERIFY(t);
    QCOMPARE(t->material()->names(), QStringList({"Steel", "S275"}));
    QCOMPARE(t->material()->density(), 7850.0);
    QCOMPARE(t->material()->youngsModulus(), single(2.1e11));
    QCOMPARE(t->material()->cte(), 0.0);
    const CrossSection& s = *t->crossSection();
    QCOMPARE(s.names(), QStringList({"UK", "UB", "203x133x25"}));
    QCOMPARE(s.shape(), CrossSection::Shape(CrossSection::IBeam));
    QVERIFY(s.isRotated());
    const double stated[] = {s.area(), s.overallDepth(), s.topFlangeThickness(), s.Iy(), s.Iz(), s.J(),
                             s.webThickness(), s.Wely(), s.Welz(), s.topFlangeWidth(), s.topFlangeOffset(),
                             s.bottomFlangeWidth(), s.bottomFlangeThickness(), s.bottomFlangeOffset()};
    const double written[] = {3.2e-3, 0.2032, 0.0078, 2.34e-5, 3.08e-6, 1.54e-7, 0.0057,
                              2.3e-4, 4.6e-5, 0.1332, 0.0666, 0.1332, 0.0078, 0.0666};
    for (int k = 0; k < 14; ++k)
        QCOMPARE(stated[k], single(written[k]));
    QCOMPARE(s.Wply(), 0.0);

    const auto point = object<PointLoad>(result, 3);
    const auto trapezoid = object<TrapezoidLoad>(result, 4);
    const auto torque = object<TorqueLoad>(result, 5);
    QVERIFY(point && trapezoid && torque);
    QCOMPARE(point->member(), m);
    QCOMPARE(point->axis()->axis().vector(), Vector3(0, 0, 1));
    QCOMPARE(point->positionedForces(), QList<Load::PositionedForce>({{0.5, -10.0}}));
    QCOMPARE(trapezoid->positionedForces(),
             QList<Load::PositionedForce>({{single(0.2), -100.0}, {single(0.8), -200.0}}));
    QCOMPARE(torque->positionedForces(), QList<Load::PositionedForce>({{0.25, -5.0}}));
    QCOMPARE(torque->axis()->axis().vector(), Vector3(0, 1, 0));
    QCOMPARE(point->loadCase()->name(), QString("Dead"));

    // C1, C2, G1, K1, Q1, Q2, W1
    QCOMPARE(result.libraryEntries.size(), 7);
    const auto dead = entry<Loading>(result, 0);
    const auto gravity = entry<GravityCase>(result, 2);
    const auto uls = entry<Combination>(result, 3);
    const auto frame = entry<GeometryGroup>(result, 4);
    const auto sway = entry<SwayCase>(result, 6);
    QVERIFY(dead && gravity && uls && frame && sway);
    QCOMPARE(point->loadCase(), LoadCaseRef(dead));
    QCOMPARE(gravity->name(), QString("Gravity"));
    QCOMPARE(gravity->acceleration(), 9.81);
    QCOMPARE(gravity->axis().vector(), Vector3(0, 1, 0));
    QCOMPARE(uls->name(), QString("ULS"));
    QCOMPARE(uls->factors().size(), 4);
    QCOMPARE(uls->factorForLoadCase(dead), 1.4);
    QCOMPARE(uls->factorForLoadCase(gravity), 1.0);
    QCOMPARE(uls->factorForLoadCase(sway), 0.5);
    QCOMPARE(uls->factorForLoadCase(entry<Loading>(result, 1)), -1.0);
    QVERIFY(!frame->hasAnalysisPurpose());
    QCOMPARE(frame->colour().rgb(), qRgb(255, 0, 0));
    QCOMPARE(frame->colour().alpha(), 128);
    QVERIFY(entry<GeometryGroup>(result, 5)->hasAnalysisPurpose());
    QCOMPARE(sway->takeComponent(), SwayCase::Y);
    QCOMPARE(sway->applyComponent(), SwayCase::X);
    QCOMPARE(sway->factorForLoadCase(dead), 1.5);
}

void TestTransfer::factorLists_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<double>>("factors"); // for C1, C2 and G1; 0 for none

    const QByteArray cases = "A:1 1 \"up\" (0 1 0) 0 G P\nC:1 1 \"a\"\nC:2 1 \"b\"\nG:1 1\n";
    QTest::newRow("numbered") << cases + "K:1 1 \"k\" 1 1.5\n2 0.125 0 0.0\n" << QList<double>{1.5, 0.13, 0};
    QTest::newRow("numbered at end") << cases + "K:1 1 \"k\" 1 1.5 2 1.005" << QList<double>{1.5, 1.0, 0};
    QTest::newRow("numbered dropped") << cases + "K:1 1 \"k\" 1 1.5 2 0.005 1 0 0 0" << QList<double>{0, 0, 0};
    QTest::newRow("lettered") << "V:2 1 \"t\"\n" + cases + "K:1 1 \"k\" C1 1.4 G 1 1.0 K0 0.0\n"
                              << QList<double>{1.4, 0, 1.0};
    QTest::newRow("lettered ends at c") << "V:2 1 \"t\"\n" + cases + "K:1 1 \"k\" C2 2 c1 1.0\n"
                                        << QList<double>{0, 2.0, 0};
}

void TestTransfer::factorLists()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<double>, factors);
    TransferImport result;
    QVERIFY(TransferReader::read(text, &result));
    const auto combination = entry<Combination>(result, 3);
    QVERIFY(combination);
    QCOMPARE(combination->factorForLoadCase(entry<Loading>(result, 0)), factors[0]);
    QCOMPARE(combination->factorForLoadCase(entry<Loading>(result, 1)), factors[1]);
    QCOMPARE(combination->factorForLoadCase(entry<GravityCase>(result, 2)), factors[2]);
}

void TestTransfer::axes_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<Vector3>("vector");
    QTest::addColumn<bool>("towardsNode");
    QTest::addColumn<double>("force"); // of a point load of 10 along the axis
    QTest::addColumn<QString>("gravity");

    QTest::newRow("negative z") << QByteArray("A:1 1 \"a\" (0 0 -1) 0 G P") << Vector3(0, 0, 1) << false << -10.0
                                << "Gravity (import)";
    QTest::newRow("not unit") << QByteArray("A:1 1 \"a\" (0 0 -2) 0 G P") << Vector3(0, 0, -2) << false << 10.0
                              << "Gravity (import)";
    QTest::newRow("nearly negative x") << QByteArray("A:1 1 \"a\" (-1 0.000001 0) 0 G P")
                                       << Vector3(-1, single(0.000001), 0) << false << 10.0 << "Gravity (import)";
    QTest::newRow("negative y") << QByteArray("A:1 1 \"a\" ( 0 -1 0) 0 G P") << Vector3(0, 1, 0) << false << -10.0
                                << "Gravity";
    QTest::newRow("local") << QByteArray("A:1 1 \"a\" (0 -1 0) 0 L P") << Vector3(0, 1, 0) << false << -10.0
                           << "Gravity (import)";
    QTest::newRow("towards node") << QByteArray("A:1 1 \"a\" (0 -1 0) 2 G P") << Vector3() << true << -10.0
                                  << "Gravity (import)";
}

void TestTransfer::axes()
{
    QFETCH(QByteArray, record);
    QFETCH(Vector3, vector);
    QFETCH(bool, towardsNode);
    const QByteArray text = "N:1 (0 0 0) 0\nN:2 (1 0 0) 0\nM:1 1 - 2 RR 0 0\nC:1 1 \"c\"\n" + record
                            + "\nG:1 1\nL:1 P 1 1 1 1 1 0.5 10\n";
    TransferImport result;
    QVERIFY(TransferReader::read(text, &result));
    const auto load = object<PointLoad>(result, 3);
    QVERIFY(load);
    QCOMPARE(load->axis()->axis().vector(), vector);
    QCOMPARE(load->axis()->axis().node(), towardsNode ? object<Node>(result, 1) : NodeRef());
    QTEST(load->positionedForces().value(0).second, "force");
    QTEST(entry<GravityCase>(result, 1)->name(), "gravity");
}

void TestTransfer::acceptedLayouts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("objects");
    QTest::addColumn<int>("entries");

    QTest::newRow("empty") << QByteArray() << 0 << 0;
    QTest::newRow("comments and blank lines") << QByteArray("# one\r\n\r\n#two") << 0 << 0;
    QTest::newRow("line starting with a blank") << QByteArray(" N:1 (0 0 0) 0\n") << 0 << 0;
    QTest::newRow("ignored letters") << QByteArray("x:4 text\nB:1\n\xc3:2 more\n") << 0 << 0;
    QTest::newRow("rest of line") << QByteArray("N:1 (0 0 0) 0 whatever (\n") << 1 << 0;
    QTest::newRow("text after a tab") << QByteArray("N:1 (0 0 0) 0 x\tN:2 (1 0 0) 0\n") << 2 << 0;
    QTest::newRow("version 2 ignores groups") << base.mid(base.indexOf('\n') + 1).prepend("V:2 1 \"t\"\n")
                                                        + "N:3 (0 0 0) 0 2 5 6\n"
                                              << 4 << 2;
    QTest::newRow("version 3 group count 0") << base + "N:3 (0 0 0) 0 0\n" << 4 << 2;
    QTest::newRow("gravity without load axis") << QByteArray("G:1 7\nG:1 7\n") << 0 << 0;
    QTest::newRow("K3 and W3") << QByteArray("C:1 1 \"c\"\nW:3 1 \"w\" 0 0 z q\nK:3 1 \"\" 1 1 0 0") << 0 << 3;
    QTest::newRow("unknown section and axis") << QByteArray("N:1 (0 0 0) 0\nN:2 (0 1 0) 0\nM:1 1-2 XX 9 9") << 3 << 0;
    QTest::newRow("positions 0 and 1") << base + "L:1 T 1 1 1 1 2 0 1 1 2\n" << 4 << 2;
    QTest::newRow("material limits") << QByteArray("T:1 0 0 0 x 0.01 300000 100000 1 1 1 1 1 1 1 1 1 1") << 0 << 0;
}

void TestTransfer::acceptedLayouts()
{
    QFETCH(QByteArray, text);
    QFETCH(int, objects);
    TransferImport result;
    QVERIFY(TransferReader::read(text, &result));
    QCOMPARE(result.objects.size(), objects);
    QTEST(result.libraryEntries.size(), "entries");
}

void TestTransfer::refusedTexts_data()
{
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("base is good") << QByteArray(); // marks the rows below as the only cause
    const QList<QPair<const char*, QByteArray>> tails = {
        {"missing field", "N:3 (1 2) 0"},
        {"blank before parenthesis", "N:3 (1 2 3 ) 0"},
        {"not finite", "N:3 (nan 0 0) 0"},
        {"unknown node", "M:2 1 - 9 RR 0 0 0"},
        {"node further down", "M:2 1 - 3 RR 0 0 0\nN:3 (0 0 0) 0 0"},
        {"two pin codes apart", "M:2 1 - 2 P P 0 0 0"},
        {"unknown group", "N:3 (0 0 0) 0 1 4"},
        {"missing group count", "N:3 (0 0 0) 0"},
        {"huge group count", "N:3 (0 0 0) 0 2147483647 1 1"},
        {"duplicate name", "N:01 (0 0 0) 0 0"},
        {"number 0", "N:0 (0 0 0) 0 0"},
        {"no number", "N: (0 0 0) 0 0"},
        {"letter then blank", "x 1"},
        {"number out of range", "N:2147483648 (0 0 0) 0 0"},
        {"mask out of range", "S:2 1 \"s\" 99999999999"},
        {"mask 64", "S:2 1 \"s\" 64"},
        {"mask -1", "S:2 1 \"s\" -1"},
        {"non-UTF-8 name", "C:2 1 \"\xff\""},
        {"non-UTF-8 axis name", "A:2 1 \"\xc3\" (0 0 1) 0 G P"},
        {"empty name list", "C:2 0"},
        {"empty producer", "V:4 1 \"\" "},
        {"truncated load", "L:1 P 1 1 1 1 1 0.5"},
        {"huge loading count", "L:1 P 1 1 2147483647 1 1 0.5 1"},
        {"two loadings", "L:1 P 1 1 2 1 1 1 0.5 1"},
        {"lower-case kind", "L:1 p 1 1 1 1 1 0.5 10"},
        {"point load with two pairs", "L:1 P 1 1 1 1 2 0 1 1 1"},
        {"trapezoid with one pair", "L:1 T 1 1 1 1 1 0 1"},
        {"position above 1", "L:1 P 1 1 1 1 1 1.0001 10"},
        {"position below 0", "L:1 P 1 1 1 1 1 -0.5 10"},
        {"infinite force", "L:1 P 1 1 1 1 1 0.5 inf"},
        {"loading of a gravity case", "A:2 1 \"up\" (0 1 0) 0 G P\nG:5 2\nL:1 P 1 1 1 5 1 0.5 10"},
        {"density", "T:1 0 0 0 x 0.005 2.1e11 8.1e10 1 1 1 1 1 1 1 1 1 1 1 1 1 1"},
        {"E", "T:1 0 0 0 x 7850 200000 80000 1 1 1 1 1 1 1 1 1 1 1 1 1 1"},
        {"E above 3 G", "T:1 0 0 0 x 7850 2.0e11 6.0e10 1 1 1 1 1 1 1 1 1 1 1 1 1 1"},
        {"section truncated", "T:1 0 0 0 x 7850 2.1e11 8.1e10 1 1 1 1 1 1 1 1 1 1 1 1 1"},
        {"opacity not a number", "Q:2 1 \"q\" 1 0 nan"},
        {"own sway case", "W:2 1 \"w\" W2 1 K0 0 X Y"},
        {"gravity case that made nothing", "G:3 9\nK:1 1 \"k\" G3 1 K0 0"},
        {"sway components missing", "W:2 1 \"w\" C1 1 K0 0"},
        {"gravity without number", "G:1 x"},
        {"word after tab in a comment", "# note\tword"},
        // Every number field refuses what is no number of a model, as the XML reader does.
        {"factor not a number", "C:2 1 \"d\"\nK:1 1 \"ULS\" C1 nan C2 1.5 K0 0"},
        {"factor infinite", "K:1 1 \"k\" C1 inf K0 0"},
        {"factor overflowing", "K:1 1 \"k\" C1 1e999 K0 0"},
        {"factor beyond single precision", "K:1 1 \"k\" C1 -1e39 K0 0"},
        {"closing factor not a number", "K:1 1 \"k\" C1 1 K0 nan"},
        {"sway factor infinite", "W:2 1 \"w\" C1 -inf K0 0 X Y"},
        {"opacity infinite", "Q:2 1 \"q\" 1 0 inf"},
        {"coordinate overflowing", "N:3 (1e999 0 0) 0 0"},
        {"coordinate infinite", "N:3 (0 0 -inf) 0 0"},
        {"load axis not a number", "A:2 1 \"a\" (0 nan 1) 0 G P"},
        {"member axis overflowing", "O:1 1 \"o\" (1e40 0 0) 0 G O"},
        {"density overflowing", "T:1 0 0 0 x 1e999 2.1e11 8.1e10 1 1 1 1 1 1 1 1 1 1 1 1 1 1"},
        {"section property not a number", "T:1 0 0 0 x 7850 2.1e11 8.1e10 1 1 nan 1 1 1 1 1 1 1 1 1 1 1"},
        {"position overflowing", "L:1 P 1 1 1 1 1 1e999 10"},
        {"force overflowing", "L:1 T 1 1 1 1 2 0 1 1 -1e999"},
    };
    for (const auto& tail : tails)
        QTest::newRow(tail.first) << tail.second;
    QTest::newRow("numbered list without end") << QByteArray("C:1 1 \"c\"\nK:1 1 \"k\" 1 1.5\nC:2 1 \"d\"\n");
    QTest::newRow("numbered factor not a number") << QByteArray("C:1 1 \"c\"\nK:1 1 \"k\" 1 nan 0 0\n");
    QTest::newRow("numbered factor overflowing") << QByteArray("C:1 1 \"c\"\nK:1 1 \"k\" 1 1e999 0 0\n");
}

void TestTransfer::refusedTexts()
{
    QFETCH(QByteArray, text);
    const bool whole = text.startsWith("C:1");
    TransferImport result;
    result.formatVersion = -7;
    if (text.isEmpty()) {
        QVERIFY(TransferReader::read(base, &result));
        return;
    }
    QVERIFY(!TransferReader::read(whole ? text : base + text + "\n", &result));
    QCOMPARE(result.formatVersion, -7);
    QVERIFY(result.objects.isEmpty() && result.libraryEntries.isEmpty());
}

void TestTransfer::sectionTypesBeforeVersion3()
{
    // Version 2 reads no fifth group: the number after the fourth is the next record's business.
    const QByteArray text = "V:2 1 \"t\"\n"
                            "T:1 0 0 1 \"Custom\" r 7850 2.1e11 8.1e10 1 2 0.5 1 1 1 -0.1 1 1 0.3 9\n"
                            "N:1 (0 0 0) 0\nN:2 (1 0 0) 0\nM:1 1 - 2 RR 1 0\n";
    TransferImport result;
    QVERIFY(TransferReader::read(text, &result));
    const CrossSection& s = *object<Member>(result, 2)->sectionType()->crossSection();
    QCOMPARE(s.shape(), CrossSection::Shape(CrossSection::Custom));
    QVERIFY(!s.isRotated());
    QCOMPARE(s.webThickness(), 0.0);
    QCOMPARE(s.topFlangeOffset(), 0.0);
    QCOMPARE(s.bottomFlangeWidth(), 0.0);
    QVERIFY(s.names().isEmpty());
}

void TestTransfer::filesAndMessages_data()
{
    // The rows past a limit at a hundredth of the size; the real limits are
    // checked once each (textAtTheTransferLengthLimit, recordsAtTheTransferRecordLimit).
    const ScaledFileLimits scaled;
    const FileLimits limits = FileLimits::current();
    const QString refused = "The file appears to be either corrupt or not compatible with this version. "
                            "It cannot be loaded.";
    const QString cannotOpen = "The file cannot be opened.\n%2: %1";
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("good, any name") << "Träger ✓.varox" << base << QString();
    QTest::newRow("refused record") << "bad.varox" << base + "N:1 (0 0 0) 0 0\n" << refused;
    QTest::newRow("missing") << "missing" << QByteArray() << cannotOpen.arg("%1", "The file does not exist");
    QTest::newRow("empty") << "empty.varox" << QByteArray() << refused;
    // Past the import's own bounds a model is too large, not damaged.
    const QString tooLong =
        QString("The model is too large to open: its text is over the %1 MB that a transfer file may hold.")
            .arg(QLocale().toString(inMegabytes(limits.transferTextSize)));
    QTest::newRow("larger than can be read whole") << "sparse" << QByteArray() << tooLong;
    // Text of no records at all, but longer than what a transfer text may build from.
    QTest::newRow("past the transfer budget") << "budget" << QByteArray() << tooLong;
    QTest::newRow("more records than a transfer text holds")
        << "records.varox" << QByteArray("x:1\n").repeated(int(limits.transferRecords) + 1)
        << QString("The model is too large to open: it has more than the %1 records that a transfer file may hold.")
               .arg(QLocale().toString(limits.transferRecords));
    QTest::newRow("pipe") << "fifo" << QByteArray() << cannotOpen.arg("%1", "It is not a regular file");
    QTest::newRow("device") << "/dev/zero" << QByteArray() << cannotOpen.arg("%1", "It is not a regular file");
    // Memory running out is no sign of a damaged file.
    QTest::newRow("memory runs out") << "memory.varox" << base << cannotOpen.arg("%1", "There is not enough memory");
}

void TestTransfer::filesAndMessages()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    const ScaledFileLimits scaled;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = kind.startsWith('/') ? kind : dir.filePath(kind);
    if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "sparse") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(FileLimits::current().transferTextSize + 1));
    } else if (kind == "budget") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(100) << 20));
    } else if (kind != "missing" && !kind.startsWith('/')) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    if (kind.startsWith("memory"))
        AllocationTesting::failNextAllocationIn(AllocationTesting::Stage::FileRead);
    TransferImport result;
    QString shown = "x";
    QCOMPARE(TransferReader::readFile(path, &result, &shown), message.isEmpty());
    QCOMPARE(shown, message.contains("%1") ? message.arg(path) : message);
    if (message.isEmpty())
        QCOMPARE(result.objects.size(), 3);
}

void TestTransfer::libraryEntriesInRecordNameOrder()
{
    TransferImport result;
    QVERIFY(TransferReader::read("C:2 1 \"two\"\nC:10 1 \"ten\"\nQ:1 1 \"group\" 1 0 1\n", &result));
    Libraries libraries;
    const int before = libraries.loadCaseLibrary()->loadings().size();
    result.addEntriesToLibraries(libraries);
    const auto loadings = libraries.loadCaseLibrary()->loadings();
    QCOMPARE(loadings.size(), before + 2);
    QCOMPARE(loadings.at(before)->name(), QString("ten"));
    QCOMPARE(loadings.at(before + 1)->name(), QString("two"));
    QVERIFY(libraries.groupLibrary()->geometryGroups().contains(entry<GeometryGroup>(result, 2)));
}

void TestTransfer::documentTakesAllOrNothing()
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.varox"), bad = dir.filePath("bad.varox");
    for (const auto& file : {qMakePair(good, base + "L:1 P 1 1 1 1 1 0.5 10\n"), qMakePair(bad, base + "L:1 P 1 1 1 1 1 2 10\n")}) {
        QFile f(file.first);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file.second);
    }
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    const int busy = document.busyCount();
    const int loadings = document.libraries()->loadCaseLibrary()->loadings().size();
    QString message;

    QVERIFY(!TransferReader::readFileIntoDocument(bad, document, &message));
    QVERIFY(!message.isEmpty());
    QVERIFY(document.structureModel()->nodes().isEmpty());
    QCOMPARE(document.structureUndoStack()->count(), 0);
    QCOMPARE(document.libraries()->loadCaseLibrary()->loadings().size(), loadings);

    QVERIFY(TransferReader::readFileIntoDocument(good, document, &message));
    QCOMPARE(document.busyCount(), busy);
    QCOMPARE(document.structureModel()->nodes().size(), 2);
    QCOMPARE(document.structureModel()->members().size(), 1);
    QCOMPARE(document.structureModel()->loads().size(), 1);
    QCOMPARE(document.libraries()->loadCaseLibrary()->loadings().size(), loadings + 1);
    QCOMPARE(document.structureUndoStack()->count(), 1);
    document.structureUndoStack()->undo();
    QVERIFY(document.structureModel()->nodes().isEmpty());
    QVERIFY(document.structureModel()->loads().isEmpty());
}

// Counted before any record is read: a text of more records than a model
// holds is refused without a single object made.
void TestTransfer::recordsPastTheBudgetAreNeverBuilt()
{
    const ScaledFileLimits scaled;
    QByteArray text;
    text.reserve(FileLimits::current().transferRecords * 16);
    for (int n = 1; n <= FileLimits::current().transferRecords + 1; ++n)
        text += "C:" + QByteArray::number(n) + " 1\"c\"\n";
    QVERIFY(text.size() <= FileLimits::current().transferTextSize);
    TransferImport result;
    QVERIFY(!TransferReader::read(text, &result));
    QVERIFY(result.libraryEntries.isEmpty());
    // Comments and blank lines cost nothing.
    QVERIFY(TransferReader::read(QByteArray("# note\n").repeated(FileLimits::current().transferRecords + 1), &result));
}

// Each load case joins the library without a search through all before it.
void TestTransfer::manyLoadCasesImportInLinearTime()
{
    const auto textOf = [](int count) {
        QByteArray text;
        for (int n = 1; n <= count; ++n)
            text += "C:" + QByteArray::number(n) + " 1 \"c" + QByteArray::number(n) + "\"\n";
        return text;
    };
    // Sixteen times the load cases: about 16 times the work, not 256. From
    // a thousand on: below that a whole import fits in the caches, and costs
    // a case far less than it does once it grows past them.
    const int small = 1000, large = 16 * small;
    const double growth = cpuTimeGrowth(small, large, [&](int count) {
        TransferImport imported;
        TransferReader::read(textOf(count), &imported);
        DocumentModel document(QSharedPointer<UnitSystem>::create());
        const double start = threadCpuSeconds();
        TransferReader::addToDocument(imported, document);
        return threadCpuSeconds() - start;
    });
    QVERIFY2(growth < middleGrowth(small, large, Work::Linear, Work::Quadratic), qPrintable(QString::number(growth)));

    const int count = 20000;
    TransferImport imported;
    QVERIFY(TransferReader::read(textOf(count), &imported));
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    TransferReader::addToDocument(imported, document);
    const QList<LoadCaseRef> loadings = document.libraries()->loadCaseLibrary()->loadings();
    QCOMPARE(loadings.size(), count);
    QSet<QString> names;
    for (const LoadCaseRef& loading : loadings)
        names.insert(loading->name());
    QCOMPARE(names.size(), count);
    QVERIFY(names.contains(QStringLiteral("c1")) && names.contains(QStringLiteral("c%1").arg(count)));
}

namespace {

// Two nodes, then `count` of the record, its number in place of each "#".
QByteArray numbered(const QByteArray& head, const QByteArray& record, int count)
{
    QByteArray text = head;
    text.reserve(head.size() + count * (record.size() + 2 * 7));
    const QList<QByteArray> parts = record.split('#');
    for (int n = 1; n <= count; ++n) {
        const QByteArray number = QByteArray::number(n);
        text += parts.first();
        for (int part = 1; part < parts.size(); ++part)
            text += number + parts.at(part);
    }
    return text;
}

// A section type whose two lists of seven names are each 254 ampersands,
// which the writer escapes in five bytes, and a member that uses it.
QByteArray escapedSectionTypes(int count)
{
    const QByteArray name = '"' + QByteArray(254, '&') + '"';
    const QByteArray names = "7 " + (name + ' ').repeated(7);
    return numbered("N:1 (0 0 0) 0\nN:2 (1 0 0) 0\n",
                    "T:# " + names + names + "1 \"\" R 7850 2.1e11 8.1e10 1 1 1 1 1 1 1 1 1 1\nM:# 1-2RR# 0\n", count);
}

// The import of the text into a new document, with the defaults that
// opening adds; the message when it is refused.
bool imported(const QByteArray& text, DocumentModel* document, QString* message)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("model.varox"));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    file.close();
    if (!TransferReader::readFileIntoDocument(file.fileName(), *document, message))
        return false;
    document->incorporateDefaults();
    return true;
}

// The text the window saves of a model it imported: with the view point it
// starts with and the load case it shows, its first loading, or without one.
QByteArray savedByTheWindow(const DocumentModel& document, bool shown = true)
{
    const ViewPoint viewPoint;
    CurrentState state;
    if (shown)
        state.setLoadCase(document.loadCaseShownFor(LoadCaseRef()));
    return DocumentXml::writeContent(&document, &viewPoint, &state);
}

QByteArray savedAfterImporting(const QByteArray& text, bool shown = true)
{
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    QString message;
    return imported(text, &document, &message) ? savedByTheWindow(document, shown) : QByteArray();
}

// Members between two nodes and a loading named by so many letters.
QByteArray membersAndALoading(int members, int name)
{
    return numbered("N:1 (0 0 0) 0\nN:2 (1 0 0) 0\nC:1 1 \"" + QByteArray(name, 'n') + "\"\n", "M:# 1-2RR0 0\n",
                    members);
}

// The section types above and loadings whose names are written in so many
// bytes each: ampersands in five, the other characters in one.
QByteArray sectionTypesAndLoadings(int sectionTypes, const QList<int>& nameBytes)
{
    QByteArray text = escapedSectionTypes(sectionTypes);
    for (int q = 0; q < nameBytes.size(); ++q) {
        // Its number first, so that no two names are alike.
        const QByteArray number = QByteArray::number(q + 1);
        const int room = 254 - number.size(), bytes = nameBytes[q] - number.size();
        const int ampersands = qMax(0, (bytes - room + 3) / 4);
        text += "C:" + number + " 1 \"" + number + QByteArray(ampersands, '&') + QByteArray(bytes - 5 * ampersands, 'a')
                + "\"\n";
    }
    return text;
}

} // namespace

void TestTransfer::whatTheWindowShowsOfAnImportCanBeSaved_data()
{
    QTest::addColumn<bool>("byCost");
    QTest::newRow("members at the cost limit") << true;
    QTest::newRow("section types at the length limit") << false;
}

// An imported model names no current load case; the window shows its first
// loading and saves it with the model. A model within a limit without it,
// but past it with it, is refused as it is imported, or imports and can be
// saved as the window saves it.
void TestTransfer::whatTheWindowShowsOfAnImportCanBeSaved()
{
    QFETCH(bool, byCost);
    const ScaledFileLimits scaled;
    QByteArray text;
    if (byCost) {
        // As many members as fit, and a loading whose name's characters cost the rest.
        const qint64 base = costOf(savedAfterImporting(membersAndALoading(1, 1), false));
        const qint64 each = costOf(savedAfterImporting(membersAndALoading(2, 1), false)) - base;
        QVERIFY(costOf(savedAfterImporting(membersAndALoading(1, 1))) > base);
        const int members = int((FileLimits::current().cost - base) / each) + 1;
        const qint64 rest = FileLimits::current().cost - base - (members - 1) * each;
        const int name = ReadingBudget::freeCharacters + ReadingBudget::charactersPerUnit * int(rest);
        QCOMPARE(costOf(savedAfterImporting(membersAndALoading(1, name), false)), base + rest);
        text = membersAndALoading(members, name);
    } else {
        // Half the load case's line under the limit without it: section
        // types, then loadings for what is left, each at most some 1,200
        // bytes of name.
        const int first = 10;
        const qint64 one = savedAfterImporting(sectionTypesAndLoadings(1, {first}), false).size();
        const qint64 each = savedAfterImporting(sectionTypesAndLoadings(2, {first}), false).size() - one;
        const qint64 loading = savedAfterImporting(sectionTypesAndLoadings(1, {first, first}), false).size() - one - first;
        const qint64 line = savedAfterImporting(sectionTypesAndLoadings(1, {first})).size() - one;
        QVERIFY(line > 0 && loading > 0);
        const qint64 target = FileLimits::current().modelTextSize - line / 2;
        int sectionTypes = int((target - one) / each) + 1;
        qint64 rest = target - one - (sectionTypes - 1) * each;
        if (rest <= loading) {
            --sectionTypes;
            rest += each;
        }
        const int loadings = int((rest + loading + 1199) / (loading + 1200));
        QList<int> names{first};
        for (int q = 0; q < loadings; ++q) {
            const qint64 share = q < loadings - 1 ? rest / loadings : rest - (loadings - 1) * (rest / loadings);
            names << int(share - loading);
        }
        QCOMPARE(savedAfterImporting(sectionTypesAndLoadings(1, names), false).size(),
                 one + rest);
        text = sectionTypesAndLoadings(sectionTypes, names);
    }
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    QString message;
    const bool read = imported(text, &document, &message);
    text.clear();
    if (!read) {
        QVERIFY2(message.startsWith(QStringLiteral("The model is too large to open: ")), qPrintable(message));
        QVERIFY(document.structureModel()->nodes().isEmpty());
        return;
    }
    const QByteArray saved = savedByTheWindow(document);
    QVERIFY2(!saved.isEmpty(), "imported, but too long to save");
    QCOMPARE(NativeContainer::whyUnreadable(saved), QString());
}

namespace {

// The limits in force with room to spare, for measuring a model at or past them.
FileLimits widened()
{
    FileLimits limits = FileLimits::current();
    limits.modelTextSize *= 2;
    limits.cost *= 2;
    return limits;
}

// What the window saves of the text's model costs to read, or how long it is.
qint64 savedMeasure(const QByteArray& text, bool byCost)
{
    const FileLimits::Scope room(widened());
    const QByteArray saved = savedAfterImporting(text);
    return byCost ? costOf(saved) : saved.size();
}

// Members and a loading that the window saves at exactly `cost`: as many
// members as fit, and the loading's name for the rest, each six characters
// past the free ones a unit.
QByteArray membersCosting(qint64 cost)
{
    const qint64 base = savedMeasure(membersAndALoading(1, 1), true);
    const qint64 each = savedMeasure(membersAndALoading(2, 1), true) - base;
    const int members = int((cost - base) / each) + 1;
    const qint64 rest = cost - base - (members - 1) * each;
    return membersAndALoading(members, ReadingBudget::freeCharacters + ReadingBudget::charactersPerUnit * int(rest));
}

// Section types and loadings that the window saves in exactly `length`
// bytes: the section types leave one to two section types' length to the
// loadings, whose names, at most some 1,200 bytes each, are then set right
// by what the whole is written in, which the digits of the references make
// more than the parts add up to. The first loading, which the window shows,
// keeps a short name.
QByteArray sectionTypesWrittenIn(qint64 length)
{
    const int first = 10;
    const qint64 one = savedMeasure(sectionTypesAndLoadings(1, {first}), false);
    const qint64 each = savedMeasure(sectionTypesAndLoadings(2, {first}), false) - one;
    const qint64 loading = savedMeasure(sectionTypesAndLoadings(1, {first, first}), false) - one - first;
    const int sectionTypes = int((length - one) / each);
    const qint64 rest = length - savedMeasure(sectionTypesAndLoadings(sectionTypes, {first}), false);
    const int loadings = int((rest + loading + 1099) / (loading + 1100));
    QList<int> names{first};
    for (int q = 0; q < loadings; ++q)
        names << int(rest / loadings - loading);
    for (int tries = 0; tries < 8; ++tries) {
        const qint64 missing = length - savedMeasure(sectionTypesAndLoadings(sectionTypes, names), false);
        if (missing == 0)
            break;
        for (int q = 1; q <= loadings; ++q)
            names[q] += int(missing / loadings) + (q == loadings ? int(missing % loadings) : 0);
    }
    return sectionTypesAndLoadings(sectionTypes, names);
}

} // namespace

void TestTransfer::importsAtALimitAsTheWindowSavesThem_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("byCost");
    QTest::addColumn<int>("past"); // the units or bytes past the limit
    const ScaledFileLimits scaled;
    const QByteArray members = membersCosting(FileLimits::current().cost);
    QTest::newRow("members at the cost limit") << members << true << 0;
    // Six more characters of the loading's name, a unit more.
    QTest::newRow("members a unit past it")
        << QByteArray(members).insert(members.indexOf("nnn"), "nnnnnn") << true << 1;
    const QByteArray sectionTypes = sectionTypesWrittenIn(FileLimits::current().modelTextSize);
    QTest::newRow("section types at the length limit") << sectionTypes << false << 0;
    QTest::newRow("section types a byte past it")
        << QByteArray(sectionTypes).insert(sectionTypes.indexOf("C:1 1 \"1") + 8, 'a') << false << 1;
}

// The import sees the model as the window saves it, with the loading it
// shows: exactly at a limit it imports and saves, a unit of cost or a byte
// more is refused, naming what is too large.
void TestTransfer::importsAtALimitAsTheWindowSavesThem()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, byCost);
    QFETCH(int, past);
    const ScaledFileLimits scaled;
    const FileLimits limits = FileLimits::current();
    const qint64 limit = byCost ? limits.cost : limits.modelTextSize;
    QCOMPARE(savedMeasure(text, byCost), limit + past);
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    QString message;
    const bool read = imported(text, &document, &message);
    if (past > 0) {
        QVERIFY(!read);
        const QString why = byCost
                                ? QString("it has %1 members, more than the").arg(QLocale().toString(text.count("M:")))
                                : ReadingBudget::savedTextTooLong();
        QVERIFY2(message.startsWith(ReadingBudget::tooLargeToOpen(why).chopped(1)), qPrintable(message));
        QVERIFY(document.structureModel()->nodes().isEmpty());
        return;
    }
    QVERIFY2(read, qPrintable(message));
    const QByteArray saved = savedByTheWindow(document);
    QCOMPARE(byCost ? costOf(saved) : qint64(saved.size()), limit);
    QCOMPARE(NativeContainer::whyUnreadable(saved), QString());
}

namespace {

// The length of the saved text of the model of a transfer text.
qint64 savedLengthOf(const QByteArray& text)
{
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    QString message;
    return imported(text, &document, &message) ? DocumentXml::writeContent(&document, nullptr, nullptr).size() : 0;
}

// How many objects pass a limit of what `measure` counts of a model of so
// many: one more than fit at the growth from one to two. The digits of the
// references grow with the count and only add to it.
int pastTheLimit(qint64 limit, const std::function<qint64(int)>& measure)
{
    const qint64 one = measure(1);
    return int((limit - one) / (measure(2) - one)) + 2;
}

} // namespace

void TestTransfer::whatImportsCanBeSaved_data()
{
    QTest::addColumn<QByteArray>("text");
    // What the model is too large for, or nothing for one that imports and saves.
    QTest::addColumn<QString>("why");
    const ScaledFileLimits scaled;
    const qint64 length = FileLimits::current().modelTextSize;
    // Each section type with its member adds its own length: as many as pass the
    // length limit, and fewer that stay under it.
    const int passing = pastTheLimit(length, [](int count) { return savedLengthOf(escapedSectionTypes(count)); });
    QTest::newRow("section types with escaped names") << escapedSectionTypes(passing)
                                                      << ReadingBudget::savedTextTooLong();
    QTest::newRow("fewer of them") << escapedSectionTypes(passing - 3) << QString();
    // 211 bytes a node written: each coordinate in 22 figures, a support and a group.
    const auto nodes = [](int count) {
        return numbered("V:3 1 \"t\"\nS:1 1 \"s\" 63\nQ:1 1 \"q\" 1 0 1\n", "N:# (1e-38 1e-38 1e-38) 1 1 1\n", count);
    };
    QTest::newRow("nodes past the length limit")
        << nodes(pastTheLimit(length, [&nodes](int count) { return savedLengthOf(nodes(count)); }))
        << ReadingBudget::savedTextTooLong();
    const auto members = [](int count) { return numbered("N:1 (0 0 0) 0\nN:2 (1 0 0) 0\n", "M:# 1-2RR0 0\n", count); };
    const int count = pastTheLimit(FileLimits::current().cost, [&members](int count) {
        return costOf(savedAfterImporting(members(count), false));
    });
    QTest::newRow("members between two nodes past the cost limit")
        << members(count) << QString("it has %1 members, more than the").arg(QLocale().toString(count));
}

// A transfer text whose model the save would refuse is refused as it is
// imported, in the words of opening a model file.
void TestTransfer::whatImportsCanBeSaved()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, why);
    const ScaledFileLimits scaled;
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    QString message;
    const bool read = imported(text, &document, &message);
    text.clear();
    if (!why.isEmpty()) {
        QVERIFY(!read);
        QVERIFY2(message.startsWith(ReadingBudget::tooLargeToOpen(why).chopped(1)), qPrintable(message));
        QVERIFY(document.structureModel()->nodes().isEmpty());
        return;
    }
    QVERIFY2(read, qPrintable(message));
    const QByteArray saved = DocumentXml::writeContent(&document, nullptr, nullptr);
    QVERIFY(!saved.isEmpty());
    QCOMPARE(NativeContainer::whyUnreadable(saved), QString());
}

namespace {

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

// The transfer limits as the program has them, each once on one text: at
// the limit a text imports, one byte longer it is refused as too large.
void TestTransfer::textAtTheTransferLengthLimit()
{
    QVERIFY(FileLimits::current() == FileLimits());
    const qint64 limit = FileLimits::current().transferTextSize;
    // The small model, and comments to the limit, which build nothing.
    const QByteArray comment = "# " + QByteArray(1021, 'c') + '\n';
    QByteArray text = base;
    text.reserve(int(limit) + 1);
    text += comment.repeated(int((limit - base.size()) / comment.size()));
    text += '#' + QByteArray(int(limit - text.size() - 2), 'c') + '\n';
    QCOMPARE(text.size(), limit);
    QTemporaryDir dir;
    const QString path = dir.filePath("limit.varox");
    TransferImport result;
    QString message;
    QVERIFY(TransferReader::read(text, &result));
    QCOMPARE(result.objects.size(), 3);
    QVERIFY(writeFile(path, text));
    QVERIFY2(TransferReader::readFile(path, &result, &message), qPrintable(message));
    QCOMPARE(result.objects.size(), 3);

    text += '\n';
    result = TransferImport();
    QVERIFY(!TransferReader::read(text, &result));
    QVERIFY(result.objects.isEmpty());
    QVERIFY(writeFile(path, text));
    QVERIFY(!TransferReader::readFile(path, &result, &message));
    QCOMPARE(message,
             QString("The model is too large to open: its text is over the 64 MB that a transfer file may hold."));
    QVERIFY(result.objects.isEmpty());
}

// As many records as a transfer text may hold import, one more is refused;
// comments and blank lines are no records.
void TestTransfer::recordsAtTheTransferRecordLimit()
{
    QVERIFY(FileLimits::current() == FileLimits());
    // The small model's eight records, then records of a kind the import
    // passes over, counted like any other.
    QByteArray text =
        base + QByteArray("x:1\n").repeated(int(FileLimits::current().transferRecords) - 8) + "\n# note\n";
    QTemporaryDir dir;
    const QString path = dir.filePath("records.varox");
    TransferImport result;
    QString message;
    QVERIFY(writeFile(path, text));
    QVERIFY2(TransferReader::readFile(path, &result, &message), qPrintable(message));
    QCOMPARE(result.objects.size(), 3);

    text += "x:1\n";
    result = TransferImport();
    QVERIFY(writeFile(path, text));
    QVERIFY(!TransferReader::readFile(path, &result, &message));
    QCOMPARE(message, QString("The model is too large to open: it has more than the 4,000,000 records that a transfer "
                              "file may hold."));
    QVERIFY(result.objects.isEmpty());
}

VARO_TEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
