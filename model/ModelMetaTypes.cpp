#include "ModelMetaTypes.h"

#include "Axis.h"
#include "Combination.h"
#include "CrossSection.h"
#include "Dof.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "LoadAxis.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "MemberPin.h"
#include "Node.h"
#include "Report.h"
#include "SectionType.h"
#include "Support.h"
#include "SwayCase.h"
#include "Titles.h"
#include "TrapezoidLoad.h"

void registerModelMetaTypes()
{
    qRegisterMetaType<VaroObjectRef>("VaroObjectRef");
    qRegisterMetaType<QList<VaroObjectRef>>("QList<VaroObjectRef>");
    qRegisterMetaType<NodeRef>("NodeRef");
    qRegisterMetaType<MemberRef>("MemberRef");
    qRegisterMetaType<LoadRef>("LoadRef");
    qRegisterMetaType<GroupRef>("GroupRef");
    qRegisterMetaType<GeometryGroupRef>("GeometryGroupRef");
    qRegisterMetaType<LoadCaseRef>("LoadCaseRef");
    qRegisterMetaType<LoadingRef>("LoadingRef");
    qRegisterMetaType<GravityCaseRef>("GravityCaseRef");
    qRegisterMetaType<SuperLoadCaseRef>("SuperLoadCaseRef");
    qRegisterMetaType<SwayCaseRef>("SwayCaseRef");
    qRegisterMetaType<CombinationRef>("CombinationRef");
    qRegisterMetaType<MaterialRef>("MaterialRef");
    qRegisterMetaType<CrossSectionRef>("CrossSectionRef");
    qRegisterMetaType<SectionTypeRef>("SectionTypeRef");
    qRegisterMetaType<LoadAxisRef>("LoadAxisRef");
    qRegisterMetaType<MemberAxisRef>("MemberAxisRef");
    qRegisterMetaType<MemberPinRef>("MemberPinRef");
    qRegisterMetaType<SupportRef>("SupportRef");
    qRegisterMetaType<TitlesRef>("TitlesRef");
    qRegisterMetaType<ReportRef>("ReportRef");
    qRegisterMetaType<Report::ReportBlockRef>("Report::ReportBlockRef");
    qRegisterMetaType<Report::ReportItemRef>("Report::ReportItemRef");
    qRegisterMetaType<Vector4>("Vector4");
    qRegisterMetaType<Material>("Material");
    qRegisterMetaType<Axis>("Axis");
    qRegisterMetaType<Dof>("Dof");
    qRegisterMetaType<TrapezoidLoad::Span>("TrapezoidLoad::Span");
}
