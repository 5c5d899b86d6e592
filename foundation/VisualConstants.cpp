#include "VisualConstants.h"

#include <QCoreApplication>
#include <QVector>

QColor _kelvoryRed;

namespace Colours {
QColor nodePoint, support, memberMajor, memberMinor, memberIgnore, memberInvalid, memberPin, defaultRenderedMember;
QColor loadLinear, loadMagnitudeDecoration;
QColor reactionLinear, reactionTorque, interrogatedReactionLinear, interrogatedReactionTorque;
QColor failed, warning;
QColor deflection, bendingMoment, shearForce, highlightWorstCaseResult;
QColor interrogatedDeflection, interrogatedBendingMoment, interrogatedShearForce;
QColor pointsOfInterest, selected, selectedNew, selectedFaded, masterAxes, triadText, sky, ground;
QColor positionBar, interrogator, editText, annotation, annotationFaint;
QColor displacementLinear, displacementRotation, tensionCompressionAX, tensionCompressionBM;
}

namespace Pens {
QPen positionBar, dimensionBar, interrogator, selectionBox, selectionBoxHandles;
QPen loadMagnitudeDecoration, triadLarge, triadSmall;
QPen printHeader, printItemDivider, printInternalDivider, printPOIGuide, printStructureGhost, printHighlightThick,
    printHighlightThin, printEnvelopeDeflection, printEnvelopeShearForce, printEnvelopeBendingMoment;
}

namespace Brushes {
QBrush translucentBackground, selectionBox;
}

namespace Fonts {
QFont standard, failed, triadLarge, triadSmall;
QFont printHeader, printFooter, printHighlight;
}

namespace {

QPen roundPen(const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine)
{
    return QPen(QBrush(colour), width, style, Qt::RoundCap, Qt::RoundJoin);
}

QVector<std::function<void()>>& initialisers()
{
    static QVector<std::function<void()>> list;
    return list;
}

bool initialised = false;

void setConstants()
{
    _kelvoryRed = QColor(170, 0, 0);

    using namespace Colours;
    nodePoint = QColor(20, 20, 20);
    support = QColor(0, 128, 0);
    memberMajor = QColor(40, 40, 160);
    memberMinor = QColor(120, 120, 200);
    memberIgnore = QColor(170, 170, 170);
    memberInvalid = QColor(255, 128, 0);
    memberPin = QColor(200, 0, 0);
    defaultRenderedMember = QColor(150, 160, 175);
    loadLinear = QColor(230, 120, 0);
    loadMagnitudeDecoration = QColor(160, 80, 0);
    reactionLinear = QColor(128, 0, 128);
    reactionTorque = QColor(0, 128, 128);
    interrogatedReactionLinear = QColor(192, 64, 192);
    interrogatedReactionTorque = QColor(64, 192, 192);
    failed = QColor(221, 64, 64);
    warning = QColor(221, 64, 64);
    deflection = QColor(128, 128, 0);
    bendingMoment = QColor(0, 112, 160);
    shearForce = QColor(192, 0, 192);
    highlightWorstCaseResult = QColor(160, 0, 0);
    interrogatedDeflection = QColor(176, 176, 32);
    interrogatedBendingMoment = QColor(32, 160, 208);
    interrogatedShearForce = QColor(224, 64, 224);
    pointsOfInterest = QColor(255, 96, 0);
    selected = QColor(255, 200, 0);
    selectedNew = QColor(0, 200, 255);
    selectedFaded = QColor(255, 232, 150);
    masterAxes = QColor(96, 0, 160);
    triadText = QColor(48, 48, 48);
    sky = QColor(200, 225, 250);
    ground = QColor(205, 185, 150);
    positionBar = QColor(0, 192, 128);
    interrogator = QColor(0, 128, 192);
    editText = QColor(0, 0, 0);
    annotation = QColor(0, 128, 192);
    annotationFaint = QColor(64, 160, 221);
    displacementLinear = QColor(0, 0, 0);
    displacementRotation = QColor(0, 0, 128);
    tensionCompressionAX = QColor(0, 0, 0);
    tensionCompressionBM = QColor(128, 128, 128);

    Pens::positionBar = roundPen(Colours::positionBar, 2.0);
    Pens::dimensionBar = roundPen(Colours::positionBar, 1.0);
    Pens::interrogator = roundPen(Colours::interrogator, 2.0);
    Pens::selectionBox = roundPen(QColor(128, 110, 0, 128), 2.0);
    Pens::selectionBoxHandles = roundPen(QColor(196, 165, 0), 2.0);
    Pens::loadMagnitudeDecoration = roundPen(Colours::loadMagnitudeDecoration, 1.0);
    Pens::triadLarge = roundPen(QColor(0, 0, 0), 2.0);
    Pens::triadSmall = roundPen(QColor(0, 0, 0), 1.5);

    const QColor grey(128, 128, 128);
    const QColor highlight(160, 0, 0);
    Pens::printHeader = roundPen(QColor(0, 0, 0), 0.35);
    Pens::printItemDivider = roundPen(grey, 0.35);
    Pens::printInternalDivider = roundPen(grey, 0.2);
    Pens::printPOIGuide = roundPen(grey, 0.2, Qt::DotLine);
    Pens::printStructureGhost = roundPen(grey, 0.2);
    Pens::printHighlightThick = roundPen(highlight, 0.75);
    Pens::printHighlightThin = roundPen(highlight, 0.35);
    Pens::printEnvelopeDeflection = roundPen(QColor(128, 128, 0), 0.35);
    Pens::printEnvelopeShearForce = roundPen(QColor(192, 0, 192), 0.35);
    Pens::printEnvelopeBendingMoment = roundPen(QColor(0, 128, 128), 0.35);

    Brushes::translucentBackground = QBrush(QColor(255, 255, 255, 224));
    Brushes::selectionBox = QBrush(QColor(255, 255, 0, 32));

    const QString helvetica = QStringLiteral("Helvetica");
    Fonts::standard = QFont(helvetica, 12, QFont::Normal);
    Fonts::failed = QFont(helvetica, 14, QFont::Bold);
    Fonts::triadLarge = QFont(helvetica, 12, QFont::Bold);
    Fonts::triadSmall = QFont(helvetica, 9, QFont::Bold);
    Fonts::printHeader = QFont(helvetica, 8, 50, false);
    Fonts::printFooter = QFont(helvetica, 8, 50, false);
    Fonts::printHighlight = QFont(helvetica, 8, 50, false);
}

// The constants hold their values before main() runs, so that nothing reads an
// unset colour.
const bool setAtLoad = (setConstants(), true);

} // namespace

void initialiseVisualConstants()
{
    setConstants();
    initialised = true;
    for (const auto& initialiser : initialisers())
        initialiser();
}

void addVisualConstantsInitialiser(const std::function<void()>& initialiser)
{
    initialisers().append(initialiser);
    if (initialised)
        initialiser();
}

// The style sheets the later subsystems add are empty until their
// initialisers run. They run as soon as an application object exists, before
// any widget can be made, whether or not start-up runs them again.
Q_COREAPP_STARTUP_FUNCTION(initialiseVisualConstants)
