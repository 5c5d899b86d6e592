#pragma once

// A document shown in a 3D view under a known camera, shared by the view tests.

#include "AnalysisInstallation.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "EditingActions.h"
#include "FoundationMetaTypes.h"
#include "CrossSection.h"
#include "Material.h"
#include "Member.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "NativeContainer.h"
#include "Node.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "StructureView.h"
#include "UnitSystem.h"
#include "VisualConstants.h"

#include <QtTest>

#include <cmath>

inline void initialiseViewTesting()
{
    registerFoundationMetaTypes();
    registerModelMetaTypes();
    initialiseVisualConstants();
    initialiseModelResources();
    installAnalysis();
}

// Camera looking along -z at the origin from distance 10: a world point
// (x, y, 0) lands at the centre plus (x, y) × H / (2 · 10 · tan 15°) pixels.
struct ViewBench
{
    UnitSystemRef units{new UnitSystem};
    DocumentModelRef doc{new DocumentModel(units)};
    ViewPointRef viewPoint{new ViewPoint};
    CurrentStateRef state{new CurrentState};
    QScopedPointer<StructureView> view;
    SectionTypeRef steel;

    explicit ViewBench(bool show = true)
    {
        doc->incorporateDefaults();
        doc->lowerBusyCount();
        viewPoint->setDistance(10.0);
        // A solid 200 × 100 steel bar.
        const CrossSectionRef section(new CrossSection);
        section->setShape(CrossSection::Rectangle);
        section->setOverallDepth(0.2);
        section->setTopFlangeWidth(0.1);
        section->compute();
        steel.reset(new SectionType(section, MaterialRef(new Material({QStringLiteral("Steel")}, 2.1e11, 8.1e10, 7850, 1.2e-5))));
        view.reset(new StructureView(units, state, nullptr));
        view->setDocumentModel(doc);
        view->setViewPoint(viewPoint);
        if (show) {
            view->resize(400, 300);
            view->show();
            if (!QTest::qWaitForWindowExposed(view.data()))
                qWarning("the view was never exposed");
        }
    }

    StructureModel* structure() const { return doc->structureModel().data(); }
    EditingActions* actions() const { return EditingActions::of(doc.data()); }

    NodeRef node(double x, double y, double z = 0.0)
    {
        const NodeRef n(new Node);
        n->setPosition(Vector3(x, y, z));
        structure()->appendObjects({n});
        return n;
    }
    MemberRef member(const NodeRef& a, const NodeRef& b)
    {
        const MemberRef m(new Member(a, b));
        m->setSectionType(steel);
        structure()->appendObjects({m});
        return m;
    }
    // Delivers the queued change signals, then draws one frame: on screen
    // when shown, else as a capture, which a hidden view draws only on request.
    void frame()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (view->isVisible())
            view->repaint();
        else
            view->captureImage(64, 64);
    }
    bool open(const QString& path)
    {
        QByteArray text;
        if (NativeContainer::readFile(path, &text) != NativeContainer::Status::Ok)
            return false;
        doc.reset(new DocumentModel(units));
        viewPoint.reset(new ViewPoint);
        const bool read = DocumentXml::readContent(text, doc.data(), viewPoint.data(), state.data());
        doc->incorporateDefaults();
        doc->lowerBusyCount();
        view->clearDocumentModel();
        view->clearViewPoint();
        view->setDocumentModel(doc);
        view->setViewPoint(viewPoint);
        return read;
    }
};

// Colours agree within a tolerance that smoothing and multisampling leave.
inline bool nearColour(QRgb a, const QColor& b, int tolerance = 40)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
           && std::abs(qBlue(a) - b.blue()) <= tolerance;
}
