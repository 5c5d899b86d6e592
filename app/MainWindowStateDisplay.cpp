#include "MainWindow.h"

#include "CurrentState.h"
#include "PaintHelpers.h"

#include <QSlider>
#include <cmath>

namespace {

const int decades = 8;
const int lowestDecade = -6;
const double deflectionScaleFactor = 1000.0;

} // namespace

QIcon MainWindow::iconForButtonTabResults() const
{
    QPixmap off(QStringLiteral(":/tabResultsOff.png"));
    QPixmap on(QStringLiteral(":/tabResultsOn.png"));
    if (!resultsBadge.isEmpty()) {
        const QPixmap badge(resultsBadge);
        off = blendPixmaps(off, badge);
        on = blendPixmaps(on, badge);
    }
    QIcon icon;
    icon.addPixmap(off, QIcon::Normal, QIcon::Off);
    icon.addPixmap(on, QIcon::Normal, QIcon::On);
    return icon;
}

// ---- The scale slider: 32 positions to a decade, from 1e-6 to 1e2

namespace {

// The scale the slider stands for in the present mode: the state's value
// divided by the factor, and the setter that takes it back.
struct SliderScale
{
    double value;
    void (CurrentState::*set)(double);
    double factor;
};

SliderScale sliderScale(const CurrentState& state)
{
    if (state.mode() == CurrentState::Geometry)
        return {state.scaleGI(), &CurrentState::setScaleGeometryInvariants, 1.0};
    if (state.mode() == CurrentState::Loading)
        return {state.scaleLD(), &CurrentState::setScaleLoads, 1.0};
    if (state.mode() == CurrentState::Results) {
        switch (state.resultMode()) {
        case CurrentState::Reaction:
            return {state.scaleRe(), &CurrentState::setScaleReactions, 1.0};
        case CurrentState::Deflection:
            return {state.scaleDf() / deflectionScaleFactor, &CurrentState::setScaleDeflections,
                    deflectionScaleFactor};
        case CurrentState::BendingMoment:
            return {state.scaleBM(), &CurrentState::setScaleBendingMoments, 1.0};
        case CurrentState::ShearForce:
            return {state.scaleSF(), &CurrentState::setScaleShearForces, 1.0};
        }
    }
    return {1.0, nullptr, 1.0};
}

} // namespace

void MainWindow::updateScaleSliderForScale()
{
    double fraction = (std::log10(sliderScale(*state).value) - lowestDecade) / decades;
    if (std::isnan(fraction))
        fraction = 1.0;
    fraction = qBound(0.0, fraction, 1.0);
    const int range = scaleSlider->maximum() - scaleSlider->minimum();
    scaleSlider->setSliderPosition(scaleSlider->minimum() + int(std::lrint(fraction * range)));
}

void MainWindow::updateScaleSliderForPosition(int position)
{
    const SliderScale shown = sliderScale(*state);
    if (!shown.set)
        return;
    const int range = scaleSlider->maximum() - scaleSlider->minimum();
    const double scale = std::pow(10.0, double(position - scaleSlider->minimum()) * decades / range + lowestDecade);
    (state.data()->*shown.set)(scale * shown.factor);
}

void MainWindow::applyScaleSliderTooltip()
{
    switch (state->mode()) {
    case CurrentState::Geometry:
        scaleSlider->setToolTip(tr("Drag to change the depicted size of supports and member pins."));
        break;
    case CurrentState::Loading:
        scaleSlider->setToolTip(tr("Drag to change the depicted scaling of loads."));
        break;
    case CurrentState::Results:
        scaleSlider->setToolTip(tr("Drag to change the depicted scaling of result diagrams."));
        break;
    }
}
