#include "StructureView.h"

#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "CrossSection.h"
#include "Load.h"
#include "Material.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "ScreenPoints.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "Support.h"
#include "VisualConstants.h"

#include <QAbstractTextDocumentLayout>
#include <QMatrix>
#include <QPainter>
#include <QTextDocument>

#include <cmath>

namespace {

const int centreBottom = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip;
const int rightBottom = Qt::AlignRight | Qt::AlignBottom | Qt::TextDontClip;
const double shortestMember = 0.0009765625;

QRect marginBox(const QFontMetrics& metrics, const QString& text)
{
    return metrics.tightBoundingRect(text).adjusted(-4, -4, 4, 4);
}

QRect clickBox(const QRect& margin)
{
    return margin.adjusted(-4, -4, 4, 4);
}

// The rectangle's own corners: QPolygon(QRect) reaches one pixel further.
QPolygon outlineOf(const QRect& r)
{
    return QPolygon({r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()});
}

QRect topCentre(QRect box, int W)
{
    box.moveTopLeft(QPoint((W - box.width()) / 2, 4));
    return box;
}

QPointF unitVector(const QPointF& v)
{
    const double length = std::hypot(v.x(), v.y());
    return length > 0.0 ? v / length : v;
}

Vector3 axisOf(const Matrix3x3& m, int row)
{
    Vector3 v(m[row][0], m[row][1], m[row][2]);
    return v.lengthSquared() < std::ldexp(1.0, -128) ? v : v.normalised();
}

QString tensionOrCompression(double axial)
{
    if (std::fabs(axial) < std::ldexp(1.0, -128))
        return QString();
    return axial < 0.0 ? QStringLiteral("Tension") : QStringLiteral("Compression");
}

} // namespace

void StructureView::renderPainter(QPainter* painter)
{
    clickRegions.clear();
    painter->setFont(Fonts::standard);
    painter->setBrush(Qt::NoBrush);
    const QFontMetrics metrics = painter->fontMetrics();
    const int mode = currentState->mode();
    if (mode == CurrentState::Geometry)
        paintSectionLabel(painter, metrics);
    if (documentModel->selectionModel()->master()) {
        painter->save();
        paintSelectedObject(painter, metrics);
        painter->restore();
    }
    if (mode == CurrentState::Results)
        paintResultReadouts(painter, metrics);
    if (currentState->isSelectionBoxVisible() && (mode == CurrentState::Geometry || mode == CurrentState::Loading))
        paintSelectionBox(painter);
}

void StructureView::paintTriads(QPainter* painter)
{
    const int w = frameSize().width(), h = frameSize().height();
    paintTriad(painter, QPoint(w - 64, h - 64), 36, false);
    if (drawingTriad)
        paintTriad(painter, QPoint(w / 2, h / 2), std::min(w, h) / 3, true);
}

void StructureView::paintSectionLabel(QPainter* painter, const QFontMetrics&)
{
    const MemberRef member = documentModel->selectionModel()->lastSelectedMember();
    const SectionTypeRef type = member ? member->sectionType() : SectionTypeRef();
    const CrossSectionRef section = type ? type->crossSection() : CrossSectionRef();
    const MaterialRef material = type ? type->material() : MaterialRef();
    if (!section || !material || !(section->isValid() || section->determineValidity()))
        return;
    if (!material->isValid())
        return;
    const QString sectionName = section->genericSizeName();
    const QString materialName = material->names().value(0);
    const Vector3 A = positionOf(member->nodeA()), B = positionOf(member->nodeB());
    const QPointF p1 = transformWorldToScreen(A), p2 = transformWorldToScreen(B);
    const QPointF n(p2.y() - p1.y(), -(p2.x() - p1.x()));
    int side;
    if (member->bringCacheUpToDate()) {
        const Vector3 mid = (A + B) * 0.5;
        const QPointF d = transformWorldToScreen(mid + axisOf(member->transformationMatrix(), 1))
                          - transformWorldToScreen(mid);
        side = d.x() * n.x() + d.y() * n.y() >= 0.0 ? 0x02 : 0x01;
    } else {
        side = -(p2.x() - p1.x()) <= 0.0 ? 0x02 : 0x01;
    }
    const int h = painter->fontMetrics().tightBoundingRect(materialName).height();
    const QPointF at = (p1 + p2) / 2.0;
    painter->save();
    iQt::paintTextAlongLine(painter, sectionName, at, QLineF(p1, p2), QPoint(0, h + 10), 0x80 | 0x04 | side);
    iQt::paintTextAlongLine(painter, materialName, at, QLineF(p1, p2), QPoint(0, 2), 0x80 | 0x04 | side);
    painter->restore();
}

void StructureView::recordNodeHandle(ClickRegionEnum id, const Vector3& position, const Vector3 axes[3])
{
    const QPointF s = transformWorldToScreen(position);
    const QPoint r = roundScreenPoint(s.x(), s.y());
    ClickRegion region;
    region.id = id;
    region.outline = outlineOf(QRect(r.x() - 8, r.y() - 8, 16, 16));
    // The drag measures from the projected node, as it does from a bar's base.
    region.anchor = s;
    region.line = QLineF(s, QPointF());
    for (int a = 0; a < 3; ++a) {
        region.vectors[2 * a] = position;
        region.vectors[2 * a + 1] = axes[a];
    }
    clickRegions.append(region);
}

void StructureView::paintSelectedObject(QPainter* painter, const QFontMetrics& metrics)
{
    const QSharedPointer<SelectionModel> selection = documentModel->selectionModel();
    const VaroObjectRef master = selection->master();
    const int mode = currentState->mode();
    const int W = frameSize().width();
    const NodeRef node = selection->lastSelectedNode();
    const MemberRef member = selection->lastSelectedMember();
    const LoadRef load = selection->lastSelectedLoad();
    const QString length = unitSystem->preferredUnits(UnitSystem::Length);
    if (mode == CurrentState::Geometry && node && master == node) {
        const Vector3 p = node->position();
        QString texts[5] = {QStringLiteral("(x,y,z) = ("),
                            unitSystem->preferredStringFromSI(p.x(), UnitSystem::Length, false),
                            unitSystem->preferredStringFromSI(p.y(), UnitSystem::Length, false),
                            unitSystem->preferredStringFromSI(p.z(), UnitSystem::Length, false),
                            QStringLiteral(") %1").arg(length)};
        QRect boxes[5];
        for (int i = 0; i < 5; ++i)
            boxes[i] = marginBox(metrics, texts[i]);
        boxes[2] = topCentre(boxes[2], W);
        boxes[1].moveTop(4);
        boxes[1].moveRight(boxes[2].left() - 16);
        boxes[3].moveTop(4);
        boxes[3].moveLeft(boxes[2].right() + 16);
        boxes[0].moveRight(boxes[1].left());
        boxes[0].moveBottom(boxes[1].bottom());
        boxes[4].moveLeft(boxes[3].right());
        boxes[4].moveBottom(boxes[3].bottom());
        QRect U;
        for (const QRect& box : boxes)
            U |= box;
        const QString supportName = node->support() ? node->support()->name() : QString();
        QRect supportBox = marginBox(metrics, supportName);
        supportBox.moveTopLeft(QPoint((W - supportBox.width()) / 2, U.bottom()));
        painter->fillRect(U, Brushes::translucentBackground);
        if (!supportName.isEmpty())
            painter->fillRect(supportBox, Brushes::translucentBackground);
        painter->setPen(Colours::editText);
        for (int i = 0; i < 5; ++i)
            painter->drawText(boxes[i], centreBottom, texts[i]);
        const ClickRegionEnum ids[3] = {NODEX, NODEY, NODEZ};
        for (int i = 0; i < 3; ++i) {
            ClickRegion region;
            region.id = ids[i];
            region.outline = outlineOf(clickBox(boxes[i + 1]));
            clickRegions.append(region);
        }
        if (!supportName.isEmpty()) {
            painter->setPen(Colours::annotation);
            painter->drawText(supportBox, centreBottom, supportName);
        }
        const Vector3 axes[3] = {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1)};
        recordNodeHandle(NODEMOVEHANDLE, p, axes);
    } else if (mode == CurrentState::Geometry && member && master == member) {
        member->bringCacheUpToDate();
        const QString text = QStringLiteral("L = %1 %2")
                                 .arg(unitSystem->preferredStringFromSI(member->length(), UnitSystem::Length, false),
                                      length);
        const QRect box = topCentre(marginBox(metrics, text), W);
        painter->fillRect(box, Brushes::translucentBackground);
        painter->setPen(Colours::editText);
        painter->drawText(box, centreBottom, text);
        ClickRegion region;
        region.id = MEMBERLENGTH;
        region.outline = outlineOf(clickBox(box));
        clickRegions.append(region);
        if (member->length() > shortestMember) {
            const Matrix3x3 m = member->transformationMatrix();
            const Vector3 axes[3] = {axisOf(m, 0), axisOf(m, 1), axisOf(m, 2)};
            recordNodeHandle(MEMBERENDMOVEHANDLE, positionOf(member->nodeA()), axes);
            recordNodeHandle(MEMBERENDMOVEHANDLE, positionOf(member->nodeB()), axes);
        }
    } else if (mode == CurrentState::Loading && load && master == load && load->loadCase() == currentState->loadCase()) {
        paintDecorationsForLoad(painter, load);
    }
}

void StructureView::paintResultReadouts(QPainter* painter, const QFontMetrics& metrics)
{
    painter->save();
    painter->translate(4, 4);
    iQt::paintRichText(painter,
                       QStringLiteral("<p>N.B.: Numerical values are<br>not actual and are for<br>comparative purposes "
                                      "only</p>"),
                       QStringLiteral("p { font-size:10pt; font-weight:bold; color:white; border:none; margin:0px; "
                                      "padding:0px; text-align:center; }"),
                       Colours::warning, 0);
    painter->restore();

    const QSharedPointer<AnalysisOutput> output = analysisOutput();
    if (!output) {
        const QString status = documentModel->analysisStatusMessage();
        if (status.isEmpty())
            return;
        painter->save();
        painter->setFont(Fonts::failed);
        QRect box = marginBox(painter->fontMetrics(), status);
        box.moveCenter(QPoint(frameSize().width() / 2, box.height() / 2));
        box.translate(0, 4);
        painter->fillRect(box, QBrush(Colours::failed));
        painter->setBrush(Qt::NoBrush);
        painter->setPen(Qt::white);
        painter->drawText(box, centreBottom, status);
        painter->restore();
        return;
    }
    const QSharedPointer<AnalysisResultCase> results = currentResultCase(output);
    const VaroObjectRef object = currentState->interrogatorObject();
    if (!results || !results->contains(object))
        return;
    painter->save();
    if (const MemberRef member = object.objectCast<Member>())
        paintMemberReadouts(painter, metrics, member, *results, output);
    else if (const NodeRef node = object.objectCast<Node>())
        paintNodeReadouts(painter, metrics, node, *results, output);
    painter->restore();
}

void StructureView::paintMemberReadouts(QPainter* painter, const QFontMetrics& metrics, const MemberRef& member,
                                        const AnalysisResultCase& results,
                                        const QSharedPointer<AnalysisOutput>& output)
{
    const int resultMode = currentState->resultMode();
    if (!member->bringCacheUpToDate() || resultMode == CurrentState::Reaction)
        return;
    const int W = frameSize().width();
    const double f = currentState->interrogatorPosition();
    const double L = member->length();
    const Vector3 A = positionOf(member->nodeA()), B = positionOf(member->nodeB());
    const QPointF p1 = transformWorldToScreen(A), p2 = transformWorldToScreen(B);
    const QLineF memberLine(p1, p2);
    const Vector3 at = A * (1.0 - f) + B * f;
    const QPointF S = transformWorldToScreen(at);
    const QPointF d1 = unitVector(transformWorldToScreen(at + axisOf(member->transformationMatrix(), 1)) - S);
    const QPointF n = unitVector(QPointF(p2.y() - p1.y(), -(p2.x() - p1.x())));
    const bool side = d1.x() * n.x() + d1.y() * n.y() >= 0.0;
    painter->setPen(Pens::positionBar);
    paintPositionBar(painter, memberLine, S, side, RESULTPOSITIONHANDLE);
    painter->setPen(Pens::dimensionBar);
    paintSpanDimension(painter, memberLine, p1, S, L * f, side, RESULTSPANAVALUE);
    paintSpanDimension(painter, memberLine, S, p2, L * (1.0 - f), side, RESULTSPANBVALUE);
    painter->setPen(Pens::interrogator);
    const QPointF anchor = paintInterrogator(painter, memberLine, S, QVector2D(d1));

    const Vector3 deflection = results.deflectionAtPositionOnMember(member, f);
    const Vector6 force = results.forceAtPositionOnMember(member, f);
    const Vector3 kD = DocumentModel::scaleForLocalDeflections(output->localDeflectionScales, unitSystem);
    const Vector6 kF = DocumentModel::scaleForMemberForces(output->memberForceScales, unitSystem);
    const auto text = [this](double v, UnitSystem::Conversion c) { return unitSystem->preferredStringFromSI(v, c, false); };
    const double Ax = force[0] * kF[0];
    QString title, values;
    if (resultMode == CurrentState::Deflection) {
        title = QStringLiteral("(dy, dz)");
        values = QStringLiteral("%1  %2").arg(text(deflection[1] * kD[1], UnitSystem::Distance),
                                             text(deflection[2] * kD[2], UnitSystem::Distance));
    } else if (resultMode == CurrentState::BendingMoment) {
        title = QStringLiteral("(Tx, My, Mz)");
        values = QStringLiteral("%1  %2  %3")
                     .arg(text(force[3] * kF[3], UnitSystem::TorsionMoment),
                          text(force[4] * kF[4], UnitSystem::BendingMoment),
                          text(force[5] * kF[5], UnitSystem::BendingMoment));
    } else {
        title = QStringLiteral("(Ax, Vy, Vz)");
        values = QStringLiteral("%1  %2  %3")
                     .arg(text(Ax, UnitSystem::ShearForce), text(force[1] * kF[1], UnitSystem::ShearForce),
                          text(force[2] * kF[2], UnitSystem::ShearForce));
    }
    const int bits = 0x80 | 0x04 | (side ? 0x01 : 0x02);
    const int h = metrics.tightBoundingRect(QStringLiteral("My")).height();
    painter->setPen(Colours::annotationFaint);
    iQt::paintTextAlongLine(painter, title, anchor, memberLine, QPoint(0, h + 10), bits);
    painter->setPen(Colours::annotation);
    iQt::paintTextAlongLine(painter, values, anchor, memberLine, QPoint(0, 2), bits);
    const QString word = tensionOrCompression(Ax);

    if (resultMode == CurrentState::Deflection) {
        const Vector3 D = results.globalDisplacementAtPositionOnMember(member, f);
        const Vector6 kG = DocumentModel::scaleForGlobalDisplacements(output->globalDisplacementScales, unitSystem);
        const QString line = QStringLiteral("(Dx,Dy,Dz) = (%1, %2, %3) %4")
                                 .arg(text(D[0] * kG[0], UnitSystem::Distance), text(D[1] * kG[1], UnitSystem::Distance),
                                      text(D[2] * kG[2], UnitSystem::Distance), QString());
        const QRect box = topCentre(marginBox(metrics, line), W);
        painter->fillRect(box, Brushes::translucentBackground);
        painter->setPen(Colours::displacementLinear);
        painter->drawText(box, centreBottom, line);
    } else if (resultMode == CurrentState::ShearForce) {
        if (!word.isEmpty()) {
            const QRect box = topCentre(marginBox(metrics, word), W);
            painter->fillRect(box, Brushes::translucentBackground);
            painter->setPen(Colours::tensionCompressionAX);
            painter->drawText(box, centreBottom, word);
        }
    } else {
        const double stress = results.stressAtPositionOnMember(member, f)
                              * DocumentModel::scaleForStress(output->stressScale, unitSystem);
        QTextDocument document;
        document.documentLayout()->setPaintDevice(painter->device());
        document.setDefaultFont(Fonts::standard);
        document.setHtml(QStringLiteral("Bending+axial stress = %1 %2")
                             .arg(text(stress, UnitSystem::BendingStress), QString()));
        const int w = qRound(document.size().width()), h = qRound(document.size().height());
        painter->save();
        painter->translate((W - w - 8) / 2, 4);
        const QRect back(QPoint(-4, -4), QPoint(w + 3, h + 3));
        painter->fillRect(back, Brushes::translucentBackground);
        document.drawContents(painter, back);
        painter->restore();
        if (!word.isEmpty()) {
            QRect box = marginBox(metrics, word);
            box.moveTopLeft(QPoint((W - box.width()) / 2, h + 3));
            painter->fillRect(box, Brushes::translucentBackground);
            painter->setPen(Colours::tensionCompressionBM);
            painter->drawText(box, centreBottom, word);
        }
    }
}

void StructureView::paintNodeReadouts(QPainter* painter, const QFontMetrics& metrics, const NodeRef& node,
                                      const AnalysisResultCase& results,
                                      const QSharedPointer<AnalysisOutput>& output)
{
    const int W = frameSize().width();
    const auto text = [this](double v, UnitSystem::Conversion c) { return unitSystem->preferredStringFromSI(v, c, false); };
    const int resultMode = currentState->resultMode();
    if (resultMode == CurrentState::Reaction) {
        const Vector6 R = results.nodeReactions.value(node, Vector6::zeroed());
        const Vector6 k = DocumentModel::scaleForReactions(output->reactionScales, unitSystem);
        QString values[6];
        QRect U = marginBox(metrics, QStringLiteral("MM"));
        const int mw = U.width();
        for (int i = 0; i < 6; ++i) {
            values[i] = text(R[i] * k[i], i < 3 ? UnitSystem::ReactionForce : UnitSystem::ReactionTorque);
            U |= marginBox(metrics, values[i]);
        }
        const int cw = U.width(), ch = U.height();
        painter->fillRect(QRect(QPoint(W - 15 - 2 * cw - 2 * mw, 4), QPoint(W - 8, 3 * ch + 3)),
                          Brushes::translucentBackground);
        const QStringList forceLabels = {QStringLiteral("Fx"), QStringLiteral("Fy"), QStringLiteral("Fz")};
        const QStringList torqueLabels = {QStringLiteral("Mx"), QStringLiteral("My"), QStringLiteral("Mz")};
        for (int r = 0; r < 3; ++r) {
            const QRect torqueValue(QPoint(W - 7 - cw, 4 + r * ch), QPoint(W - 8, 4 + r * ch + ch - 1));
            const QRect torqueLabel = torqueValue.translated(-(8 + cw), 0);
            const QRect forceValue = torqueValue.translated(-(8 + mw + cw), 0);
            const QRect forceLabel = forceValue.translated(-(8 + cw), 0);
            painter->setPen(Colours::reactionTorque);
            painter->drawText(torqueValue, rightBottom, values[3 + r]);
            painter->drawText(torqueLabel, rightBottom, torqueLabels[r]);
            painter->setPen(Colours::reactionLinear);
            painter->drawText(forceValue, rightBottom, values[r]);
            painter->drawText(forceLabel, rightBottom, forceLabels[r]);
        }
    } else if (resultMode == CurrentState::Deflection) {
        const Vector6 D = results.nodeDisplacements.value(node, Vector6::zeroed());
        const Vector6 k = DocumentModel::scaleForGlobalDisplacements(output->globalDisplacementScales, unitSystem);
        const QString lines[2] = {
            QStringLiteral("(Dx,Dy,Dz) = (%1, %2, %3) %4")
                .arg(text(D[0] * k[0], UnitSystem::Distance), text(D[1] * k[1], UnitSystem::Distance),
                     text(D[2] * k[2], UnitSystem::Distance), QString()),
            QStringLiteral("(Rx,Ry,Rz) = (%1, %2, %3) %4")
                .arg(text(D[3] * k[3], UnitSystem::Rotation), text(D[4] * k[4], UnitSystem::Rotation),
                     text(D[5] * k[5], UnitSystem::Rotation), QString())};
        const QRect first = topCentre(marginBox(metrics, lines[0]), W);
        QRect second = marginBox(metrics, lines[1]);
        second.moveTopLeft(QPoint((W - second.width()) / 2, first.bottom()));
        painter->fillRect(first, Brushes::translucentBackground);
        painter->fillRect(second, Brushes::translucentBackground);
        painter->setPen(Colours::displacementLinear);
        painter->drawText(first, centreBottom, lines[0]);
        painter->setPen(Colours::displacementRotation);
        painter->drawText(second, centreBottom, lines[1]);
    }
}

void StructureView::paintSelectionBox(QPainter* painter)
{
    painter->save();
    const QRect box = selectionBoxArea();
    painter->setPen(Pens::selectionBox);
    painter->setBrush(Brushes::selectionBox);
    painter->drawRect(QRect(box.topLeft(), box.bottomRight()));
    painter->setPen(Pens::selectionBoxHandles);
    painter->setBrush(Qt::NoBrush);
    const QPair<QPoint, ClickRegionEnum> corners[2] = {{box.topLeft(), SELECTIONBOXTOPLEFT},
                                                       {box.bottomRight(), SELECTIONBOXBOTTOMRIGHT}};
    for (const auto& corner : corners) {
        QMatrix frame;
        frame.translate(corner.first.x(), corner.first.y());
        frame.rotate(45);
        painter->drawPolygon(frame.map(handleArrowA));
        painter->drawPolygon(frame.map(handleArrowB));
        ClickRegion region;
        region.id = corner.second;
        region.outline = frame.map(handleOutline);
        clickRegions.append(region);
    }
    painter->restore();
}
