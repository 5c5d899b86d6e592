#pragma once

// A document shown in a 3D view under a known camera, shared by the view tests.

#include "AnalysisInstallation.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "EditingActions.h"
#include "FrameEvidence.h"
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
        steel = VaroObject::make<SectionType>(section, MaterialRef(new Material({QStringLiteral("Steel")}, 2.1e11, 8.1e10, 7850, 1.2e-5)));
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
        const NodeRef n(VaroObject::make<Node>());
        n->setPosition(Vector3(x, y, z));
        structure()->appendObjects({n});
        return n;
    }
    MemberRef member(const NodeRef& a, const NodeRef& b)
    {
        const MemberRef m(VaroObject::make<Member>(a, b));
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
    // The camera turned, looking at (3, 2, −1), and one frame drawn.
    void turn(double azimuth, double elevation)
    {
        viewPoint->setFocalPoint(Vector3(3.0, 2.0, -1.0));
        viewPoint->setAzimuth(azimuth);
        viewPoint->setElevation(elevation);
        frame();
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

// Where a camera puts a world point in a view of the given size, worked out
// by hand from its angles A and E: the eye's axes are x = (cos A, 0, sin A),
// y = (−sin E sin A, cos E, sin E cos A) and z = (−sin A cos E, −sin E,
// cos E cos A), z pointing away from the eye, which stands the distance
// behind the focal point; at a depth D the view spans 2·D·tan 15° upwards.
struct HandCamera
{
    Vector3 x, y, z, eye;
    QSize size;

    HandCamera(const ViewPoint& viewPoint, const QSize& viewSize) : size(viewSize)
    {
        const double A = viewPoint.azimuth(), E = viewPoint.elevation();
        x = Vector3(std::cos(A), 0.0, std::sin(A));
        y = Vector3(-std::sin(E) * std::sin(A), std::cos(E), std::sin(E) * std::cos(A));
        z = Vector3(-std::sin(A) * std::cos(E), -std::sin(E), std::cos(E) * std::cos(A));
        eye = viewPoint.focalPoint() - z * viewPoint.distance();
    }
    // Pixels per metre across the line of sight at the depth D.
    double scaleAt(double D) const { return size.height() / (2.0 * D * std::tan(M_PI / 12.0)); }
    QPointF pixelOf(const Vector3& p) const
    {
        const Vector3 e = p - eye;
        const double k = scaleAt(e.dot(z));
        return QPointF(size.width() / 2.0 + e.dot(x) * k, size.height() / 2.0 - e.dot(y) * k);
    }
    // The world point under a pixel at the depth D in front of the eye.
    Vector3 under(const QPointF& pixel, double D) const
    {
        const double k = scaleAt(D);
        return eye + z * D + x * ((pixel.x() - size.width() / 2.0) / k) + y * ((size.height() / 2.0 - pixel.y()) / k);
    }
};

// Cameras turned every way, for tests that must not pass by the rotation
// being the identity.
inline void addTurnedCameraRows()
{
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<double>("elevation");
    QTest::newRow("straight on") << 0.0 << 0.0;
    QTest::newRow("turned 60 degrees") << M_PI / 3.0 << 0.0;
    QTest::newRow("from above") << 0.0 << M_PI / 4.0;
    QTest::newRow("from above, turned") << -M_PI / 8.0 << M_PI / 5.0;
    QTest::newRow("from below, behind") << -2.5 << -1.1;
    QTest::newRow("upside down") << 2.0 << 2.6;
}

inline double distanceBetween(const QPointF& a, const QPointF& b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}
