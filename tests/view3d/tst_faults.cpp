#include "ViewTesting.h"

#include "AnalysisLink.h"
#include "AnalysisLoadCase.h"
#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "PointLoad.h"
#include "TestMain.h"

#include <QThread>

// Results no real analysis publishes, handed to the view through a stand-in
// for the analysis thread.
class StandInAnalysis : public QThread, public AnalysisLink
{
public:
    static QSharedPointer<AnalysisOutput> _output;
    static VaroObjectRef _statusObject;

    OperatingState operatingState() const override { return _output ? ResultsAvailable : NoResults; }
    QSharedPointer<AnalysisOutput> output() const override { return _output; }
    QString statusMessage() const override { return QString(); }
    VaroObjectRef statusObject() const override { return _statusObject; }
    void stop() override { quit(); }
};

QSharedPointer<AnalysisOutput> StandInAnalysis::_output;
VaroObjectRef StandInAnalysis::_statusObject;

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stripWithoutEndVertex_data();
    void stripWithoutEndVertex();
    void failedLoadWithoutMember();
};

void TestFaults::initTestCase()
{
    initialiseViewTesting();
    DocumentModel::setAnalysisFactory([](DocumentModel*) { return QSharedPointer<QObject>(new StandInAnalysis); });
}

void TestFaults::stripWithoutEndVertex_data()
{
    QTest::addColumn<int>("resultMode");
    QTest::newRow("moments") << int(CurrentState::BendingMoment);
    QTest::newRow("deflection") << int(CurrentState::Deflection);
}

// A member whose end B has no node result gets no strip, instead of one
// closed on vertex 0.
void TestFaults::stripWithoutEndVertex()
{
    QFETCH(int, resultMode);
    ViewBench bench(false);
    const NodeRef a = bench.node(0, 0), b = bench.node(1, 0);
    const MemberRef m = bench.member(a, b);
    const QSharedPointer<AnalysisLoadCase> loadCase(new AnalysisLoadCase);
    loadCase->loadCase = bench.doc->loadCases().value(0);
    const QSharedPointer<AnalysisResultCase> results(new AnalysisResultCase(loadCase));
    results->sourceNodes.insert(a, {});
    results->sourceMembers.insert(m, {});
    results->memberStats[m].force.maxima[5] = 1e5;
    StandInAnalysis::_output.reset(new AnalysisOutput);
    StandInAnalysis::_output->resultCases.insert(loadCase->loadCase, results);
    bench.state->setLoadCase(loadCase->loadCase);
    bench.state->setMode(CurrentState::Results);
    bench.state->setResultMode(resultMode);
    bench.frame();
    QVERIFY(bench.view->resultRanges().isEmpty());
    QVERIFY(bench.view->resultOutlineList().isEmpty());
    QCOMPARE(bench.view->resultVertexList().size(), 1);
    StandInAnalysis::_output.reset();
}

// The analysis names a load that has lost its member: nothing to mark.
void TestFaults::failedLoadWithoutMember()
{
    ViewBench bench(false);
    StandInAnalysis::_statusObject = VaroObject::make<PointLoad>(MemberRef());
    bench.state->setMode(CurrentState::Results);
    QVERIFY(!bench.view->captureImage(64, 64).isNull());
    StandInAnalysis::_statusObject.reset();
}

VARO_TEST_MAIN(TestFaults)
#include "tst_faults.moc"
