#pragma once

// The models and the report of the report benchmark: a building frame made
// member by member, a shipped example read from the resources, each analysed
// to the end, and a report of every chapter for every used load case.

#include "AnalysisInstallation.h"
#include "AnalysisOutput.h"
#include "CrossSection.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "LoadAxis.h"
#include "LoadCaseLibrary.h"
#include "Libraries.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "ModelResources.h"
#include "NativeContainer.h"
#include "Node.h"
#include "PointLoad.h"
#include "ReportLayout.h"
#include "ReportPainter.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "Support.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"
#include "ViewPoint.h"
#include "VisualConstants.h"

#include <QCoreApplication>
#include <QThread>

inline void initialiseReportBench()
{
    installAnalysis();
    initialiseModelResources();
    initialiseVisualConstants();
}

// Oblique, from above, as a building is drawn.
inline ViewPoint obliqueView()
{
    ViewPoint view;
    view.setAzimuth(0.6);
    view.setElevation(-0.5);
    return view;
}

// n × n bays of 6 m and n storeys of 3.5 m (y up), fixed at the base, a point load
// at every beam's middle and a uniform load on every roof beam along x.
inline QSharedPointer<DocumentModel> buildingFrame(int n)
{
    QSharedPointer<DocumentModel> document(new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem)));
    const CrossSectionRef shape(new CrossSection);
    shape->setNames({"UB 305x165x40"});
    shape->setShape(CrossSection::IBeam);
    shape->setOverallDepth(0.303);
    shape->setTopFlangeWidth(0.165);
    shape->setWebThickness(0.006);
    shape->setTopFlangeThickness(0.01);
    shape->compute();
    const SectionTypeRef section(VaroObject::make<SectionType>(shape, MaterialRef(new Material({"Steel"}, 210e9, 81e9, 7850, 12e-6))));
    const LoadingRef loading(VaroObject::make<Loading>("Imposed"));
    document->libraries()->loadCaseLibrary()->append(loading);
    const LoadAxisRef down(VaroObject::make<LoadAxis>(Axis(Vector3(0, -1, 0), NodeRef(), true, false)));

    QList<VaroObjectRef> objects;
    QVector<NodeRef> nodes;
    const auto id = [n](int i, int j, int k) { return (k * (n + 1) + j) * (n + 1) + i; };
    for (int k = 0; k <= n; ++k)
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                const NodeRef node(VaroObject::make<Node>());
                node->setPosition(Vector3(6.0 * i, 3.5 * k, 6.0 * j));
                if (k == 0)
                    node->setSupport(VaroObject::make<Support>("Fixed", Dof::All));
                nodes.append(node);
                objects << node;
            }
    const auto load = [&](const LoadRef& l, const QList<Load::PositionedForce>& pairs) {
        l->setAxis(down);
        l->setLoadCase(loading);
        l->setPositionedForces(pairs);
        objects << l;
    };
    const auto member = [&](int a, int b, bool beam, bool roof) {
        const MemberRef m(VaroObject::make<Member>(nodes[a], nodes[b]));
        m->setSectionType(section);
        objects << m;
        if (beam)
            load(LoadRef(VaroObject::make<PointLoad>(m)), {{0.5, 10e3}});
        if (roof)
            load(LoadRef(VaroObject::make<TrapezoidLoad>(m)), {{0.0, 5e3}, {1.0, 5e3}});
    };
    for (int k = 0; k < n; ++k)
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                member(id(i, j, k), id(i, j, k + 1), false, false);
                if (i < n)
                    member(id(i, j, k + 1), id(i + 1, j, k + 1), true, k == n - 1);
                if (j < n)
                    member(id(i, j, k + 1), id(i, j + 1, k + 1), true, false);
            }
    document->structureModel()->appendObjects(objects);
    return document;
}

// The file's camera goes to viewPoint.
inline QSharedPointer<DocumentModel> exampleModel(const QString& path, ViewPoint* viewPoint)
{
    QSharedPointer<DocumentModel> document(new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem)));
    QByteArray text;
    CurrentState state;
    if (NativeContainer::readFile(path, &text) == NativeContainer::Status::Ok
        && DocumentXml::readContent(text, document.data(), viewPoint, &state))
        document->incorporateDefaults();
    document->setFileName(path, path.section(QLatin1Char('/'), -1));
    return document;
}

// Lets the analysis start and waits until every used load case has results.
inline QSharedPointer<DocumentModel> analysed(const QSharedPointer<DocumentModel>& document)
{
    document->lowerBusyCount();
    const auto complete = [&] {
        const QSharedPointer<AnalysisOutput> output = document->analysisOutput();
        if (!output)
            return false;
        for (const LoadCaseRef& loadCase : document->usedLoadCases())
            if (!output->resultCases.contains(loadCase))
                return false;
        return true;
    };
    while (!complete()) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return document;
}

// Covers, input and results: the group cover and the member and node data
// once, then for every used load case its cover, loads and result plates.
inline ReportRef allChaptersReport(const QSharedPointer<DocumentModel>& document)
{
    const ReportRef report(VaroObject::make<Report>());
    const Report::ReportBlockRef root = report->rootBlock();
    const auto add = [](const Report::ReportBlockRef& block, const QString& chapter) {
        block->insertItem(Report::ReportItemRef(new Report::ReportItem(chapter)), Report::ReportItemRef());
    };
    for (const QString& chapter : {Report::ChapterGroupCover, Report::ChapterMemberInput, Report::ChapterNodeInput})
        add(root, chapter);
    const Report::ReportBlockRef perCase(new Report::ReportBlock);
    for (const QString& chapter : {Report::ChapterLoadCaseCover, Report::ChapterLoadInput,
                                   Report::ChapterMemberGraphicalResults, Report::ChapterNodeGraphicalResults})
        add(perCase, chapter);
    for (const LoadCaseRef& loadCase : document->usedLoadCases())
        perCase->insertLoadCase(loadCase, LoadCaseRef());
    root->insertItem(Report::ReportItemRef(new Report::ReportItem(QString(), perCase)), Report::ReportItemRef());
    return report;
}

inline ReportLayoutRef layOut(const QSharedPointer<DocumentModel>& document, const ReportRef& report,
                              const ViewPoint& viewPoint)
{
    const ReportLayoutRef layout(new ReportLayout(document, QSharedPointer<CurrentState>(new CurrentState),
                                                  ViewPointRef(new ViewPoint(viewPoint)), report));
    layout->layoutPages();
    return layout;
}
