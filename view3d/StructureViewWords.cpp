#include "StructureView.h"

#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "ScreenPoints.h"
#include "StructureModel.h"

#include <QPointer>

#include <cmath>
#include <limits>

namespace {

const double shortestMember = 0.0009765625;

// A dead widget, or a cell that holds none, reads as null.
QPointer<QWidget> widgetIn(const QVariant& cell)
{
    return QPointer<QWidget>(qobject_cast<QWidget*>(cell.value<QObject*>()));
}

Vector3 pointIn(const QVariant& cell)
{
    const QVariantList list = cell.toList();
    return Vector3(list.value(0).toDouble(), list.value(1).toDouble(), list.value(2).toDouble());
}

void pushPoint(QStack<QVariant>* stack, const QPoint& point)
{
    stack->push(point.y());
    stack->push(point.x());
}

} // namespace

void StructureView::tryForthWord(const QString& word, QStack<QVariant>* stack, bool* handled) const
{
    if (!stack || !handled || *handled || stack->isEmpty())
        return;
    const QPointer<QWidget> widget = widgetIn(stack->top());
    // Another widget's word, or a view without a document, stays unhandled.
    if (!widget || widget.data() != this || !documentModel)
        return;
    static const QStringList words = {QStringLiteral("SYS:NEARESTNODE"),   QStringLiteral("SYS:NEARESTMEMBER"),
                                      QStringLiteral("SYS:NEARESTLOAD"),   QStringLiteral("SYS:OBJECTHOTSPOT"),
                                      QStringLiteral("SYS:OBJECTWORLDPOSITION"), QStringLiteral("SYS:REGIONCENTRE"),
                                      QStringLiteral("SYS:VIEWPARAMETERS")};
    if (!words.contains(word) || stack->size() < 2)
        return;
    const QVariant widgetCell = stack->pop();
    const QVariant argument = stack->pop();
    const QSharedPointer<StructureModel> structure = documentModel->structureModel();
    const auto global = [this](const Vector3& world) {
        const QPointF s = transformWorldToScreen(world);
        return mapToGlobal(roundScreenPoint(s.x(), s.y()));
    };

    if (word == QLatin1String("SYS:NEARESTNODE")) {
        stack->push(structure->nodes().indexOf(documentModel->nearestNode(pointIn(argument))) + 1);
        *handled = true;
    } else if (word == QLatin1String("SYS:NEARESTMEMBER")) {
        stack->push(structure->members().indexOf(documentModel->nearestMember(pointIn(argument))) + 1);
        *handled = true;
    } else if (word == QLatin1String("SYS:NEARESTLOAD")) {
        const QPoint G = global(pointIn(argument));
        float best = std::numeric_limits<float>::max();
        LoadRef nearest;
        for (const LoadRef& load : documentModel->loadsInLoadCase(currentState->loadCase())) {
            const QPoint d = hotspotOfLoad(load) - G;
            const float distance = float(d.x()) * float(d.x()) + float(d.y()) * float(d.y());
            if (distance < best) {
                best = distance;
                nearest = load;
            }
        }
        stack->push(nearest ? structure->loads().indexOf(nearest) + 1 : 0);
        *handled = true;
    } else if (word == QLatin1String("SYS:OBJECTHOTSPOT") || word == QLatin1String("SYS:OBJECTWORLDPOSITION")) {
        const QStringList parts = argument.toString().toUpper().split(QLatin1Char(':'));
        const bool hotspot = word == QLatin1String("SYS:OBJECTHOTSPOT");
        const int n = parts.size() == 2 ? parts[1].toInt() : 0;
        const QString kind = parts.value(0);
        bool found = false;
        Vector3 world;
        if (kind == QLatin1String("NODE")) {
            const QList<NodeRef> nodes = structure->nodes();
            if (n >= 1 && n <= nodes.size()) {
                world = nodes[n - 1]->position();
                found = true;
            }
        } else if (kind == QLatin1String("MEMBER")) {
            const QList<MemberRef> members = structure->members();
            if (n >= 1 && n <= members.size()) {
                const MemberRef member = members[n - 1];
                member->bringCacheUpToDate();
                if (member->length() > shortestMember) {
                    world = positionOf(member->nodeA()) * 0.5 + positionOf(member->nodeB()) * 0.5;
                    found = true;
                }
            }
        } else if (kind == QLatin1String("LOAD") && hotspot) {
            const QList<LoadRef> loads = structure->loads();
            if (n >= 1 && n <= loads.size()) {
                pushPoint(stack, hotspotOfLoad(loads[n - 1]));
                *handled = true;
            }
        }
        if (found && hotspot) {
            pushPoint(stack, global(world));
            *handled = true;
        } else if (found) {
            stack->push(world.z());
            stack->push(world.y());
            stack->push(world.x());
            *handled = true;
        }
    } else if (word == QLatin1String("SYS:REGIONCENTRE")) {
        static const QMap<QString, ClickRegionEnum> regions = {
            {QStringLiteral("NODEX"), NODEX},
            {QStringLiteral("NODEY"), NODEY},
            {QStringLiteral("NODEZ"), NODEZ},
            {QStringLiteral("MEMBERLENGTH"), MEMBERLENGTH},
            {QStringLiteral("LOADMAGNITUDEAVALUE"), LOADMAGNITUDEAVALUE},
            {QStringLiteral("LOADMAGNITUDEBVALUE"), LOADMAGNITUDEBVALUE},
            {QStringLiteral("LOADSPANAVALUE"), LOADSPANAVALUE},
            {QStringLiteral("LOADSPANABVALUE"), LOADSPANABVALUE},
            {QStringLiteral("LOADSPANBVALUE"), LOADSPANBVALUE},
            {QStringLiteral("RESULTSPANAVALUE"), RESULTSPANAVALUE},
            {QStringLiteral("SELECTIONBOXTOPLEFT"), SELECTIONBOXTOPLEFT},
            {QStringLiteral("SELECTIONBOXBOTTOMRIGHT"), SELECTIONBOXBOTTOMRIGHT}};
        const ClickRegionEnum id = regions.value(argument.toString().toUpper(), NONE);
        const ClickRegion region = id == NONE ? ClickRegion() : determineClickRegion(id);
        if (region.id != NONE) {
            pushPoint(stack, mapToGlobal(region.outline.boundingRect().center()));
            *handled = true;
        }
    } else {
        const double r = argument.toDouble();
        const Vector4 sphere = documentModel->centroidOfNodes();
        const double distance = distanceForRadius(std::fabs(r) < std::ldexp(1.0, -128) ? sphere.w() : r);
        for (double value : {sphere.z(), sphere.y(), sphere.x(), distance, sphere.w()})
            stack->push(value);
        *handled = true;
    }
    stack->push(widgetCell);
}
