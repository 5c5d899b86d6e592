#pragma once

#include "CalculatorReference.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "GLHelpers.h"
#include "ModelRefs.h"
#include "UnitSystem.h"
#include "Vectors.h"
#include "ViewFrame.h"
#include "ViewPoint.h"

#include <QGLWidget>
#include <QHash>
#include <QImage>
#include <QMultiMap>
#include <QPointer>
#include <QSet>
#include <QVector2D>
#include <QLineF>
#include <QList>
#include <QMap>
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
class QGLFramebufferObject;
class QGLPixelBuffer;
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
        QHash<const Node*, GLuint> vertexOf;
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

    // The tick that marks a selected member: the member's middle, and the
    // common record's tick lines turned into global axes, for a tick of size 1
    // drawn about the middle.
    struct MemberTick
    {
        Vector3 middle;
        Vector3 lines[4];
    };

    struct SelectionVBO
    {
        VertexArray vertices;
        IndexArray nodes;
        IndexArray members;
        IndexArray newNodes;
        IndexArray newMembers;
        QVector<MemberTick> ticks;
        QVector<MemberTick> newTicks;
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
    // A picture without overlay has the scene alone: no notes, read-outs or
    // triads, which would crowd a small picture.
    struct CaptureSettings
    {
        ViewPointRef viewPoint;
        bool applyGroup = false;
        GroupRef group;
        bool overlay = true;
    };

    // tan 15°: the view's vertical field of view is 30°, whatever the model's size.
    static constexpr double halfFieldTangent = 0.2679491924311227;

    // ---- Overlay, picking, mouse and words: types

    // The clickable regions of the painted overlay; 19 to 21 are never recorded.
    enum ClickRegionEnum {
        NONE = 0,
        NODEX = 1,
        NODEY = 2,
        NODEZ = 3,
        MEMBERLENGTH = 4,
        LOADMAGNITUDEAVALUE = 5,
        LOADMAGNITUDEAHANDLE = 6,
        LOADMAGNITUDEBVALUE = 7,
        LOADMAGNITUDEBHANDLE = 8,
        LOADPOSITIONAHANDLE = 9,
        LOADPOSITIONBHANDLE = 10,
        LOADSPANAVALUE = 11,
        LOADSPANABVALUE = 12,
        LOADSPANBVALUE = 13,
        RESULTPOSITIONHANDLE = 14,
        RESULTSPANAVALUE = 15,
        RESULTSPANBVALUE = 16,
        SELECTIONBOXTOPLEFT = 17,
        SELECTIONBOXBOTTOMRIGHT = 18,
        NODEMOVEHANDLE = 22,
        MEMBERENDMOVEHANDLE = 23
    };

    struct ClickRegion
    {
        ClickRegionEnum id = NONE;
        QPolygon outline;
        QPointF anchor;
        QLineF line;
        Vector3 vectors[6];
    };

    enum FrameBufferType { FrameBufferObject = 0, PixelBuffer = 1 };

    // A node or member that a picking pass may draw, with its vertices in
    // the geometry record (a node has one, a member its two ends).
    struct PickItem
    {
        VaroObjectRef object;
        GLuint a = 0;
        GLuint b = 0;
    };

    // The gesture states of the mouse handlers.
    enum DragMode {
        DragIdle = 0,
        DragPressed = 1,
        DragRotate = 2,
        DragPan = 3,
        DragZoom = 4,
        DragPressedOnRegion = 5,
        DragMovedOnRegion = 6,
        DragLoadMagnitudeA = 7,
        DragLoadMagnitudeB = 8,
        DragLoadPositionA = 9,
        DragLoadPositionB = 10,
        DragInterrogator = 11,
        DragNode = 12,
        DragBoxTopLeft = 13,
        DragBoxBottomRight = 14
    };

    // ---- Overlay, picking, mouse and words: queries

    const QList<ClickRegion>& clickRegionList() const { return clickRegions; }
    ClickRegion determineClickRegion(ClickRegionEnum id) const;
    ClickRegion determineClickRegion(const QPoint& point) const;
    Vector3 transformWorldTo3DScreen(const Vector3& point) const;
    Vector3 transformScreenToWorld(const QPointF& point, double depth) const;
    QPoint hotspotOfLoad(const QSharedPointer<Load>& load) const;
    QRect selectionBoxArea() const;
    Ray3 calculateRayFromViewCoordinate(const QPoint& point) const;
    double distanceForRadius(double radius) const;
    int nearestPointOfInterest(const Ray3& ray) const;
    QMultiMap<int, VaroObjectRef> getSelectionAtViewCoordinate(const QPoint& point, int side);
    VaroObjectRef nearestObjectInMap(const QMultiMap<int, VaroObjectRef>& hits) const;
    int gestureState() const { return dragMode; }
    static QPair<int, int> extractCentremostIndexFromImage(const QImage& image);
    static QSet<int> extractAllIndexesFromImage(const QImage& image, const QRect& area);
    // One box-selection pass: draws the remaining candidates, fills the map of
    // colour indices and returns the indices found in the box.
    typedef std::function<QSet<int>(const QSet<VaroObjectRef>& remaining, QMap<int, VaroObjectRef>* map)> PickPass;
    // Repeats passes until the candidates run out or a pass removes none.
    static QList<VaroObjectRef> collectFromPasses(QSet<VaroObjectRef> candidates, const PickPass& pass);

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
    // The read-out the calculator was opened on has lost its object, or its
    // answer would now be worked out otherwise than when it opened.
    void CalculatorRequestLapsed(const CalculatorReference& reference);

private slots:
    void autoIsDrawingTriad();
    void checkCalculatorRequest();
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
    void clearBySelectionBox();
    void selectBySelectionBox(bool select = true);
    void tryForthWord(const QString& word, QStack<QVariant>* stack, bool* handled) const;
    void enablePreciseClicks(bool p) { preciseClicks = p; }
    void scheduleRegenerateGeometry();
    void scheduleRegenerateLoading();
    void scheduleRegenerateResults();
    void scheduleRegenerateSelection();
    void updateForViewPoint();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;

private:
    // Lets the records of the model shown go a slice at a time between events.
    void releaseRecords();
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
    // Without overlay the frame has the scene alone.
    bool render(QPaintDevice* target, const QSize& size, bool overlay = true);
    void setUpViewport(int width, int height, bool store);
    void saveGLState() const;
    void restoreGLState() const;
    void setUpProjection(const QRect& pick, bool store);
    void setUpTransformAndLighting(bool lighting, bool store);
    // Moves the origin that positions are taken from when the camera has gone
    // so far from it that single precision would show.
    void followRenderOrigin();
    // A world position as GL takes it: relative to the render origin, in
    // single precision, and finite.
    QVector3D toGL(const Vector3& position) const;
    // glTranslate to a world position, taken as toGL takes it.
    void translateTo(const Vector3& position) const;
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
    // Each tick at size × the eye depth of its middle, in one draw.
    void renderMemberTicks(const QVector<MemberTick>& ticks, double size);
    void drawReactions(const NodeRef& node, const Vector6& reaction, bool interrogated);

    // ---- Overlay, handles and triad.
    void paintSectionLabel(QPainter* painter, const QFontMetrics& metrics);
    void paintSelectedObject(QPainter* painter, const QFontMetrics& metrics);
    void paintResultReadouts(QPainter* painter, const QFontMetrics& metrics);
    void paintMemberReadouts(QPainter* painter, const QFontMetrics& metrics, const MemberRef& member,
                             const AnalysisResultCase& results, const QSharedPointer<AnalysisOutput>& output);
    void paintNodeReadouts(QPainter* painter, const QFontMetrics& metrics, const NodeRef& node,
                           const AnalysisResultCase& results, const QSharedPointer<AnalysisOutput>& output);
    void paintSelectionBox(QPainter* painter);
    void recordNodeHandle(ClickRegionEnum id, const Vector3& position, const Vector3 axes[3]);
    void paintTriads(QPainter* painter);
    void paintPositionBar(QPainter* painter, const QLineF& memberLine, const QPointF& base, bool flip,
                          ClickRegionEnum id);
    void paintPositionBar(QPainter* painter, const QLineF& memberLine, const QPointF& base, bool flip, int index);
    void paintSpanDimension(QPainter* painter, const QLineF& memberLine, const QPointF& from, const QPointF& to,
                            double valueSI, bool flip, ClickRegionEnum id);
    void paintSpanDimension(QPainter* painter, const QLineF& memberLine, const QPointF& from, const QPointF& to,
                            double valueSI, bool flip, int index, int count);
    void paintLoadMagnitudeBar(QPainter* painter, const QLineF& bar, const QString& text, int index, const Ray3& ray,
                               int textFlags);
    void paintDecorationsForLoad(QPainter* painter, const QSharedPointer<Load>& load);
    QPointF paintInterrogator(QPainter* painter, const QLineF& memberLine, const QPointF& point,
                              const QVector2D& side);
    void paintTriad(QPainter* painter, const QPoint& centre, int size, bool large) const;

    // ---- Picking.
    FrameBufferType beginSelectionFBO(const QRect& pick);
    void enableGLForSelection() const;
    void endSelectionFBO(FrameBufferType type);
    QImage getImageFromSelectionFBO(FrameBufferType type) const;
    void setGLColourForIndex(int index) const;
    QMap<int, VaroObjectRef> renderColourEncodedNodes(const QSet<NodeRef>& nodes, int* next);
    QMap<int, VaroObjectRef> renderColourEncodedMembers(const QSet<MemberRef>& members, int* next);
    QMap<int, VaroObjectRef> renderColourEncodedLoads(const QSet<LoadRef>& loads, int* next);
    // Draws the candidates of one kind (0 nodes, 1 members, 2 loads) from index *next.
    QMap<int, VaroObjectRef> renderColourEncoded(int kind, const QSet<VaroObjectRef>& objects, int* next);
    // The candidates of each kind (0 nodes, 1 members, 2 loads) that the mode
    // admits to a click (box false) or a box selection.
    QMap<int, QSet<VaroObjectRef>> pickCandidates(bool box) const;
    // The nodes (kind 0) or members (kind 1) of the set that the geometry
    // record draws, in its order, less those that cannot reach the area of
    // the current pick target (GL window coordinates, origin bottom left).
    QVector<PickItem> pickItemsWithin(int kind, const QSet<VaroObjectRef>& objects, const QRect& area) const;
    // The objects of the set that can reach the area; loads are kept whole.
    QSet<VaroObjectRef> pickCandidatesWithin(int kind, const QSet<VaroObjectRef>& objects, const QRect& area) const;
    // Draws the items still remaining in one call per primitive, indices from 0.
    QMap<int, VaroObjectRef> renderColourEncodedItems(int kind, const QVector<PickItem>& items,
                                                      const QSet<VaroObjectRef>& remaining);
    // The indices whose colours occur in the area of the pick target, read
    // straight from it; none when nothing usable was drawn into.
    QSet<int> readIndicesInArea(FrameBufferType type, const QRect& area);

    // ---- Mouse.
    void scrollInOut(const QPoint& point, double amount);
    void startRegionDrag(const QPoint& p, int manhattan, const QPoint& delta);
    void dragLoadMagnitude(const QPoint& p);
    void dragSelectionBoxCorner(const QPoint& delta);
    void openCalculatorOnRegion(const QPoint& p);
    void flyToPreset(const QPoint& p);

    // What a read-out asks of the calculator for its object as the model is
    // now; no slot where it asks nothing.
    struct ReadOutRequest
    {
        double value = 0.0;
        UnitSystem::Conversion conversion = UnitSystem::Length;
        Matrix4x4 matrix = Matrix4x4::zeroed();
        CalculatorReference reference;
        const char* slot = nullptr;
    };
    // The object a read-out stands for, null where it stands for none.
    VaroObjectRef readOutObject(int id) const;
    ReadOutRequest readOutRequest(int id, const VaroObjectRef& object) const;

    // The read-out the calculator was last opened on, with its object and request.
    int calculatorRegion = NONE;
    VaroObjectRef calculatorObject;
    ReadOutRequest calculatorRequest;

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
    double viewportCache[4] = {0.0, 0.0, 0.0, 0.0};
    // The last stored frame's projection, in double precision.
    ViewFrame viewFrame;
    // Every position the view hands to GL is taken from here.
    Vector3 renderOrigin;
    QMap<NodeRef, Vector3> deflectedNodePositions;
    iGL::SphereObject sphere;
    QVector<PointOfInterest> pointsOfInterest;
    bool preciseClicks = false;
    QMap<MemberRef, QPair<int, int>> memberResultRanges;
    int dragMode = 0;

    // ---- Overlay, picking and mouse state.
    QList<ClickRegion> clickRegions;
    VaroObjectRef dragObject;
    QLineF dragLine;
    QPointF dragOffset;
    Vector3 dragOrigin;
    Vector3 dragAxis;
    bool altAtPress = false;
    bool controlAtPress = false;
    bool shiftAtPress = false;
    bool leftGesture = false;
    bool middleGesture = false;
    bool rightGesture = false;
    QPoint pressPosition;
    QPoint lastMousePosition;
    QScopedPointer<QGLFramebufferObject> selectionFramebuffer;
    QScopedPointer<QGLPixelBuffer> selectionPixelBuffer;
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
