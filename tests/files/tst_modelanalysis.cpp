#include "AnalysisDocument.h"
#include "AnalysisModel.h"
#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "DocumentXml.h"
#include "GroupLibrary.h"
#include "GravityCase.h"
#include "LoadAxis.h"
#include "LoadCaseExpansion.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "NativeContainer.h"
#include "Node.h"
#include "PointLoad.h"
#include "StructureModel.h"
#include "Titles.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "AnalysisTesting.h"
#include "DisposalTesting.h"
#include "TestMain.h"

#include <QDirIterator>
#include <QScopeGuard>
#include <QtTest>

#include <cmath>
#include <utility>

// Every shipped example analyses without a fault, and in each of its load
// cases the reactions balance the loads the file states (the gravity case:
// the weight of every member). A pass scales all its loads by one factor,
// which is read back from the reactions.

namespace {

// What the analysis needs of a model file, read as the document reads it;
// no one edits it.
class FileDocument : public AnalysisDocument
{
public:
    StructureModel structure;
    GroupLibrary groups;
    QList<LoadCaseRef> cases;
    Titles titles;

    bool read(const QByteArray& text)
    {
        QXmlStreamReader reader(text);
        DocumentXml::IdMap idMap;
        reader.readNextStartElement();
        DocumentXml::walkElement(reader, [&](const QString& name) {
            if (name == QLatin1String("loadcase") || name == QLatin1String("gravitycase"))
                cases << qSharedPointerObjectCast<LoadCase>(DocumentXml::readObject(reader, &idMap));
            else if (name == QLatin1String("structure"))
                groups.appendAll(DocumentXml::readStructure(reader, structure, &idMap));
            else if (name == QLatin1String("titles"))
                titles.readXML(reader);
            // Its "loadCase" child names the current load case; it is no load case of its own.
            else if (name == QLatin1String("currentstate"))
                reader.skipCurrentElement();
        });
        return !reader.hasError() && !cases.contains(LoadCaseRef());
    }

    // Whatever integer type the interface sums in.
    typedef decltype(std::declval<const AnalysisDocument&>().topologySum()) Sum;

    int busyCount() const override { return 0; }
    Sum topologySum() const override { return 1; }
    Sum stiffnessSum() const override { return 1; }
    Sum loadingSum() const override { return 1; }
    void readMembers(const std::function<void(const QList<MemberRef>&)>& read) const override
    {
        read(structure.members());
    }
    QList<LoadCaseRef> loadCases() const override { return cases; }
    bool loadsInLoadCases(const QList<LoadCaseRef>& loadCases, QList<QList<LoadRef>>* loads,
                          const std::function<bool()>& carryOn) const override
    {
        return expandLoadCases(loadCases, structure.members(), structure.loads(), loads, carryOn);
    }
};

Vector3 pointOn(const MemberRef& member, double t)
{
    return member->nodeA()->position() * (1 - t) + member->nodeB()->position() * t;
}

// The resultant force and its moment about the origin.
struct Resultant
{
    Vector3 force, moment;
    void add(const Vector3& at, const Vector3& f)
    {
        force += f;
        moment += at.cross(f);
    }
};

Resultant statedLoads(const StructureModel& structure, const LoadCaseRef& loadCase)
{
    Resultant r;
    if (const GravityCaseRef gravity = loadCase.objectCast<GravityCase>()) {
        for (const MemberRef& m : structure.members())
            r.add(pointOn(m, 0.5), gravity->axis().vector() * (-gravity->acceleration() * m->mass()));
        return r;
    }
    for (const LoadRef& load : structure.loads()) {
        if (load->loadCase() != loadCase)
            continue;
        const Axis& axis = load->axis()->axis();
        Q_ASSERT(axis.isGlobal() && !axis.node());
        const Vector3 d = axis.vector();
        const QList<Load::PositionedForce> p = load->positionedForces();
        const MemberRef m = load->member();
        if (qobject_cast<TrapezoidLoad*>(load.data())) {
            // A uniform part and a triangular part rising to the second end.
            const double span = (p[1].first - p[0].first) * m->length();
            r.add(pointOn(m, (p[0].first + p[1].first) / 2), d * (p[0].second * span));
            r.add(pointOn(m, p[0].first + (p[1].first - p[0].first) * 2 / 3), d * ((p[1].second - p[0].second) * span / 2));
        } else if (qobject_cast<PointLoad*>(load.data())) {
            r.add(pointOn(m, p[0].first), d * p[0].second);
        } else {
            r.moment += d * p[0].second;
        }
    }
    return r;
}

} // namespace

class TestModelAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    // What an ended analysis frees on the disposal thread is freed before
    // the next row, and before the program ends: a model object it let go of
    // last once the application had gone would be destroyed in that thread.
    void cleanup() { letClosedModelsGo(); }
    void examplesBalance_data();
    void examplesBalance();
};

void TestModelAnalysis::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
}

void TestModelAnalysis::examplesBalance_data()
{
    QTest::addColumn<QString>("path");
    for (QDirIterator i(QStringLiteral(":/example")); i.hasNext();) {
        const QString path = i.next();
        QTest::newRow(qPrintable(path)) << path;
    }
}

void TestModelAnalysis::examplesBalance()
{
    QFETCH(QString, path);
    QByteArray text;
    QCOMPARE(NativeContainer::readFile(path, &text), NativeContainer::Status::Ok);
    FileDocument document;
    QVERIFY(document.read(text));
    const StructureModel& structure = document.structure;
    QVERIFY(!document.titles.title(0, 0).isEmpty());

    AnalysisModel model(&document);
    model.start();
    // Whatever check fails, the thread has ended before its object goes.
    const auto ended = qScopeGuard([&model] {
        model.stop();
        model.wait();
    });
    QTRY_VERIFY_WITH_TIMEOUT(hasSettled(model), 20000);
    const AnalysisModel::Published settled = model.published();
    const QSharedPointer<AnalysisOutput> output = settled.output;
    QVERIFY2(output, qPrintable(settled.status));

    double size = 1.0;
    for (const NodeRef& node : structure.nodes())
        size = std::max(size, node->position().length());
    int gravityCases = 0;
    for (const LoadCaseRef& loadCase : document.cases) {
        gravityCases += loadCase.objectCast<GravityCase>() ? 1 : 0;
        const Resultant applied = statedLoads(structure, loadCase);
        QVERIFY(applied.force.length() > 1000.0);
        const QSharedPointer<AnalysisResultCase> results = output->resultCases.value(loadCase);
        QVERIFY2(results, qPrintable(loadCase->name()));
        Resultant reaction;
        for (auto r = results->nodeReactions.cbegin(); r != results->nodeReactions.cend(); ++r) {
            reaction.add(r.key()->position(), Vector3(r.value()[0], r.value()[1], r.value()[2]));
            reaction.moment += Vector3(r.value()[3], r.value()[4], r.value()[5]);
        }
        const double f = -reaction.force.dot(applied.force) / applied.force.lengthSquared();
        QVERIFY2(f >= 1.3 && f <= 1.795, qPrintable(QStringLiteral("%1: factor %2").arg(loadCase->name()).arg(f)));
        const double tolerance = 1e-6 * (applied.force.length() + applied.moment.length() / size);
        QVERIFY2((reaction.force + applied.force * f).length() <= tolerance, qPrintable(loadCase->name()));
        QVERIFY2((reaction.moment + applied.moment * f).length() <= tolerance * size, qPrintable(loadCase->name()));
    }
    QCOMPARE(gravityCases, 1);
}

VARO_TEST_MAIN(TestModelAnalysis)
#include "tst_modelanalysis.moc"
