#pragma once

#include "CrossSection.h"

// The 300 × 150 steel I-beam every member of the benchmark building frames uses.
inline CrossSectionRef makeBenchIBeam()
{
    const CrossSectionRef section(new CrossSection);
    section->setShape(CrossSection::IBeam);
    section->setOverallDepth(0.3);
    section->setTopFlangeWidth(0.15);
    section->setWebThickness(0.007);
    section->setTopFlangeThickness(0.011);
    section->compute();
    return section;
}
