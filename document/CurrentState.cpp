#include "CurrentState.h"

#include "GeometryGroup.h"
#include "Group.h"
#include "LoadCase.h"
#include "ModelXml.h"
#include "NumberFormat.h"
#include "VaroObject.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

CurrentState::CurrentState(QObject* parent) : QObject(parent) {}

CurrentState::CurrentState(const CurrentState& other, QObject* parent)
    : QObject(parent),
      selectionBoxVisible(other.selectionBoxVisible),
      groupRef(other.groupRef),
      interrogatorObjectRef(other.interrogatorObjectRef),
      interrogatorPositionValue(other.interrogatorPositionValue),
      loadCaseRef(other.loadCaseRef),
      modeValue(other.modeValue),
      renderHintValue(other.renderHintValue),
      resultModeValue(other.resultModeValue),
      scaleBendingMoments(other.scaleBendingMoments),
      scaleDeflections(other.scaleDeflections),
      scaleGeometryInvariants(other.scaleGeometryInvariants),
      scaleLoads(other.scaleLoads),
      scaleReactions(other.scaleReactions),
      scaleShearForces(other.scaleShearForces),
      selectionBoxRect(other.selectionBoxRect)
{
}

CurrentState::~CurrentState() = default;

CurrentState& CurrentState::operator=(const CurrentState& other)
{
    setRenderHints(other.renderHintValue);
    selectionBoxVisible = other.selectionBoxVisible;
    setGroup(other.groupRef);
    setInterrogatorObject(other.interrogatorObjectRef);
    setInterrogatorPosition(other.interrogatorPositionValue);
    setLoadCase(other.loadCaseRef);
    setMode(int(other.modeValue));
    setResultMode(int(other.resultModeValue));
    setScaleBendingMoments(other.scaleBendingMoments);
    setScaleDeflections(other.scaleDeflections);
    setScaleGeometryInvariants(other.scaleGeometryInvariants);
    setScaleLoads(other.scaleLoads);
    setScaleReactions(other.scaleReactions);
    setScaleShearForces(other.scaleShearForces);
    selectionBoxRect = other.selectionBoxRect;
    emit SelectionBoxVisibilityHasChanged(selectionBoxVisible);
    emit SelectionBoxHasChanged();
    return *this;
}

void CurrentState::setRenderHints(int hints)
{
    if (hints == renderHintValue)
        return;
    renderHintValue = hints;
    emit RenderHintHasChanged();
}

void CurrentState::setRenderHintFlag(RenderHint hint, bool on)
{
    setRenderHints(on ? (renderHintValue | hint) : (renderHintValue & ~hint));
}

void CurrentState::setRenderHint(RenderHint hints)
{
    setRenderHints(hints);
}

void CurrentState::reset()
{
    const CurrentState defaults;
    removeSelectionBox();
    resizeSelectionBox(defaults.selectionBoxRect);
    setGroup(GroupRef());
    setInterrogatorObject(VaroObjectRef());
    setInterrogatorPosition(defaults.interrogatorPositionValue);
    setLoadCase(LoadCaseRef());
    setMode(int(defaults.modeValue));
    setResultMode(int(defaults.resultModeValue));
    setScaleBendingMoments(defaults.scaleBendingMoments);
    setScaleDeflections(defaults.scaleDeflections);
    setScaleGeometryInvariants(defaults.scaleGeometryInvariants);
    setScaleLoads(defaults.scaleLoads);
    setScaleReactions(defaults.scaleReactions);
    setScaleShearForces(defaults.scaleShearForces);
    setRenderHints(defaults.renderHintValue);
}

void CurrentState::writeXML(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("CurrentState"));
    ModelXml::writeReference(writer, QStringLiteral("group"), groupRef.data());
    if (interrogatorObjectRef) {
        ModelXml::writeReference(writer, QStringLiteral("interrogatorObject"), interrogatorObjectRef.data());
        writer.writeTextElement(QStringLiteral("interrogatorPosition"),
                                finiteNumberText(interrogatorPositionValue, 'f', 3));
    }
    ModelXml::writeReference(writer, QStringLiteral("loadCase"), loadCaseRef.data());
    writer.writeTextElement(QStringLiteral("mode"), QString::number(modeValue));
    writer.writeTextElement(QStringLiteral("resultMode"), QString::number(resultModeValue));
    const QPair<QString, double> scales[] = {
        {QStringLiteral("scaleBM"), scaleBendingMoments}, {QStringLiteral("scaleDf"), scaleDeflections},
        {QStringLiteral("scaleGI"), scaleGeometryInvariants}, {QStringLiteral("scaleLD"), scaleLoads},
        {QStringLiteral("scaleRe"), scaleReactions}, {QStringLiteral("scaleSF"), scaleShearForces},
    };
    for (const auto& scale : scales)
        writer.writeTextElement(scale.first, finiteNumberText(scale.second, 'g', 6));
    writer.writeEndElement();
}

const XmlForm::Element CurrentState::xmlForm = XmlForm::element(
    "CurrentState", {XmlForm::reference("group", &GeometryGroup::xmlForm),
                     XmlForm::reference("interrogatorObject", nullptr),
                     XmlForm::child("interrogatorPosition", XmlForm::Value::Places, XmlForm::Follows),
                     XmlForm::reference("loadCase", &LoadCase::xmlForm),
                     XmlForm::child("mode", XmlForm::Value::Whole, XmlForm::Always),
                     XmlForm::child("resultMode", XmlForm::Value::Whole, XmlForm::Always),
                     XmlForm::child("scaleBM", XmlForm::Value::Scale, XmlForm::Always),
                     XmlForm::child("scaleDf", XmlForm::Value::Scale, XmlForm::Always),
                     XmlForm::child("scaleGI", XmlForm::Value::Scale, XmlForm::Always),
                     XmlForm::child("scaleLD", XmlForm::Value::Scale, XmlForm::Always),
                     XmlForm::child("scaleRe", XmlForm::Value::Scale, XmlForm::Always),
                     XmlForm::child("scaleSF", XmlForm::Value::Scale, XmlForm::Always)});

void CurrentState::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    const auto lookUp = [idMap](const QString& id) { return idMap ? idMap->value(id.trimmed()) : VaroObjectRef(); };
    // A mode outside its range would leave every view without a known way to
    // draw; the field keeps what it had (-1 here). Text that is no number
    // reads as 0, as it always has.
    const auto modeFrom = [](const QString& text, int last) {
        const qint64 value = text.trimmed().toLongLong();
        return value >= 0 && value <= last ? int(value) : -1;
    };
    typedef void (CurrentState::*ScaleSetter)(double);
    const QMap<QString, ScaleSetter> scaleSetters = {
        {QStringLiteral("scalebm"), &CurrentState::setScaleBendingMoments},
        {QStringLiteral("scaledf"), &CurrentState::setScaleDeflections},
        {QStringLiteral("scalegi"), &CurrentState::setScaleGeometryInvariants},
        {QStringLiteral("scaleld"), &CurrentState::setScaleLoads},
        {QStringLiteral("scalere"), &CurrentState::setScaleReactions},
        {QStringLiteral("scalesf"), &CurrentState::setScaleShearForces},
    };

    ModelXml::readChildren(reader, [&](const QString& name) {
        const QString text = ModelXml::elementText(reader);
        if (name == QLatin1String("group"))
            setGroup(qSharedPointerObjectCast<Group>(lookUp(text)));
        else if (name == QLatin1String("interrogatorobject"))
            setInterrogatorObject(lookUp(text));
        else if (name == QLatin1String("interrogatorposition"))
            setInterrogatorPosition(ModelXml::numberFrom(reader, text));
        else if (name == QLatin1String("loadcase"))
            setLoadCase(qSharedPointerObjectCast<LoadCase>(lookUp(text)));
        else if (name == QLatin1String("mode")) {
            const int value = modeFrom(text, Results);
            if (value >= 0)
                setMode(value);
        } else if (name == QLatin1String("resultmode")) {
            const int value = modeFrom(text, ShearForce);
            if (value >= 0)
                setResultMode(value);
        } else if (scaleSetters.contains(name))
            (this->*scaleSetters.value(name))(ModelXml::numberFrom(reader, text));
        return true;
    });
}

QStringList CurrentState::modeNames()
{
    return {QStringLiteral("Geometry"), QStringLiteral("Loading"), QStringLiteral("Results")};
}

QPixmap CurrentState::resultPixmap() const
{
    switch (resultModeValue) {
    case Reaction:
        return QPixmap(QStringLiteral(":/buttonReaction.png"));
    case Deflection:
        return QPixmap(QStringLiteral(":/buttonDeflection.png"));
    case BendingMoment:
        return QPixmap(QStringLiteral(":/buttonBendingMoment.png"));
    case ShearForce:
        return QPixmap(QStringLiteral(":/buttonShearForce.png"));
    default:
        return QPixmap();
    }
}

void CurrentState::enableRenderSolid(bool on)
{
    setRenderHintFlag(RenderSolid, on);
}

void CurrentState::enableLightWeight(bool on)
{
    setRenderHintFlag(LightWeight, on);
}

void CurrentState::setSelectionBoxVisible(bool visible)
{
    selectionBoxVisible = visible;
    emit SelectionBoxVisibilityHasChanged(visible);
    emit SelectionBoxHasChanged();
}

void CurrentState::removeSelectionBox()
{
    if (selectionBoxVisible)
        setSelectionBoxVisible(false);
}

void CurrentState::toggleDisplayOfSelectionBox()
{
    setSelectionBoxVisible(!selectionBoxVisible);
}

void CurrentState::resizeSelectionBox(const QRectF& box)
{
    selectionBoxRect = box;
    emit SelectionBoxHasChanged();
}

void CurrentState::setGroup(const GroupRef& group)
{
    if (group == groupRef)
        return;
    groupRef = group;
    emit GroupHasChanged(groupRef);
}

void CurrentState::setInterrogatorObject(const VaroObjectRef& object)
{
    if (object == interrogatorObjectRef)
        return;
    interrogatorObjectRef = object;
    emit InterrogatorObjectHasChanged(interrogatorObjectRef);
}

void CurrentState::setInterrogatorPosition(double position)
{
    if (position == interrogatorPositionValue)
        return;
    interrogatorPositionValue = position;
    emit InterrogatorPositionHasChanged(interrogatorPositionValue);
}

void CurrentState::setLoadCase(const LoadCaseRef& loadCase)
{
    if (loadCase == loadCaseRef)
        return;
    loadCaseRef = loadCase;
    emit LoadCaseHasChanged(loadCaseRef);
}

void CurrentState::setMode(Mode mode)
{
    setMode(int(mode));
}

void CurrentState::setMode(int mode)
{
    if (mode == modeValue)
        return;
    modeValue = mode;
    emit ModeHasChanged(modeValue);
}

void CurrentState::setResultMode(int resultMode)
{
    if (resultMode == resultModeValue)
        return;
    resultModeValue = resultMode;
    emit ResultModeHasChanged(resultModeValue);
}

void CurrentState::setResultMode(ResultMode resultMode)
{
    setResultMode(int(resultMode));
}

void CurrentState::setScale(double* scale, double value)
{
    if (value == *scale)
        return;
    *scale = value;
    emit ScalesHaveChanged();
}

void CurrentState::setScaleBendingMoments(double scale)
{
    setScale(&scaleBendingMoments, scale);
}

void CurrentState::setScaleDeflections(double scale)
{
    setScale(&scaleDeflections, scale);
}

void CurrentState::setScaleGeometryInvariants(double scale)
{
    setScale(&scaleGeometryInvariants, scale);
}

void CurrentState::setScaleLoads(double scale)
{
    setScale(&scaleLoads, scale);
}

void CurrentState::setScaleReactions(double scale)
{
    setScale(&scaleReactions, scale);
}

void CurrentState::setScaleShearForces(double scale)
{
    setScale(&scaleShearForces, scale);
}

void CurrentState::toggleRenderSolid()
{
    setRenderHints(renderHintValue ^ RenderSolid);
}
