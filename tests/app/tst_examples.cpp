#include "AnalysisOutput.h"
#include "TestMain.h"
#include "AnalysisResultCase.h"
#include "AppTesting.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "Graphics.h"
#include "Load.h"
#include "LoadCase.h"
#include "MainWindow.h"
#include "Member.h"
#include "ModelResources.h"
#include "Node.h"
#include "PointLoad.h"
#include "Startup.h"
#include "StructureModel.h"
#include "StructureView.h"

#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

// Each shipped example opens on a view that shows the whole model and its
// form, with scales that make every picture readable: the force diagrams
// reach 15 to 30 % of the model's size, the deflected shape is plain, loads
// and reactions are neither dots nor giants, and all of it stays in the view.
// The pictures of the six modes are kept in one contact sheet per example,
// for a person to look at.
class TestExamples : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void exampleIsReadableInEveryMode_data();
    void exampleIsReadableInEveryMode();

private:
    QScopedPointer<QTemporaryDir> folder;
};

namespace {

// The analysis scales every load by a random factor from 1.3 to 1.795; the
// drawn sizes are judged as at the middle of that range.
const double middleFactor = 1.55;

double modelSize(const QList<NodeRef>& nodes)
{
    Vector3 low = nodes.first()->position(), high = low;
    for (const NodeRef& node : nodes)
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], node->position()[k]);
            high[k] = std::max(high[k], node->position()[k]);
        }
    const Vector3 span = high - low;
    return std::max({span.x(), span.y(), span.z()});
}

// The normal of the plane the nodes lie in; zero when they do not, or lie on one line.
Vector3 planeNormal(const QList<NodeRef>& nodes, double size)
{
    const Vector3 a = nodes.first()->position();
    Vector3 normal(0, 0, 0);
    for (const NodeRef& b : nodes)
        for (const NodeRef& c : nodes)
            if (normal.length() < 1e-6 * size * size)
                normal = (b->position() - a).cross(c->position() - a);
    if (normal.length() < 1e-6 * size * size)
        return Vector3(0, 0, 0);
    normal = normal.normalised();
    for (const NodeRef& node : nodes)
        if (std::fabs((node->position() - a).dot(normal)) > 1e-6 * size)
            return Vector3(0, 0, 0);
    return normal;
}

// The largest distance of a drawn diagram or deflected shape from its member.
double largestDrawnOffset(const StructureView& view)
{
    const QVector<QVector3D>& drawn = view.resultsRecord().diagramVertices.vertices;
    const QVector<StructureView::ResultVertex>& vertices = view.resultVertexList();
    const QVector<int>& outline = view.resultOutlineList();
    double largest = 0.0;
    const QMap<MemberRef, QPair<int, int>>& ranges = view.resultRanges();
    for (auto it = ranges.cbegin(); it != ranges.cend(); ++it) {
        const Vector3 A = positionOf(it.key()->nodeA()), B = positionOf(it.key()->nodeB());
        for (int i = it.value().first; i <= it.value().second; ++i) {
            const int v = outline[i];
            const double t = vertices[v].t;
            if (t < 0.0 || v >= drawn.size())
                continue;
            const Vector3 d(drawn[v].x(), drawn[v].y(), drawn[v].z());
            largest = std::max(largest, (d - (A * (1.0 - t) + B * t)).length());
        }
    }
    return largest;
}

bool drawnInside(const StructureView& view, const QRectF& area)
{
    for (const QVector3D& p : view.resultsRecord().diagramVertices.vertices)
        if (!area.contains(view.transformWorldToScreen(Vector3(p.x(), p.y(), p.z()))))
            return false;
    return true;
}

// An arrow may point either way along its direction, so both ends must fit.
bool arrowInside(const StructureView& view, const QRectF& area, const Vector3& at, const Vector3& direction,
                 double length)
{
    return area.contains(view.transformWorldToScreen(at + direction * length))
           && area.contains(view.transformWorldToScreen(at - direction * length));
}

// The loads of one load case and their resultant; the reactions balance it
// times the analysis's factor.
struct LoadArrows
{
    QList<QPair<Vector3, QPair<Vector3, double>>> arrows; // point, direction, amount
    Vector3 resultant = Vector3(0, 0, 0);
};

LoadArrows loadingOf(const DocumentModel& document, const LoadCaseRef& loadCase)
{
    LoadArrows loading;
    for (const LoadRef& load : document.structureModel()->loads()) {
        const MemberRef member = load->member();
        if (load->loadCase() != loadCase || !member)
            continue;
        load->updateCache();
        member->updateCache();
        const Vector3 g = load->globalVector();
        const QList<Load::PositionedForce> pairs = load->positionedForces();
        for (const Load::PositionedForce& pair : pairs)
            loading.arrows.append({positionOf(member->nodeA()) * (1.0 - pair.first)
                                       + positionOf(member->nodeB()) * pair.first,
                                   {g, pair.second}});
        if (pairs.size() == 2)
            loading.resultant += g * ((pairs[0].second + pairs[1].second) / 2.0 * (pairs[1].first - pairs[0].first)
                                      * member->length());
        else if (qobject_cast<PointLoad*>(load.data()))
            loading.resultant += g * pairs[0].second;
    }
    return loading;
}

} // namespace

void TestExamples::initTestCase()
{
    initialiseModelResources();
    registerStartupMetaTypes();
    setApplicationIdentity();
    initialiseProgramWideValues();
}

void TestExamples::cleanup()
{
    closeRemainingMainWindows();
}

void TestExamples::exampleIsReadableInEveryMode_data()
{
    QTest::addColumn<QString>("path");
    const QStringList names = MainWindow::editionEntries(QDir(":/example").entryList(QDir::Files, QDir::Name));
    QCOMPARE(names.size(), 10);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name.section('.', 2, 2))) << ":/example/" + name;
}

void TestExamples::exampleIsReadableInEveryMode()
{
    QFETCH(QString, path);
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
    auto* window = new MainWindow;
    QVERIFY(window->openFile(path, true));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QSharedPointer<DocumentModel> document = window->documentModel();
    QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 30000);
    auto* view = window->findChild<StructureView*>("StructureView");
    const QSharedPointer<CurrentState> state = window->currentState();
    QCOMPARE(state->mode(), int(CurrentState::Geometry));
    const QRectF area(QPointF(0, 0), QSizeF(view->size()));
    // The painted notes and the small triad keep margins for themselves.
    const QRectF inner = area.adjusted(8, 24, -8, -24);
    const QList<NodeRef> nodes = document->structureModel()->nodes();
    const double L = modelSize(nodes);

    QList<QImage> pictures;
    const auto show = [&] {
        QTest::qWait(20);
        view->repaint();
        const QRect f = window->frameGeometry();
        pictures << QGuiApplication::primaryScreen()->grabWindow(0, f.x(), f.y(), f.width(), f.height()).toImage();
    };

    // The whole model fills a good part of the view, and a plane model is not seen edge-on.
    show();
    QRectF onScreen;
    for (const NodeRef& node : nodes) {
        const QPointF p = view->transformWorldToScreen(node->position());
        QVERIFY2(inner.contains(p), "a node lies outside the view");
        onScreen = onScreen.isNull() ? QRectF(p, QSizeF(1e-9, 1e-9)) : onScreen.united(QRectF(p, QSizeF(1e-9, 1e-9)));
    }
    QVERIFY(onScreen.width() >= 0.45 * area.width() || onScreen.height() >= 0.45 * area.height());
    const Vector3 normal = planeNormal(nodes, L);
    const ViewPointRef camera = window->viewPoint();
    const Vector3 sight = camera->transformEyeToWorld(Vector3(0, 0, 1)) - camera->transformEyeToWorld(Vector3(0, 0, 0));
    QVERIFY2(std::fabs(normal.dot(sight)) >= std::sin(20.0 * M_PI / 180.0) || normal.length() == 0.0,
             "a plane model is seen edge-on");

    // The loads of the current load case.
    state->setMode(CurrentState::Loading);
    show();
    const LoadArrows loading = loadingOf(*document, state->loadCase());
    QVERIFY(!loading.arrows.isEmpty());
    double longest = 0.0;
    for (const auto& arrow : loading.arrows) {
        const double length = std::fabs(Graphics::givenForceGiveLength(arrow.second.second, state->scaleLD()));
        longest = std::max(longest, length);
        QVERIFY2(arrowInside(*view, area, arrow.first, arrow.second.first, length), "a load leaves the view");
    }
    const double loadShare = longest / L;

    // Reactions, for the factor of this analysis.
    state->setMode(CurrentState::Results);
    state->setResultMode(CurrentState::Reaction);
    show();
    const QSharedPointer<AnalysisResultCase> results = document->analysisOutput()->resultCases.value(state->loadCase());
    QVERIFY(results);
    Vector3 reacted(0, 0, 0);
    for (const Vector6& reaction : results->nodeReactions)
        reacted += Vector3(reaction[0], reaction[1], reaction[2]);
    const double factor = reacted.length() / loading.resultant.length();
    QVERIFY2(factor >= 1.3 - 1e-6 && factor <= 1.795 + 1e-6, "the reactions do not balance the loads");
    longest = 0.0;
    for (auto it = results->nodeReactions.cbegin(); it != results->nodeReactions.cend(); ++it)
        for (int k = 0; k < 3; ++k) {
            if (std::fabs(it.value()[k]) < 10.0)
                continue;
            const double length = std::fabs(Graphics::givenForceGiveLength(it.value()[k], state->scaleRe()));
            Vector3 axis(0, 0, 0);
            axis[k] = 1.0;
            longest = std::max(longest, std::fabs(Graphics::givenForceGiveLength(it.value()[k] * middleFactor / factor,
                                                                                 state->scaleRe())));
            QVERIFY2(arrowInside(*view, area, it.key()->position(), axis, length), "a reaction leaves the view");
        }
    const double reactionShare = longest / L;

    // The diagrams and the deflected shape: drawn sizes as a share of the model's size.
    QMap<int, double> shares;
    for (int mode : {CurrentState::Deflection, CurrentState::BendingMoment, CurrentState::ShearForce}) {
        state->setResultMode(mode);
        show();
        QVERIFY2(drawnInside(*view, inner), "a diagram leaves the view");
        shares[mode] = largestDrawnOffset(*view) / L * middleFactor / factor;
    }
    qInfo("loads %.2f, reactions %.2f, deflection %.3f, bending %.3f, shear %.3f of the model's size %.2f m",
          loadShare, reactionShare, shares[CurrentState::Deflection], shares[CurrentState::BendingMoment],
          shares[CurrentState::ShearForce], L);
    QVERIFY(loadShare >= 0.08 && loadShare <= 0.3);
    QVERIFY(reactionShare >= 0.08 && reactionShare <= 0.3);
    QVERIFY(shares[CurrentState::Deflection] >= 0.04 && shares[CurrentState::Deflection] <= 0.15);
    for (int mode : {CurrentState::BendingMoment, CurrentState::ShearForce})
        QVERIFY(shares[mode] >= 0.15 && shares[mode] <= 0.3);

    // The contact sheet: the six pictures in two rows of three.
    const QSize cell = pictures[0].size() / 2;
    QImage sheet(cell.width() * 3, cell.height() * 2, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < pictures.size(); ++i)
        painter.drawImage(QRect(QPoint((i % 3) * cell.width(), (i / 3) * cell.height()), cell),
                          pictures[i].scaled(cell, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    painter.end();
    keepForReview(sheet, QStringLiteral("examples/%1.png").arg(QFileInfo(path).completeBaseName()));
}

VARO_TEST_MAIN(TestExamples)
#include "tst_examples.moc"
