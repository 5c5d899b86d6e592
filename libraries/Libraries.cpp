#include "Libraries.h"

#include "GroupLibrary.h"
#include "LoadAxisLibrary.h"
#include "LoadCaseLibrary.h"
#include "MaterialLibrary.h"
#include "MemberAxisLibrary.h"
#include "MemberPinLibrary.h"
#include "SectionLibrary.h"
#include "SupportLibrary.h"

Libraries::Libraries(const QSharedPointer<SectionLibrary>& sharedSections)
    : groups(new GroupLibrary), loadAxes(new LoadAxisLibrary), loadCases(new LoadCaseLibrary),
      materials(new MaterialLibrary), memberAxes(new MemberAxisLibrary), memberPins(new MemberPinLibrary),
      sections(sharedSections ? sharedSections : QSharedPointer<SectionLibrary>::create(materials)),
      supports(new SupportLibrary), sectionsShared(sharedSections)
{
    sections->holders.ref();
}

Libraries::~Libraries()
{
    sections->holders.deref();
}

bool Libraries::sharesSections() const
{
    return sectionsShared || sections->holders.loadAcquire() > 1;
}
