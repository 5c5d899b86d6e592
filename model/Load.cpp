#include "Load.h"

#include "LoadAxis.h"
#include "LoadCase.h"
#include "Member.h"
#include "ModelXml.h"
#include "Node.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace {
const double smallestForce = std::ldexp(1.0, -10);

Vector3 midpointOf(const Member& member)
{
    const Vector3 a = member.nodeA() ? member.nodeA()->position() : Vector3();
    const Vector3 b = member.nodeB() ? member.nodeB()->position() : Vector3();
    return (a + b) * 0.5;
}
}

Load::Load(const MemberRef& member)
{
    attachTo(member);
}

Load::~Load() = default;

LoadAxisRef Load::defaultLoadAxis()
{
    return VaroObject::make<LoadAxis>(Axis(Vector3::vectorY, NodeRef(), true, false), QString());
}

void Load::attachTo(const MemberRef& member)
{
    disconnect(memberConnection);
    memberRef = member;
    // A load the analysis generates lives in the analysis's thread, which
    // runs no event loop: a signal of the member would post it an event that
    // waits, and costs, until the load goes. It listens to nothing, and the
    // analysis brings its cache up to date itself.
    if (member && member->thread() == thread())
        memberConnection = connect(member.data(), &Member::OrientationHasChanged, this, &Load::invalidateCache);
}

void Load::setMember(const MemberRef& member)
{
    attachTo(member);
    invalidateCache();
    stamp();
}

void Load::setAxis(const LoadAxisRef& axis)
{
    axisRef = axis;
    invalidateCache();
    stamp();
}

void Load::setLoadCase(const LoadCaseRef& loadCase)
{
    loadCaseRef = loadCase;
    stamp();
}

double Load::clampedPosition(double position)
{
    if (std::isnan(position))
        return 1.0;
    return std::min(1.0, std::max(0.0, position));
}

double Load::flooredForce(double force)
{
    if (std::isnan(force))
        return smallestForce;
    if (std::fabs(force) < smallestForce)
        return std::signbit(force) ? -smallestForce : smallestForce;
    return force;
}

void Load::placePairAt(int index)
{
    const PositionedForce pair = pairs.takeAt(index);
    int i = index;
    while (i > 0 && pairs[i - 1].first > pair.first)
        --i;
    while (i < pairs.size() && pairs[i].first < pair.first)
        ++i;
    pairs.insert(i, pair);
}

void Load::setPositionAndForceAtIndex(const PositionedForce& pair, int index)
{
    if (index < 0)
        return;
    const PositionedForce clamped(clampedPosition(pair.first), pair.second);
    if (index < pairs.size()) {
        pairs[index] = clamped;
    } else {
        index = pairs.size();
        pairs.append(clamped);
    }
    placePairAt(index);
    stamp();
}

void Load::setForceAtIndex(double force, int index)
{
    if (index < 0 || index >= pairs.size())
        return;
    pairs[index].second = flooredForce(force);
    stamp();
}

void Load::setPositionAtIndex(double position, int index)
{
    if (index < 0 || index >= pairs.size())
        return;
    pairs[index].first = clampedPosition(position);
    placePairAt(index);
    stamp();
}

void Load::storeSorted(const QList<PositionedForce>& newPairs)
{
    pairs.clear();
    for (const PositionedForce& pair : newPairs)
        pairs.append(PositionedForce(clampedPosition(pair.first), pair.second));
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const PositionedForce& a, const PositionedForce& b) { return a.first < b.first; });
}

void Load::setPositionedForces(const QList<PositionedForce>& newPairs)
{
    storeSorted(newPairs);
    stamp();
}

bool Load::directionForAxes(const Matrix3x3& axes, Vector3* direction) const
{
    if (!axisRef || !memberRef)
        return false;
    return axisRef->axis().globalDirectionForMember(midpointOf(*memberRef), axes, direction);
}

void Load::updateCache()
{
    QWriteLocker lock(&cacheLock);
    // Published in one step, as the member's cache is (see Member).
    Vector3 direction;
    const bool valid = axisRef && (axisRef->axis().node() || axisRef->axis().hasUnitVector()) && memberRef
                       && memberRef->bringCacheUpToDate()
                       && directionForAxes(memberRef->transformationMatrix(), &direction);
    cachedVector = valid ? direction : Vector3();
    publishCache(valid);
}

void Load::invalidateCache()
{
    QWriteLocker lock(&cacheLock);
    publishCache(false);
}

Vector3 Load::globalVector() const
{
    QReadLocker lock(&cacheLock);
    return cachedVector;
}

double Load::centroidPosition() const
{
    return firstPosition(0.5);
}

void Load::copySettingsFrom(const Load& other)
{
    attachTo(other.memberRef);
    axisRef = other.axisRef;
    loadCaseRef = other.loadCaseRef;
    pairs = other.pairs;
}

void Load::importFrom(const Load& other)
{
    copySettingsFrom(other);
    invalidateCache();
    stamp();
}

LoadRef Load::makeCopyOnMember(const MemberRef& member) const
{
    const LoadRef copy = clone();
    copy->attachTo(member);
    return copy;
}

void Load::compensateForSwappedMemberEnds()
{
    // The member's axes before the swap are those of the reversed member;
    // only a direction given in local axes can turn round with them.
    double s = 1.0;
    if (memberRef && axisRef) {
        const Vector3 x = memberRef->vectorX();
        Matrix3x3 before;
        Vector3 dBefore, dAfter;
        if (memberRef->isCacheValid() && memberRef->computeTransformGivenLongitudinalVector(-x, &before)
            && directionForAxes(before, &dBefore) && directionForAxes(memberRef->transformationMatrix(), &dAfter)
            && dBefore.dot(dAfter) < 0.0)
            s = -1.0;
    }
    QList<PositionedForce> mirrored;
    for (auto i = pairs.crbegin(); i != pairs.crend(); ++i)
        mirrored.append(PositionedForce(1.0 - i->first, s * i->second));
    pairs = mirrored;
    invalidateCache();
    stamp();
}

bool Load::canBeConsolidatedWith(const Load& other) const
{
    if (memberRef != other.memberRef || loadCaseRef != other.loadCaseRef)
        return false;
    if (axisRef && other.axisRef && axisRef->axis() != other.axisRef->axis())
        return false;
    return pairs == other.pairs;
}

void Load::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    QList<PositionedForce> read;
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("member")) {
            attachTo(resolveReference<Member>(reader, idMap, ModelXml::elementText(reader).trimmed()));
        } else if (name == QLatin1String("loadaxis")) {
            axisRef = resolveReference<LoadAxis>(reader, idMap, ModelXml::elementText(reader).trimmed());
        } else if (name == QLatin1String("loadcase")) {
            loadCaseRef = resolveReference<LoadCase>(reader, idMap, ModelXml::elementText(reader).trimmed());
        } else if (name == QLatin1String("pair")) {
            // A missing position reads as empty text, which is refused like a damaged one.
            const double position =
                ModelXml::numberFrom(reader, reader.attributes().value(QStringLiteral("position")).toString());
            read.append(PositionedForce(position, ModelXml::numberFrom(reader, ModelXml::elementText(reader))));
        } else {
            return false;
        }
        return true;
    });
    storeSorted(read);
    invalidateCache();
}

void Load::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(elementName());
    writer.writeAttribute(QStringLiteral("ref"), id);
    ModelXml::writeReference(writer, QStringLiteral("Member"), memberRef.data());
    ModelXml::writeReference(writer, QStringLiteral("LoadAxis"), axisRef.data());
    ModelXml::writeReference(writer, QStringLiteral("LoadCase"), loadCaseRef.data());
    for (const PositionedForce& pair : pairs) {
        writer.writeStartElement(QStringLiteral("Pair"));
        writer.writeAttribute(QStringLiteral("position"), ModelXml::numberText(pair.first));
        writer.writeCharacters(ModelXml::numberText(pair.second));
        writer.writeEndElement();
    }
    writer.writeEndElement();
}

namespace {
const XmlForm::Element pairForm = XmlForm::valued(
    "Pair", XmlForm::Value::Number, {XmlForm::attribute("position", XmlForm::Value::Number, XmlForm::Always)});
}

const XmlForm::Element Load::xmlForm =
    XmlForm::element(nullptr,
                     {XmlForm::reference("Member", &Member::xmlForm, XmlForm::Always),
                      XmlForm::reference("LoadAxis", &LoadAxis::xmlForm),
                      XmlForm::reference("LoadCase", &LoadCase::xmlForm), XmlForm::child(pairForm, XmlForm::Repeated)},
                     &VaroObject::xmlForm);

QList<VaroObjectRef> Load::references() const
{
    QList<VaroObjectRef> list;
    for (const VaroObjectRef& object : {VaroObjectRef(memberRef), VaroObjectRef(axisRef), VaroObjectRef(loadCaseRef)})
        if (object)
            list.append(object);
    return list;
}
