#pragma once

#include "CalculatorReference.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "GLHelpers.h"
#include "ModelRefs.h"
#include "UnitSystem.h"
#include "Vectors.h"
#include "ViewPoint.h"

#include <QGLWidget>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QMap>
#include <QMatrix4x4>
#include <QMutex>
#include <QPair>
#include <QPolygon>
#include <QScopedPointer>
#include <QSemaphore>
#include <QSharedPointer>
#include <QStack>
#include <QVariant>
#include <QVector>

#include <functional>

class AnalysisOutput;
class AnalysisResultCase;
class QPaintDevice;
class QPainter;

// The interactive OpenGL view of one document's structure, loads and
// results. Change signals only mark display records dirty and ask for a
// repaint; the next frame rebuilds what is dirty and then draws, so a burst of
// signals costs one rebuild per record.
class StructureView : public QGLWidget
{
    Q_OBJECT

public:
    typedef iGL::VertexArray VertexArray;
    typedef iGL::IndexArray IndexArray;

    // The shared unit glyphs: triad, member tick, point-force shaft, torque arc.
    struct CommonVBO
    {
        VertexArray glyphVertices;
        IndexArray triadLines;
        IndexArray pointForceShaft;
        IndexArray torqueArc;
        IndexArray memberTick;
    };

    // The structure: node i of nodes is vertex i.
    struct GeometryVBO
    {
        QList<MemberRef> members;
        QList<NodeRef> nodes;
        VertexArray nodeVertices;
        IndexArray allNodes;
        IndexArray allMembers;
        IndexArray groupNodes;
        IndexArray otherNodes;
        IndexArray majorMembers;
        IndexArray otherMajorMembers;
        IndexArray minorMembers;
        IndexArray otherMinorMembers;
        IndexArray ignoredMembers;
        IndexArray otherIgnoredMembers;
        IndexArray invalidMembers;
    };

    struct ResultsVBO
    {
        VertexArray pointVertices;
        IndexArray pointIndices;
        VertexArray diagramVertices;
        IndexArray outlineIndices;
        IndexArray deflectedNodeIndices;
    };

    struct SelectionVBO
    {
        VertexArray vertices;
        IndexArray nodes;
        IndexArray members;
        IndexArray newNodes;
        IndexArray newMembers;
    };

    // A node entry (t = -1) holds the node's position, or its displacement in
    // deflection mode; a member entry the unscaled offset of the diagram point
    // from the chord at fraction t, in global axes.
    struct ResultVertex
    {
        double t = -1.0;
        Vector3 vector;
        ResultVertex() = default;
        ResultVertex(double t, const Vector3& v) : t(t), vector(v) {}
    };

    struct PointOfInterest
    {
        double position = 0.0;
        Vector3 point;
    };

    // The six records a change can invalidate, in the order a frame rebuilds them.
    enum Record { GeometryRecord, LoadingRecord, ResultsRecord, ResultScalingRecord, PointsOfInterestRecord,
                  SelectionRecord };

    // What a capture applies before it renders, so that a caller on another
    // thread never writes the view's state itself: a camera for this capture
    // only (the view's own when null) and, when asked, the group to show.
    struct CaptureSettings
    {
        ViewPointRef viewPoint;
        bool applyGroup = false;
        GroupRef group;
    };

    StructureView(UnitSystemRef unitSystem, CurrentStateRef currentState, QWidget* parent);
    ~StructureView() override;

    void setDocumentModel(const DocumentModelRef& model);
    void clearDocumentModel();
    void setViewPoint(const ViewPointRef& viewPoint);
    void clearViewPoint();
    DocumentModelRef documentModelRef() const { return documentModel; }
    ViewPointRef viewPointRef() const { return viewPoint; }

    // From any thread: the scene at width × height, rendered at the next
    // powers of two (at most 1024) and scaled to fit with its aspect kept.
    // Null without pixel buffers, or when the view is destroyed first.
    QImage captureImage(int width, int height, const CaptureSettings& settings);
    // Requests from other threads that wait for the GUI thread.
    int pendingCaptureCount() const;

    // Widget pixels (y downwards) of a world point, from the last frame.
    QPointF transformWorldToScreen(const Vector3& point) const;

    // The records as the last frame left them, for readers outside the frame.
    bool isDirty(Record record) const;
    const CommonVBO& commonRecord() const { return commonVBO; }
    const GeometryVBO& geometryRecord() const { return geometryVBO; }
    const ResultsVBO& resultsRecord() const { return resultsVBO; }
    const SelectionVBO& selectionRecord() const { return selectionVBO; }
    const QVector<ResultVertex>& resultVertexList() const { return resultVertices; }
    const QVector<int>& resultOutlineList() const { return resultOutline; }
    const QMap<MemberRef, QPair<int, int>>& resultRanges() const { return memberResultRanges; }
    const QVector<PointOfInterest>& interrogatorPoints() const { return pointsOfInterest; }
    const QVector<double>& torqueAngles() const { return torqueArcAngles; }
    const iGL::ConeObject& coneMesh() const { return cone; }
    const iGL::SphereObject& sphereMesh() const { return sphere; }
    const iGL::ShadowState& shadow() const { return *shadowState; }
    bool isDrawingTriad() const { return drawingTriad; }

    // The tip of a torque arc of the given fraction: 14 to 85 for [-1, 1].
    int torqueTipIndex(double fraction) const;

signals:
    void LoadForceDraggedAtIndex(const Vector4& value, const CalculatorReference& reference);
    void LoadPositionDraggedAtIndex(const Vector4& value, const CalculatorReference& reference);
    void MoveSelectedNodesBy(const Vector4& offset, const CalculatorReference& reference, bool merge);
    void ObjectClicked(VaroObjectRef object);
    void OpenCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& reference, const char* slot);
    void OpenCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& reference, QObject* receiver, const char* slot);

private slots:
    void autoIsDrawingTriad();
    void serviceCaptureRequests();
    void regenerateGeometry();
    void regenerateLoading();
    void regeneratePointsOfInterest();
    void regenerateResults();
    void regenerateSelection();
    void rescaleResults();
    void scheduleRegenerateAll();
    void scheduleRegeneratePointsOfInterest();
    void scheduleRescaleResults();
    void setInterrogatorPosition(const Vector4& value, const CalculatorReference& reference);
    void updateScaleSlider();

public slots:
    QImage captureImage(int width, int height);
    void enablePreciseClicks(bool p) { preciseClicks = p; }
    void scheduleRegenerateGeometry();
    void scheduleRegenerateLoading();
    void scheduleRegenerateResults();
    void scheduleRegenerateSelection();
    void updateForViewPoint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;

private:
    // One capture handed from another thread to the GUI thread.
    struct CaptureRequest
    {
        int width;
        int height;
        CaptureSettings settings;
        QImage image;
        QSemaphore done;
    };
    // Outlives the view while a worker holds it: a view being destroyed
    // releases every request still waiting, and no new one is accepted.
    struct CaptureQueue
    {
        QMutex mutex;
        bool open = true;
        QList<CaptureRequest*> pending;
    };

    // Core.
    void setDirty(bool* flag);
    QImage captureImageWithinGUIThread(int width, int height, const CaptureSettings& settings);
    void initialiseGLState();
    // The hints at the given quality, and the state no pass ever changes.
    void setQualityAndRareState(GLenum quality);
    QSize frameSize() const { return frameSizeValue; }

    // GL helpers and glyphs.
    void generateCommonVBO();
    void drawCone(double s);
    void drawPointForce(double length);
    void drawTorqueForce(double fraction);
    void multiplyGLMatrixBy(const Matrix3x3& m) const;
    void drawVertexPoints(const QVector<QVector3D>& points);
    void drawVertexLines(const QVector<QVector3D>& points);
    void drawOnePoint(const Vector3& p);
    void drawOneLine(const Vector3& a, const Vector3& b);

    // The frame.
    // False when the frame ended before its overlay (no document or camera).
    bool render(QPaintDevice* target, const QSize& size);
    void setUpViewport(int width, int height, bool store);
    void saveGLState() const;
    void restoreGLState() const;
    void setUpProjection(const QRect& pick, bool store);
    void setUpTransformAndLighting(bool lighting, bool store);
    void storeProduct();
    void renderStructure();
    // Binds the structure's vertices around the draw.
    void drawWithNodeVertices(const std::function<void()>& draw);
    void renderStructureNodes();
    void renderStructureSupports();
    void renderStructureWireFrameMembers();
    void renderStructureSolidMembers();
    void renderStructureGroupedMembers(const QVector<MemberRef>& members, const GeometryGroupRef& group,
                                       const GeometryGroupRef& currentGeometryGroup);
    void renderSolidMember(const MemberRef& member);
    void setGLMaterialColour(const QColor& colour) const;
    void renderPainter(QPainter* painter);

    // Results and selection.
    static bool isForceDiagramMode(int resultMode);
    QSharedPointer<AnalysisOutput> analysisOutput() const;
    QSharedPointer<AnalysisResultCase> currentResultCase(const QSharedPointer<AnalysisOutput>& output) const;
    void renderResults();
    void renderDiagramRun(const MemberRef& member);
    void renderInterrogatedResult();
    void renderSelection();

    // Glyphs.
    void renderStructureLoads(const QList<LoadRef>& loads);
    void renderLoad(const LoadRef& load, double scale, bool thick, bool decorate);
    void applyLoadingTransform(const LoadRef& load);
    void renderMemberTick(const MemberRef& member, double size);
    void drawReactions(const NodeRef& node, const Vector6& reaction, bool interrogated);

    iGL::ConeObject cone;
    Qt::CursorShape cursorShape = Qt::ArrowCursor;
    CurrentStateRef currentState;
    double pixelScale = 1.0;
    DocumentModelRef documentModel;
    bool geometryDirty = true;
    bool loadingDirty = true;
    bool pointsOfInterestDirty = true;
    bool resultsDirty = true;
    bool resultScalingDirty = true;
    bool selectionDirty = true;
    QVector<int> resultOutline;
    QVector<QPair<NodeRef, int>> resultNodeVertices;
    QVector<ResultVertex> resultVertices;
    QScopedPointer<iGL::ShadowState> shadowState;
    bool drawingTriad = false;
    bool glReady = false;
    bool widgetGLInitialised = false;
    QMatrix4x4 modelViewMatrix;
    QMatrix4x4 projectionMatrix;
    double viewportCache[4] = {0.0, 0.0, 0.0, 0.0};
    QMatrix4x4 productMatrix;
    QMatrix4x4 inverseProductMatrix;
    QMap<NodeRef, Vector3> deflectedNodePositions;
    iGL::SphereObject sphere;
    QVector<PointOfInterest> pointsOfInterest;
    bool preciseClicks = false;
    QMap<MemberRef, QPair<int, int>> memberResultRanges;
    int dragMode = 0;
    QVector<double> torqueArcAngles;
    QPolygon handleOutline, handleArrowA, handleArrowB;
    UnitSystemRef unitSystem;
    CommonVBO commonVBO;
    GeometryVBO geometryVBO;
    ResultsVBO resultsVBO;
    SelectionVBO selectionVBO;
    ViewPointRef viewPoint;

    // The size of the frame being drawn: the widget's, or a capture's.
    QSize frameSizeValue;
    QSharedPointer<CaptureQueue> captureQueue;
    // Scratch lists reused by every frame, so that drawing allocates nothing per member.
    QVector<QVector3D> scratchPoints;
    QVector<QPair<double, int>> depthOrder;
    QVector<MemberRef> batchMembers;
    QVector<GLsizei> diagramCounts;
    QVector<const void*> diagramStarts;
};
