#include "TransferReader.h"

#include "AnalysisInstallation.h"
#include "AnalysisModel.h"
#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "DocumentModel.h"
#include "LoadCase.h"
#include "Member.h"
#include "Node.h"
#include "UnitSystem.h"
#include "AnalysisTesting.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>

// A simply supported beam imported from a transfer text analyses to the
// closed-form results of a uniform load and of a central point load. Every
// pass scales its loads by a random factor, read back from the reactions.

namespace {

// Numbers in a transfer text are single precision, widened when stored.
double single(double value)
{
    return double(float(value));
}

const double L = 6.0, w = 5000.0, P = 20000.0, E = single(2.1e11), Iy = single(2.34e-5);

// Pinned at node 1 and on a roller at node 2, both held out of plane and
// against twist; loads written along -Y arrive as negative forces along +Y.
const QByteArray text = "V:3 1 \"closed-form test\"\n"
                        "A:1 1 \"down\" (0 -1 0) 0 G P\n"
                        "T:1 2 \"Steel\" \"S275\" 1 \"203x133x25\" 1 \"IBeam\"\n"
                        "  N 7850 2.1e11 8.1e10\n"
                        "  3.2e-3 0.2032 0.0078 2.34e-5 3.08e-6\n"
                        "  1.54e-7 0.0057 2.3e-4 4.6e-5 0.1332\n"
                        "  0 0.1332 0.0078 0\n"
                        "S:1 1 \"pin\" 15\n"
                        "S:2 1 \"roller\" 14\n"
                        "N:1 (0 0 0) 1 0\n"
                        "N:2 (6 0 0) 2 0\n"
                        "M:1 1 - 2 RR 1 0 0\n"
                        "C:1 1 \"uniform\"\n"
                        "C:2 1 \"central point\"\n"
                        "L:1 T 1 1 1 1 2 0 5000 1 5000\n"
                        "L:2 P 1 1 1 2 1 0.5 20000\n";

bool close(double actual, double expected)
{
    return std::fabs(actual - expected) <= 1e-6 * std::fabs(expected);
}

#define VERIFY_CLOSE(actual, expected)                                                                                \
    QVERIFY2(close(actual, expected),                                                                                \
             qPrintable(QStringLiteral("%1 is %2, expected %3").arg(#actual).arg(actual, 0, 'g', 12).arg(expected, 0, 'g', 12)))

} // namespace

class TestTransferAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installAnalysis(); }
    void simpleBeam_data();
    void simpleBeam();
};

void TestTransferAnalysis::simpleBeam_data()
{
    QTest::addColumn<int>("loading"); // index among the imported load cases
    QTest::addColumn<double>("load"); // total load, unfactored
    QTest::addColumn<double>("midMoment"); // per unit total load
    QTest::addColumn<double>("midDeflection"); // per unit total load, times EI

    QTest::newRow("uniform: wL²/8, wL/2, 5wL⁴/384EI") << 0 << w * L << L / 8 << 5 * std::pow(L, 3) / 384;
    QTest::newRow("central point: PL/4, P/2, PL³/48EI") << 1 << P << L / 4 << std::pow(L, 3) / 48;
}

void TestTransferAnalysis::simpleBeam()
{
    QFETCH(int, loading);
    QFETCH(double, load);
    QFETCH(double, midMoment);
    QFETCH(double, midDeflection);

    TransferImport imported;
    QVERIFY(TransferReader::read(text, &imported));
    QCOMPARE(imported.objects.size(), 5);
    const NodeRef a = imported.objects[0].objectCast<Node>(), b = imported.objects[1].objectCast<Node>();
    const MemberRef m = imported.objects[2].objectCast<Member>();
    const LoadCaseRef loadCase = imported.libraryEntries.value(loading).objectCast<LoadCase>();
    QVERIFY(a && b && m && loadCase);

    DocumentModel document(QSharedPointer<UnitSystem>::create());
    TransferReader::addToDocument(imported, document);
    document.lowerBusyCount(); // the document is complete: let its analysis start
    const QSharedPointer<AnalysisModel> analysis = qSharedPointerObjectCast<AnalysisModel>(document.analysisModel());
    QVERIFY(analysis);
    QTRY_VERIFY_WITH_TIMEOUT(hasSettled(*analysis), 10000);
    const AnalysisModel::Published settled = analysis->published();
    const QSharedPointer<AnalysisOutput> output = settled.output;
    QVERIFY2(output, qPrintable(settled.status));
    const QSharedPointer<AnalysisResultCase> results = output->resultCases.value(loadCase);
    QVERIFY(results);

    // Each support carries half the load, both scaled by the pass's factor.
    const double k = results->nodeReactions.value(a)[1] / (load / 2);
    QVERIFY2(k >= 1.3 && k <= 1.795, qPrintable(QStringLiteral("factor %1").arg(k)));
    VERIFY_CLOSE(results->nodeReactions.value(b)[1], k * load / 2);
    const double q = k * load; // the factored total load, downwards

    // Sagging moments are positive; the shear changes sign between the ends.
    VERIFY_CLOSE(results->forceAtPositionOnMember(m, 0.5)[5], q * midMoment);
    VERIFY_CLOSE(std::fabs(results->forceAtPositionOnMember(m, 0.0)[1]), q / 2);
    VERIFY_CLOSE(results->forceAtPositionOnMember(m, 1.0)[1], -results->forceAtPositionOnMember(m, 0.0)[1]);
    VERIFY_CLOSE(results->deflectionAtPositionOnMember(m, 0.5)[1], -q * midDeflection / (E * Iy));
}

VARO_TEST_MAIN(TestTransferAnalysis)
#include "tst_transferanalysis.moc"
