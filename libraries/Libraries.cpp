#include "Libraries.h"

#include "GroupLibrary.h"
#include "LoadAxisLibrary.h"
#include "LoadCaseLibrary.h"
#include "MaterialLibrary.h"
#include "MemberAxisLibrary.h"
#include "MemberPinLibrary.h"
#include "SectionLibrary.h"
#include "SupportLibrary.h"

Libraries::Libraries()
    : groups(new GroupLibrary), loadAxes(new LoadAxisLibrary), loadCases(new LoadCaseLibrary),
      materials(new MaterialLibrary), memberAxes(new MemberAxisLibrary), memberPins(new MemberPinLibrary),
      sections(new SectionLibrary(materials)), supports(new SupportLibrary)
{
}

Libraries::~Libraries() = default;
