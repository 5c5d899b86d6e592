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
#include <QtEndian>

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

// Where the current GL transform puts a point in a viewport of the given
// size: window coordinates, origin bottom left. A point at or behind the eye
// has none.
class WindowProjection
{
public:
    WindowProjection(int width, int height) : w(width), h(height)
    {
        GLdouble P[16], M[16];
        glGetDoublev(GL_PROJECTION_MATRIX, P);
        glGetDoublev(GL_MODELVIEW_MATRIX, M);
        // Column-major, as GL keeps them: T = P·M.
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += P[k * 4 + r] * M[c * 4 + k];
                T[c * 4 + r] = sum;
            }
    }

    bool project(const QVector3D& v, QPointF* window) const
    {
        const double x = v.x(), y = v.y(), z = v.z();
        const double cw = T[3] * x + T[7] * y + T[11] * z + T[15];
        if (!(cw > 0.0))
            return false;
        const double cx = T[0] * x + T[4] * y + T[8] * z + T[12];
        const double cy = T[1] * x + T[5] * y + T[9] * z + T[13];
        *window = QPointF((cx / cw + 1.0) * 0.5 * w, (cy / cw + 1.0) * 0.5 * h);
        return true;
    }

private:
    double T[16];
    int w, h;
};

// Whether a point or a line between two points, in window coordinates, can
// leave a fragment in the area. The margin takes in rasterisation rules and
// rounding; a point behind the eye leaves the answer to GL's clipping.
class AreaReach
{
public:
    AreaReach(const WindowProjection& projection, const QRect& area)
        : projection(projection), left(area.left() - margin), right(area.left() + area.width() + margin),
          bottom(area.top() - margin), top(area.top() + area.height() + margin)
    {
    }

    bool point(const QVector3D& v) const
    {
        QPointF p;
        if (!projection.project(v, &p))
            return true;
        return p.x() >= left && p.x() <= right && p.y() >= bottom && p.y() <= top;
    }

    bool line(const QVector3D& a, const QVector3D& b) const
    {
        QPointF p, q;
        if (!projection.project(a, &p) || !projection.project(b, &q))
            return true;
        return !((p.x() < left && q.x() < left) || (p.x() > right && q.x() > right)
                 || (p.y() < bottom && q.y() < bottom) || (p.y() > top && q.y() > top));
    }

private:
    static constexpr double margin = 2.0;
    const WindowProjection& projection;
    double left, right, bottom, top;
};

QSet<VaroObjectRef> objectsOf(const QVector<StructureView::PickItem>& items)
{
    QSet<VaroObjectRef> objects;
    for (const StructureView::PickItem& item : items)
        objects.insert(item.object);
    return objects;
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
    drawWithNodeVertices([&] {
        for (const MemberRef& member : g.members) {
            if (!members.contains(member))
                continue;
            const Node* a = member->nodeA().data();
            const Node* b = member->nodeB().data();
            const auto iA = g.vertexOf.constFind(a), iB = g.vertexOf.constFind(b);
            if (!a || !b || a == b || iA == g.vertexOf.constEnd() || iB == g.vertexOf.constEnd())
                continue;
            const GLuint ends[2] = {*iA, *iB};
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

QVector<StructureView::PickItem> StructureView::pickItemsWithin(int kind, const QSet<VaroObjectRef>& objects,
                                                                const QRect& area) const
{
    QVector<PickItem> items;
    const GeometryVBO& g = geometryVBO;
    const QVector<QVector3D>& v = g.nodeVertices.vertices;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const WindowProjection projection(viewport[2], viewport[3]);
    const AreaReach reach(projection, area);
    if (kind == PickNodes) {
        for (int i = 0; i < g.allNodes.indices.size() && i < g.nodes.size() && i < v.size(); ++i) {
            const NodeRef& node = g.nodes[i];
            if (objects.contains(node) && reach.point(v[i]))
                items.append({node, GLuint(i), GLuint(i)});
        }
    } else if (kind == PickMembers) {
        for (const MemberRef& member : g.members) {
            if (!objects.contains(member))
                continue;
            const auto a = g.vertexOf.constFind(member->nodeA().data());
            const auto b = g.vertexOf.constFind(member->nodeB().data());
            if (a == g.vertexOf.constEnd() || b == g.vertexOf.constEnd() || *a == *b || int(*a) >= v.size()
                || int(*b) >= v.size())
                continue;
            if (reach.line(v[int(*a)], v[int(*b)]))
                items.append({member, *a, *b});
        }
    }
    return items;
}

QSet<VaroObjectRef> StructureView::pickCandidatesWithin(int kind, const QSet<VaroObjectRef>& objects,
                                                        const QRect& area) const
{
    return kind == PickLoads ? objects : objectsOf(pickItemsWithin(kind, objects, area));
}

QMap<int, VaroObjectRef> StructureView::renderColourEncodedItems(int kind, const QVector<PickItem>& items,
                                                                 const QSet<VaroObjectRef>& remaining)
{
    QMap<int, VaroObjectRef> map;
    const QVector<QVector3D>& v = geometryVBO.nodeVertices.vertices;
    QVector<QVector3D> vertices;
    QVector<quint32> colours;
    const int ends = kind == PickMembers ? 2 : 1;
    vertices.reserve(items.size() * ends);
    colours.reserve(items.size() * ends);
    int index = 0;
    for (const PickItem& item : items) {
        if (!remaining.contains(item.object))
            continue;
        const unsigned rgb = iQColour::rgbForIndex(index);
        // The bytes r, g, b, a in memory, as glColorPointer reads them.
        const quint32 rgba = qToLittleEndian(quint32(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16)
                                                     | 0xFF000000u));
        vertices.append(v[int(item.a)]);
        colours.append(rgba);
        if (ends == 2) {
            vertices.append(v[int(item.b)]);
            colours.append(rgba);
        }
        map.insert(index++, item.object);
    }
    if (vertices.isEmpty())
        return map;
    const bool previous = shadowState->enableVertexArray(true);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.constData());
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours.constData());
    if (ends == 2) {
        glDrawArrays(GL_LINES, 0, vertices.size());
        // A point at the first end, so that a member seen end-on still covers a pixel.
        glVertexPointer(3, GL_FLOAT, 2 * sizeof(QVector3D), vertices.constData());
        glColorPointer(4, GL_UNSIGNED_BYTE, 2 * sizeof(quint32), colours.constData());
        glDrawArrays(GL_POINTS, 0, vertices.size() / 2);
    } else {
        glDrawArrays(GL_POINTS, 0, vertices.size());
    }
    glDisableClientState(GL_COLOR_ARRAY);
    shadowState->enableVertexArray(previous);
    return map;
}

QSet<int> StructureView::readIndicesInArea(FrameBufferType type, const QRect& area)
{
    if (type == PixelBuffer && !(selectionPixelBuffer && selectionPixelBuffer->isValid()))
        return QSet<int>();
    QImage pixels(area.size(), QImage::Format_RGB32);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // Bottom row first; the order does not matter to a set.
    glReadPixels(area.left(), area.top(), area.width(), area.height(), GL_BGRA, GL_UNSIGNED_BYTE, pixels.bits());
    return extractAllIndexesFromImage(pixels, pixels.rect());
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
    // What cannot reach the target is left out; the rest draws as it would.
    const QRect target(0, 0, s, s);
    for (int kind : candidates.keys()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        int next = 0;
        QMap<int, VaroObjectRef> map = renderColourEncoded(
            kind, pickCandidatesWithin(kind, candidates[kind] - selectedOfKind[kind], target), &next);
        glClear(GL_DEPTH_BUFFER_BIT);
        const QMap<int, VaroObjectRef> selectedMap =
            renderColourEncoded(kind, pickCandidatesWithin(kind, selectedOfKind[kind], target), &next);
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
    // The box's pixels in the target, whose top row is widget row Y1.
    const QRect area(0, ph - (Y2 - Y1), X2 - X1, Y2 - Y1);

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
    // What lies outside the box can neither be found nor hide anything in
    // it, so neither is drawn. Which objects the passes find together does
    // not depend on the order they are drawn in: one draw per primitive.
    glScissor(area.left(), area.top(), area.width(), area.height());
    glEnable(GL_SCISSOR_TEST);
    for (int kind : candidates.keys()) {
        if (masterKind >= 0 && kind != masterKind)
            continue;
        const QVector<PickItem> items =
            kind == PickLoads ? QVector<PickItem>() : pickItemsWithin(kind, candidates[kind], area);
        result += collectFromPasses(kind == PickLoads ? candidates[kind] : objectsOf(items),
                                    [&](const QSet<VaroObjectRef>& remaining, QMap<int, VaroObjectRef>* map) {
                                        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                                        int next = 0;
                                        *map = kind == PickLoads ? renderColourEncoded(kind, remaining, &next)
                                                                 : renderColourEncodedItems(kind, items, remaining);
                                        return readIndicesInArea(type, area);
                                    });
    }
    glDisable(GL_SCISSOR_TEST);
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
    // The sphere fills the view less a 32-pixel margin on every side. Before
    // the first frame the widget stands in for the viewport.
    const double vw = viewportCache[2] > 0.0 ? viewportCache[2] : std::max(2, frameSize().width());
    const double vh = viewportCache[3] > 0.0 ? viewportCache[3] : std::max(2, frameSize().height());
    return viewFrame.distanceToFill(radius, (vw - 64.0) / vw, (vh - 64.0) / vh);
}
