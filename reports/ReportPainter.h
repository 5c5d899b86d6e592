#pragma once

#include "AnalysisResultCase.h"
#include "ModelRefs.h"
#include "ReportLayout.h"
#include "Vectors.h"
#include "ViewPoint.h"

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>

class AnalysisOutput;
class QPainter;
class QPainterPath;
class QPen;
class StructureView;
class UnitSystem;

// Paints pages of a laid-out report onto any QPainter: the page frame with
// its header and footer bands, and every plate by its chapter: input and
// result tables, cover pages, perspective pictures and result charts. One
// painter per print job or preview image, used by one thread; several may
// paint pages of the same layout at once, since they only read it.
//
// Tables are built as rich text by operations that draw nothing; every
// symbol they print is explained once per page in the footer.
class ReportPainter
{
public:
    enum HeaderFooterTypes : quint32 {
        HeaderGroup = 0x01,
        HeaderLoadCase = 0x02,
        HeaderNodeData = 0x04,
        HeaderMemberData = 0x08,
        HeaderLoadingData = 0x10,
        HeaderNodeResults = 0x20,
        HeaderMemberResults = 0x40,
        // Footer kinds share bit 28, so only all bits of a kind mark it present.
        FooterInitialPosition = 0x10000000 | 1u << 0,
        FooterResultPosition = 0x10000000 | 1u << 1,
        FooterDisplacements = 0x10000000 | 1u << 2,
        FooterReactions = 0x10000000 | 1u << 3,
        FooterForce = 0x10000000 | 1u << 4,
        FooterTorque = 0x10000000 | 1u << 5,
        FooterLoadPosition = 0x10000000 | 1u << 6,
        FooterLoadSpan = 0x10000000 | 1u << 7,
        FooterLocalDeflection = 0x10000000 | 1u << 8,
        FooterLocalShear = 0x10000000 | 1u << 9,
        FooterLocalBendingMoment = 0x10000000 | 1u << 10,
        FooterLocalAxialForce = 0x10000000 | 1u << 11,
        FooterLocalTorsion = 0x10000000 | 1u << 12
    };

    struct StyleSheet
    {
        // The default style sheet of every table, label and title on a page.
        static const QString Table;
    };

    // The view renders the rendered pictures; without one they are left out.
    ReportPainter(const QSharedPointer<ReportLayout>& layout, const QSharedPointer<UnitSystem>& unitSystem,
                  const QSharedPointer<StructureView>& structureView);
    ~ReportPainter();
    Q_DISABLE_COPY(ReportPainter)

    // Page numbers count from 1; a null painter or a page out of range draws nothing.
    void paintPage(int page, QPainter* painter, QRect rect);

    void addHeader(HeaderFooterTypes type, const QString& text);
    void addFooter(HeaderFooterTypes type, const QString& text);
    void paintHeader(const QRect& band) const;
    void paintFooter(const QRect& band) const;
    void paintPlate(const ReportLayout::Plate& plate, const QRect& rect);

    // Input tables.
    QString nodeInputTable(const NodeRef& node);
    QString memberInputTable(const MemberRef& member);
    QString loadForceInputTable(const LoadRef& load);
    QString loadPositionInputTable(const LoadRef& load);

    // Result tables; every number is the result times its display scale.
    QString memberBlockTitle(const QString& title, const QString& second) const;
    QString memberBlockTableX(const QSharedPointer<AnalysisResultCase>& resultCase, const MemberRef& member,
                              const QList<double>& positions, const QList<QChar>& labels) const;
    QString memberBlockTableYZ(const QSharedPointer<AnalysisResultCase>& resultCase, const MemberRef& member,
                               const QList<double>& positions, const QList<QChar>& labels, bool major) const;
    QString nodeResultsTable(const NodeRef& node, const QSharedPointer<AnalysisResultCase>& resultCase);

    // Projection: a focal length of 15 inches, the page y pointing down.
    QPointF worldToScreen(const ViewPoint& view, const Vector3& point) const;
    Vector3 screenToWorld(const ViewPoint& view, const QPointF& point, double depth) const;
    double distanceForCentredRadius(const ViewPoint& view, const QSize& size, double radius) const;

    // Overview pictures.
    void paintSkeleton(const ViewPoint& view) const;
    void paintOverviewNodes(const QList<NodeRef>& nodes, const QRect& rect) const;
    void paintOverviewMembers(const QList<MemberRef>& members, const QRect& rect) const;
    void paintOverviewRendered(const GroupRef& group, const QRect& rect) const;
    // A captured picture fitted and centred in the rectangle; nothing for an empty one.
    void paintRenderedImage(const QImage& image, const QRect& rect) const;
    void paintTriad(const QRect& rect) const;

    // Load symbols and highlights; the returned lines run from tip to tail.
    QList<QLineF> paintPointForce(const ViewPoint& view, double force, const Vector3& position,
                                  const Vector3& direction, double scale) const;
    QList<QLineF> paintTorqueForce(const ViewPoint& view, double torque, const Vector3& position,
                                   const Matrix3x3& axes, double scale) const;
    QList<QLineF> paintLoadEnvelope(const ViewPoint& view, const LoadRef& load, double scale) const;
    void paintHighlight(const ViewPoint& view, const LoadRef& load, double scale) const;
    void paintHighlight(const ViewPoint& view, const MemberRef& member) const;
    void paintHighlight(const ViewPoint& view, const NodeRef& node) const;

    // Cover pages.
    void paintGroupCoverPlate(const ReportLayout::Plate& plate, const QRect& rect) const;
    void paintGroupCoverInformation(const GroupRef& group, const QList<NodeRef>& nodes,
                                    const QList<MemberRef>& members, const QRect& rect) const;
    void paintLoadCaseCoverPlate(const ReportLayout::Plate& plate, const QRect& rect) const;
    void paintLoadCaseCoverInformation(const LoadCaseRef& loadCase, const GroupRef& group,
                                       const QList<LoadRef>& loads, const QRect& rect) const;
    // The rich text of the two information blocks.
    QString groupCoverInformation(const GroupRef& group, const QList<NodeRef>& nodes,
                                  const QList<MemberRef>& members) const;
    QString loadCaseCoverInformation(const LoadCaseRef& loadCase, const GroupRef& group,
                                     const QList<LoadRef>& loads) const;

    // Member and node result plates and the pictures of the data plates.
    void paintMemberGraphicalResults(const MemberRef& member, const QSharedPointer<AnalysisResultCase>& resultCase,
                                     const QRect& rect);
    QRectF paintChartBackground(const MemberRef& member, const QList<double>& positions, const QList<QChar>& letters,
                                int rows, const QRectF& chart) const;
    void paintChartEnvelopes(const QVector<AnalysisResultCase::EnvelopeVector3>& deflections,
                             const QVector<AnalysisResultCase::EnvelopeVector6>& forces, int deflectionComponent,
                             int firstForceComponent, int secondForceComponent, const QRectF& plot);
    void plotEnvelope(const QVector<QPointF>& points, double scale) const;
    void paintChartLabels(const QString& top, const QString& middle, const QString& bottom, const QRectF& plot) const;
    static QList<double> uniquePOI(QList<double> positions);
    // The polyline without the points that lie within the tolerance of it:
    // its ends and every corner that stands out by more are kept.
    static QPolygonF simplifiedPolyline(const QPolygonF& polyline, double tolerance);
    void paintMemberPlate(const MemberRef& member, const QPoint& centre, const QRect& rect) const;
    void paintNodePlate(const NodeRef& node, const QPoint& centre, const QRect& rect) const;
    void paintLoadPlate(const LoadRef& load, const QPoint& centre, const QRect& rect) const;
    void paintMemberForceEnvelope(const ViewPoint& view, const QSharedPointer<AnalysisResultCase>& resultCase,
                                  const MemberRef& member, double scale, bool moments) const;

    // Load and result overviews.
    void paintOverviewLoads(const QList<LoadRef>& loads, const QRect& rect) const;
    void paintOverviewDeflections(const QSharedPointer<AnalysisResultCase>& resultCase,
                                  const QList<MemberRef>& members, const QRect& rect) const;
    void paintOverviewReactions(const QSharedPointer<AnalysisResultCase>& resultCase, const QList<NodeRef>& nodes,
                                const QRect& rect) const;
    void paintOverviewShearForces(const QSharedPointer<AnalysisResultCase>& resultCase,
                                  const QList<MemberRef>& members, const QRect& rect) const;
    void paintOverviewBendingMoments(const QSharedPointer<AnalysisResultCase>& resultCase,
                                     const QList<MemberRef>& members, const QRect& rect) const;

    // The painter's own camera for the plate being painted.
    ViewPoint viewPoint;
    Vector4 structureCentreAndRadius;
    double resolution = 0.0;
    QStringList footers;
    quint32 footerTypes = 0;
    QStringList headers;
    quint32 headerTypes = 0;
    int pageNumber = 0;
    QPainter* painter = nullptr;
    QSharedPointer<ReportLayout> layout;
    QSizeF letterLabelSize{-1.0, -1.0};
    QSizeF forceLabelSize{-1.0, -1.0};
    QSize plateInset{-1, -1};
    QSharedPointer<StructureView> structureView;
    QVector<Vector3> momentArcPoints;
    QSharedPointer<UnitSystem> unitSystem;

private:
    Vector3 structureCentre() const { return structureCentreAndRadius.xyz(); }
    double structureRadius() const { return structureCentreAndRadius.w(); }
    // Millimetres in device units, horizontally and vertically.
    double mmX(double mm) const;
    double mmY(double mm) const;
    // Every arrow of a page: 2 mm long, 1.2 mm wide, its tip at `tip`.
    void addArrowhead(QPainterPath* path, const QPointF& tip, const QPointF& direction) const;
    QRectF drawTable(const QPointF& anchor, int alignment, const QString& html) const;
    // The shared start of every overview picture: a camera fitted to the
    // rectangle, clip, origin at its centre and the skeleton. The caller
    // restores the painter.
    ViewPoint beginOverview(const QRect& rect, double factor) const;
    // What a shared picture depends on: its kind, the camera and the device.
    QByteArray pictureKey(const char* kind, const ViewPoint& view) const;
    // The members' lines as the camera sees them; members without two distinct end nodes have none.
    QVector<QLineF> memberLines(const ViewPoint& view, const QList<MemberRef>& members) const;
    // The skeleton as the camera sees it, its offset the projection of its top-left corner.
    QImage skeletonPicture(const ViewPoint& view) const;
    // A transparent picture of the lines in the pen, no larger than the
    // limit, its offset the position of its top-left corner.
    QImage linesPicture(const QVector<QLineF>& lines, const QPen& pen, const QRectF& limit) const;
    // A picture at its offset, on whole device pixels.
    void drawPicture(const QImage& picture) const;
    // A camera that sees the whole structure from the plate's sphere, and the
    // shift that brings the point to the picture's centre: the pictures of
    // all objects on plates of one size then share one skeleton.
    ViewPoint centredOn(const Vector3& point, double distance, QPointF* shift) const;
    void paintCoverDividers(const QRect& rect) const;
    // Device pixels per unit of the painter's coordinates.
    double deviceScale() const;
    // Lines in the painter's pen, in one call: on a raster device with
    // square caps for round ones, which it draws several times as fast.
    static void strokeLines(QPainter* target, const QVector<QLineF>& lines);
    // Polylines in the current pen, each simplified to a fraction of a
    // device pixel, so that a large model's curves cost what shows of them.
    void strokePolylines(const QVector<QPolygonF>& polylines) const;
    // Ellipses in the current pen and brush about the centres.
    void fillDots(const QVector<QPointF>& centres, double rx, double ry) const;
    // Whether anything within `offset` of the segment from A to B is drawn
    // within a fraction of a device pixel of the segment itself.
    bool straightWithin(const ViewPoint& view, const Vector3& A, const Vector3& B, double offset) const;
    // The deflected shape of one member on the page; empty for a member
    // that has no valid cache or no section type.
    QPolygonF deflectedShape(const ViewPoint& view, const QSharedPointer<AnalysisResultCase>& resultCase,
                             const MemberRef& member, double scale) const;
    // The one or two curves of paintMemberForceEnvelope.
    QVector<QPolygonF> memberForceCurves(const ViewPoint& view, const QSharedPointer<AnalysisResultCase>& resultCase,
                                         const MemberRef& member, double scale, bool moments) const;
    void paintOverviewMemberForces(const QSharedPointer<AnalysisResultCase>& resultCase,
                                   const QList<MemberRef>& members, const QRect& rect, bool moments) const;
    // Draws the axes picture at the right of the top band and returns its width; 0 when it is missing.
    int paintAxesPicture(const QRect& rect, int yB) const;
    // An information block inside its area: centred at its natural size when
    // it fits, else wrapped between words to the area's width, and shrunk
    // when a word longer than a line or the height still overflows.
    void paintCoverBlock(const QString& html, const QRect& area) const;
    QString titleRows(const QString& rowTemplate) const;
    QString scaledNumber(double value, double scale, int conversion) const;
    const AnalysisOutput& outputScales() const;
};
