#include "StructureView.h"

#include "EditingActions.h"
#include "Load.h"
#include "Loading.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "SelectionModel.h"
#include "StructureModel.h"

#include <QGLFramebufferObject>
#include <QGLPixelBuffer>

#include <cmath>
#include <limits>

namespace {

enum PickKind { PickNodes = 0, PickMembers = 1, PickLoads = 2, PickKinds = 3 };

const unsigned white = 0xFFFFFFu;

template <class T>
QSet<VaroObjectRef> asObjects(const QList<QSharedPointer<T>>& list)
{
    QSet<VaroObjectRef> set;
    for (const QSharedPointer<T>& object : list)
        set.insert(object);
    return set;
}

template <class T>
QSet<QSharedPointer<T>> asKind(const QSet<VaroObjectRef>& objects)
{
    QSet<QSharedPointer<T>> set;
    for (const VaroObjectRef& object : objects)
        set.insert(object.objectCast<T>());
    return set;
}

QImage thirtyTwoBit(const QImage& image)
{
    return image.isNull() || image.depth() == 32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

// ---- Off-screen target

StructureView::FrameBufferType StructureView::beginSelectionFBO(const QRect& pick)
{
    const QSize size(pick.width(), pick.height());
    FrameBufferType type = PixelBuffer;
    const bool fboUsable = selectionFramebuffer && selectionFramebuffer->isValid() && selectionFramebuffer->size() == size;
    const bool pbufferUsable = selectionPixelBuffer && selectionPixelBuffer->isValid()
                               && selectionPixelBuffer->size() == size;
    if (fboUsable) {
        selectionFramebuffer->bind();
        type = FrameBufferObject;
    } else if (pbufferUsable) {
        selectionPixelBuffer->makeCurrent();
    } else if (QGLFramebufferObject::hasOpenGLFramebufferObjects()) {
        selectionFramebuffer.reset(new QGLFramebufferObject(size, QGLFramebufferObject::Depth, GL_TEXTURE_2D));
        if (selectionFramebuffer->isValid() && selectionFramebuffer->size() == size) {
            selectionFramebuffer->bind();
            type = FrameBufferObject;
        }
    } else if (QGLPixelBuffer::hasOpenGLPbuffers()) {
        const QGL::FormatOptions options = QGL::SingleBuffer | QGL::DepthBuffer | QGL::Rgba | QGL::DirectRendering
                                           | QGL::NoAlphaChannel | QGL::NoAccumBuffer | QGL::NoStencilBuffer
                                           | QGL::NoStereoBuffers | QGL::NoOverlay | QGL::NoSampleBuffers;
        selectionPixelBuffer.reset(new QGLPixelBuffer(size, QGLFormat(options, 0), this));
        if (selectionPixelBuffer->isValid() && selectionPixelBuffer->size() == size)
            selectionPixelBuffer->makeCurrent();
    }
    glViewport(0, 0, size.width(), size.height());
    enableGLForSelection();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    setUpProjection(pick, false);
    setUpTransformAndLighting(false, false);
    return type;
}

void StructureView::enableGLForSelection() const
{
    for (GLenum c : {GL_ALPHA_TEST, GL_BLEND, GL_CLIP_PLANE0, GL_COLOR_LOGIC_OP, GL_COLOR_MATERIAL, GL_DITHER, GL_FOG,
                     GL_LINE_SMOOTH, GL_MULTISAMPLE, GL_NORMALIZE, GL_POINT_SMOOTH, GL_POLYGON_OFFSET_FILL,
                     GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT, GL_SCISSOR_TEST, GL_STENCIL_TEST,
                     GL_TEXTURE_1D, GL_TEXTURE_2D, GL_INDEX_LOGIC_OP, GL_LINE_STIPPLE, GL_POLYGON_SMOOTH,
                     GL_POLYGON_STIPPLE})
        glDisable(c);
    glEnable(GL_CULL_FACE);
    shadowState->enableDepthTest(true);
    shadowState->enableLighting(false);
    glShadeModel(GL_FLAT);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 0);
    glPointSize(1.0f);
    glLineWidth(1.0f);
    glPixelZoom(1.0f, 1.0f);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    for (GLenum hint : {GL_POLYGON_SMOOTH_HINT, GL_LINE_SMOOTH_HINT, GL_PERSPECTIVE_CORRECTION_HINT,
                        GL_POINT_SMOOTH_HINT, GL_FOG_HINT})
        glHint(hint, GL_FASTEST);
}

void StructureView::endSelectionFBO(FrameBufferType type)
{
    if (type == PixelBuffer) {
        if (selectionPixelBuffer)
            selectionPixelBuffer->doneCurrent();
        makeCurrent();
    } else {
        selectionFramebuffer->release();
    }
}

QImage StructureView::getImageFromSelectionFBO(FrameBufferType type) const
{
    if (type == PixelBuffer)
        return selectionPixelBuffer && selectionPixelBuffer->isValid() ? selectionPixelBuffer->toImage() : QImage();
    return selectionFramebuffer->toImage();
}

// ---- Colour-coded drawing

void StructureView::setGLColourForIndex(int index) const
{
    const unsigned rgb = iQColour::rgbForIndex(index);
    glColor4ub(GLubyte(rgb >> 16), GLubyte(rgb >> 8), GLubyte(rgb), 255);
}

QMap<int, VaroObjectRef> StructureView::renderColourEncodedNodes(const QSet<NodeRef>& nodes, int* next)
{
    QMap<int, VaroObjectRef> map;
    if (nodes.isEmpty())
        return map;
    int index = next ? *next : 0;
    const GeometryVBO& g = geometryVBO;
    drawWithNodeVertices([&] {
        for (int i = 0; i < g.allNodes.indices.size() && i < g.nodes.size(); ++i) {
            const NodeRef& node = g.nodes[i];
            if (!nodes.contains(node))
                continue;
            setGLColourForIndex(index);
            glDrawElements(GL_POINTS, 1, GL_UNSIGNED_INT, g.allNodes.indices.constData() + i);
            map.insert(index++, node);
        }
    });
    if (next)
        *next = index;
    return map;
}

QMap<int, VaroObjectRef> StructureView::renderColourEncodedMembers(const QSet<MemberRef>& members, int* next)
{
    QMap<int, VaroObjectRef> map;
    if (members.isEmpty())
        return map;
    int index = next ? *next : 0;
    const GeometryVBO& g = geometryVBO;
    QMap<NodeRef, GLuint> vertexOf;
    for (int i = 0; i < g.nodes.size(); ++i)
        vertexOf.insert(g.nodes[i], GLuint(i));
    drawWithNodeVertices([&] {
        for (const MemberRef& member : g.members) {
            const NodeRef a = member->nodeA(), b = member->nodeB();
            if (!a || !b || a == b || !members.contains(member) || !vertexOf.contains(a) || !vertexOf.contains(b))
                continue;
            const GLuint ends[2] = {vertexOf.value(a), vertexOf.value(b)};
            setGLColourForIndex(index);
            glDrawElements(GL_LINES, 2, GL_UNSIGNED_INT, ends);
            glDrawElements(GL_POINTS, 1, GL_UNSIGNED_INT, ends);
            map.insert(index++, member);
        }
    });
    if (next)
        *next = index;
    return map;
}

QMap<int, VaroObjectRef> StructureView::renderColourEncodedLoads(const QSet<LoadRef>& loads, int* next)
{
    QMap<int, VaroObjectRef> map;
    if (loads.isEmpty())
        return map;
    int index = next ? *next : 0;
    // The trapezoid diagram is drawn from a client vertex array.
    const bool previous = shadowState->enableVertexArray(true);
    for (const LoadRef& load : loads) {
        setGLColourForIndex(index);
        renderLoad(load, 1.0, false, false);
        map.insert(index++, load);
    }
    shadowState->enableVertexArray(previous);
    if (next)
        *next = index;
    return map;
}

QMap<int, VaroObjectRef> StructureView::renderColourEncoded(int kind, const QSet<VaroObjectRef>& objects, int* next)
{
    if (kind == PickNodes)
        return renderColourEncodedNodes(asKind<Node>(objects), next);
    if (kind == PickMembers)
        return renderColourEncodedMembers(asKind<Member>(objects), next);
    return renderColourEncodedLoads(asKind<Load>(objects), next);
}

QMap<int, QSet<VaroObjectRef>> StructureView::pickCandidates(bool box) const
{
    QMap<int, QSet<VaroObjectRef>> candidates;
    const GroupRef group = currentState->group();
    switch (currentState->mode()) {
    case CurrentState::Geometry:
        candidates[PickNodes] = asObjects(documentModel->structureModel()->nodes());
        candidates[PickMembers] = asObjects(documentModel->membersInGroup(group));
        break;
    case CurrentState::Loading:
        candidates[PickMembers] = asObjects(documentModel->structureModel()->members());
        if (currentState->loadCase().objectCast<Loading>())
            candidates[PickLoads] = asObjects(documentModel->loadsInLoadCase(currentState->loadCase()));
        break;
    case CurrentState::Results:
        if (box)
            break;
        if (currentState->resultMode() == CurrentState::Reaction
            || currentState->resultMode() == CurrentState::Deflection)
            candidates[PickNodes] = asObjects(documentModel->nodesInGroup(group));
        if (currentState->resultMode() != CurrentState::Reaction)
            candidates[PickMembers] = asObjects(documentModel->membersInGroup(group));
        break;
    default:
        break;
    }
    return candidates;
}

// ---- Reading the image

QPair<int, int> StructureView::extractCentremostIndexFromImage(const QImage& read)
{
    const QImage image = thirtyTwoBit(read);
    if (image.isNull())
        return qMakePair(-1, std::numeric_limits<int>::max());
    const int r = image.width() / 2;
    const int start = 2 * (r - 1) * (r - 1) + 1;
    int best = start;
    unsigned bestColour = white;
    for (int dy = -(r - 1); dy <= r - 1; ++dy) {
        if (dy * dy >= best)
            continue;
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(r - 1 + dy));
        for (int dx = -(r - 1); dx <= r - 1; ++dx) {
            const unsigned colour = row[r - 1 + dx] & white;
            const int d = dx * dx + dy * dy;
            if (d < best && colour != white) {
                best = d;
                bestColour = colour;
            }
        }
    }
    if (best == start && bestColour == white)
        return qMakePair(-1, start);
    return qMakePair(iQColour::indexForRgb(bestColour), best);
}

QSet<int> StructureView::extractAllIndexesFromImage(const QImage& read, const QRect& area)
{
    const QImage image = thirtyTwoBit(read);
    QSet<int> found;
    if (image.isNull())
        return found;
    const int bottom = std::min(area.top() + area.height(), image.height());
    const int right = std::min(area.left() + area.width(), image.width());
    for (int y = std::max(0, area.top()); y < bottom; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = std::max(0, area.left()); x < right; ++x)
            if ((row[x] & white) != white)
                found.insert(iQColour::indexForRgb(row[x] & white));
    }
    return found;
}

// ---- Click pick

QMultiMap<int, VaroObjectRef> StructureView::getSelectionAtViewCoordinate(const QPoint& p, int s)
{
    QMultiMap<int, VaroObjectRef> hits;
    if (!documentModel || !viewPoint)
        return hits;
    const int H = height(), r = s / 2;
    // Image row r - 1 (from the top) is the pointer's own row.
    const QRect pick(p.x() - (r - 1), H - 1 - p.y() - (s - r), s, s);
    makeCurrent();
    saveGLState();
    const FrameBufferType type = beginSelectionFBO(pick);
    const QMap<int, QSet<VaroObjectRef>> candidates = pickCandidates(false);
    const QSharedPointer<SelectionModel> selectionModel = documentModel->selectionModel();
    const QSet<VaroObjectRef> selectedOfKind[PickKinds] = {asObjects(selectionModel->selectedNodes()),
                                                           asObjects(selectionModel->selectedMembers()),
                                                           asObjects(selectionModel->selectedLoads())};
    for (int kind : candidates.keys()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        int next = 0;
        QMap<int, VaroObjectRef> map = renderColourEncoded(kind, candidates[kind] - selectedOfKind[kind], &next);
        glClear(GL_DEPTH_BUFFER_BIT);
        const QMap<int, VaroObjectRef> selectedMap = renderColourEncoded(kind, selectedOfKind[kind], &next);
        for (auto i = selectedMap.constBegin(); i != selectedMap.constEnd(); ++i)
            map.insert(i.key(), i.value());
        glFlush();
        const QPair<int, int> found = extractCentremostIndexFromImage(getImageFromSelectionFBO(type));
        if (found.first >= 0 && map.contains(found.first))
            hits.insert(found.second, map.value(found.first));
    }
    endSelectionFBO(type);
    restoreGLState();
    return hits;
}

VaroObjectRef StructureView::nearestObjectInMap(const QMultiMap<int, VaroObjectRef>& hits) const
{
    int dN = 32767, dM = 32767;
    NodeRef N;
    MemberRef M;
    LoadRef L;
    for (auto i = hits.constBegin(); i != hits.constEnd(); ++i) {
        if (!N && (N = i.value().objectCast<Node>()))
            dN = i.key();
        else if (!M && (M = i.value().objectCast<Member>()))
            dM = i.key();
        else if (!L)
            L = i.value().objectCast<Load>();
    }
    const int t = preciseClicks ? 8 : 128;
    if (N && dN <= t)
        return N;
    if (L && dM > t)
        return L;
    if (M)
        return M;
    return N;
}

int StructureView::nearestPointOfInterest(const Ray3& ray) const
{
    if (pointsOfInterest.isEmpty())
        return -1;
    int best = -1;
    double bestDistance = 3.40282347e38;
    Vector3 bestFoot;
    for (int i = 0; i < pointsOfInterest.size(); ++i) {
        const Vector3 v = pointsOfInterest[i].point - ray.origin;
        const double tau = v.dot(ray.direction);
        const double distance = (v - ray.direction * tau).length();
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            bestFoot = ray.origin + ray.direction * tau;
        }
    }
    if (best < 0)
        return -1;
    const QPointF a = transformWorldToScreen(pointsOfInterest[best].point), b = transformWorldToScreen(bestFoot);
    return QLineF(a, b).length() > 12.0 ? -1 : best;
}

// ---- Box selection

void StructureView::clearBySelectionBox()
{
    selectBySelectionBox(false);
}

void StructureView::selectBySelectionBox(bool select)
{
    const int mode = currentState->mode();
    if (!currentState->isSelectionBoxVisible() || (mode != CurrentState::Geometry && mode != CurrentState::Loading)
        || !documentModel || !viewPoint)
        return;
    const int W = width(), H = height();
    const QRectF box = currentState->selectionBox();
    const int X1 = int(std::lrint(W * box.x())), Y1 = int(std::lrint(H * box.y()));
    const int X2 = int(std::lrint(W * (box.x() + box.width()))), Y2 = int(std::lrint(H * (box.y() + box.height())));
    if (X2 <= X1 || Y2 <= Y1)
        return;
    const int pw = int(std::lrint(std::pow(2.0, std::ceil(std::log2(double(X2 - X1 + 1))))));
    const int ph = int(std::lrint(std::pow(2.0, std::ceil(std::log2(double(Y2 - Y1 + 1))))));
    const QRect pick(X1, H - Y1 - ph, pw, ph);
    const QRect area(0, 0, X2 - X1, Y2 - Y1);

    const QMap<int, QSet<VaroObjectRef>> candidates = pickCandidates(true);
    const VaroObjectRef master = documentModel->selectionModel()->master();
    const int masterKind = master.objectCast<Node>() ? PickNodes
                           : master.objectCast<Member>() ? PickMembers
                           : master.objectCast<Load>() ? PickLoads
                                                        : -1;
    QList<VaroObjectRef> result;
    makeCurrent();
    saveGLState();
    const FrameBufferType type = beginSelectionFBO(pick);
    for (int kind : candidates.keys()) {
        if (masterKind >= 0 && kind != masterKind)
            continue;
        result += collectFromPasses(candidates[kind], [&](const QSet<VaroObjectRef>& remaining,
                                                          QMap<int, VaroObjectRef>* map) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            int next = 0;
            *map = renderColourEncoded(kind, remaining, &next);
            glFlush();
            return extractAllIndexesFromImage(getImageFromSelectionFBO(type), area);
        });
    }
    endSelectionFBO(type);
    restoreGLState();

    const QSharedPointer<SelectionModel> selection = documentModel->selectionModel();
    EditingActions* actions = EditingActions::of(documentModel.data());
    if (select) {
        const QList<VaroObjectRef> chosen = selection->unselectedWithin(result);
        if (!chosen.isEmpty())
            actions->actionSelectObjects(chosen);
    } else {
        const QList<VaroObjectRef> chosen = selection->selectedWithin(result);
        if (!chosen.isEmpty())
            actions->actionDeselectObjects(chosen);
    }
}

QList<VaroObjectRef> StructureView::collectFromPasses(QSet<VaroObjectRef> remaining, const PickPass& pass)
{
    QList<VaroObjectRef> result;
    // A stray or blended colour names no candidate; a pass that removes
    // nothing would repeat for ever, and each pass removes at least one.
    const int passes = remaining.size() + 1;
    for (int i = 0; i < passes && !remaining.isEmpty(); ++i) {
        QMap<int, VaroObjectRef> map;
        const QSet<int> found = pass(remaining, &map);
        int removed = 0;
        for (int index : found) {
            const VaroObjectRef object = map.value(index);
            if (object && remaining.remove(object)) {
                result.append(object);
                ++removed;
            }
        }
        if (removed == 0)
            break;
    }
    return result;
}

// ---- Click regions and fitting

StructureView::ClickRegion StructureView::determineClickRegion(ClickRegionEnum id) const
{
    for (const ClickRegion& region : clickRegions)
        if (region.id == id)
            return region;
    return ClickRegion();
}

StructureView::ClickRegion StructureView::determineClickRegion(const QPoint& point) const
{
    for (const ClickRegion& region : clickRegions)
        if (region.outline.containsPoint(point, Qt::OddEvenFill))
            return region;
    return ClickRegion();
}

double StructureView::distanceForRadius(double radius) const
{
    const double x0 = viewportCache[0], y0 = viewportCache[1], vw = viewportCache[2], vh = viewportCache[3];
    const double H = frameSize().height();
    const double left = x0 + 32.0, top = y0 + 32.0, w = vw - 64.0, h = vh - 64.0;
    const auto ndc = [&](double x, double y, double z) {
        return QVector4D(float(2.0 * (x - x0) / vw - 1.0), float(2.0 * (H - y - y0) / vh - 1.0), float(z), 1.0f);
    };
    const auto unproject = [&](const QVector4D& v) {
        const QVector4D p = inverseProductMatrix * v;
        return p.toVector3D() / p.w();
    };
    const double cx = left + w / 2.0, cy = top + h / 2.0;
    const double Lh = (unproject(ndc(left + w, cy, 1.0)) - unproject(ndc(left, cy, 1.0))).length();
    const double Lv = (unproject(ndc(cx, top + h, 1.0)) - unproject(ndc(cx, top, 1.0))).length();
    const double Ld = (unproject(ndc(cx, cy, 1.0)) - unproject(ndc(cx, cy, -1.0))).length();
    const double span = std::isnan(Lh) ? Lv : std::min(Lh, Lv);
    return radius / (span * 0.5) * Ld;
}
