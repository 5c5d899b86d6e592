#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPen>

#include <functional>

// Program-wide colours, pens, brushes and fonts. They hold their values from
// the moment the program is loaded; initialiseVisualConstants() sets them
// again and runs the initialisers later subsystems add, first when the
// application object is made and again at start-up.

extern QColor _kelvoryRed;

namespace Colours {
extern QColor nodePoint, support, memberMajor, memberMinor, memberIgnore, memberInvalid, memberPin,
    defaultRenderedMember;
extern QColor loadLinear, loadMagnitudeDecoration;
extern QColor reactionLinear, reactionTorque, interrogatedReactionLinear, interrogatedReactionTorque;
extern QColor failed, warning;
extern QColor deflection, bendingMoment, shearForce, highlightWorstCaseResult;
extern QColor interrogatedDeflection, interrogatedBendingMoment, interrogatedShearForce;
extern QColor pointsOfInterest, selected, selectedNew, selectedFaded, masterAxes, triadText, sky, ground;
extern QColor positionBar, interrogator, editText, annotation, annotationFaint;
extern QColor displacementLinear, displacementRotation, tensionCompressionAX, tensionCompressionBM;
}

namespace Pens {
extern QPen positionBar, dimensionBar, interrogator, selectionBox, selectionBoxHandles;
extern QPen loadMagnitudeDecoration, triadLarge, triadSmall;
// Print pens: widths are in millimetres, applied with iQPainter::setMetricPen.
extern QPen printHeader, printItemDivider, printInternalDivider, printPOIGuide, printStructureGhost,
    printHighlightThick, printHighlightThin, printEnvelopeDeflection, printEnvelopeShearForce,
    printEnvelopeBendingMoment;
}

namespace Brushes {
extern QBrush translucentBackground, selectionBox;
}

namespace Fonts {
extern QFont standard, failed, triadLarge, triadSmall;
extern QFont printHeader, printFooter, printHighlight;
}

void initialiseVisualConstants();

// Adds a start-up step for a later subsystem's own constants. It runs at once
// when the constants are already initialised, and again at every
// initialiseVisualConstants().
void addVisualConstantsInitialiser(const std::function<void()>& initialiser);
