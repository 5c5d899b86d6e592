#include "DocumentXml.h"

#include "Combination.h"
#include "CurrentState.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "LoadAxis.h"
#include "Loading.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "Report.h"
#include "SectionType.h"
#include "Support.h"
#include "SwayCase.h"
#include "Titles.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "ViewPoint.h"

namespace DocumentXml {

namespace {

using namespace XmlForm;

// Objects that a list holds: those it writes whatever names them, and those
// written where another object first names them.
Field standalone(const Element& form)
{
    return child(form, Standalone | Repeated);
}
Field named(const Element& form)
{
    return child(form, Repeated);
}

std::vector<Field> loadCases(Field (*entry)(const Element&))
{
    return {entry(Loading::xmlForm), entry(GravityCase::xmlForm), entry(SwayCase::xmlForm),
            entry(Combination::xmlForm)};
}

// In the writer's order: the nodes, then what follows them (the nodes that
// the structure does not hold), then the members and loads.
std::vector<Field> structureObjects(Field (*entry)(const Element&), const std::vector<Field>& afterNodes = {})
{
    std::vector<Field> fields = {named(Support::xmlForm), named(SectionType::xmlForm), named(MemberAxis::xmlForm),
                                 named(LoadAxis::xmlForm), entry(Node::xmlForm)};
    fields.insert(fields.end(), afterNodes.begin(), afterNodes.end());
    for (const Field& object : {entry(Member::xmlForm), entry(PointLoad::xmlForm), entry(TorqueLoad::xmlForm),
                                entry(TrapezoidLoad::xmlForm),
                                // A group that the libraries lack joins them.
                                standalone(GeometryGroup::xmlForm)})
        fields.push_back(object);
    // A load case that the library lost while a load still names it.
    for (const Field& loadCase : loadCases(named))
        fields.push_back(loadCase);
    return fields;
}

std::vector<Field> operator+(std::vector<Field> a, const std::vector<Field>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Nodes that members and loads point at without the structure holding them.
const Element detachedForm = list("DetachedNodes", structureObjects(named));

} // namespace

const Element structureForm = list("Structure", structureObjects(standalone, {child(detachedForm)}));

namespace {

// 270 bytes: a selected object with its copy count.
const Element selectedForm = valued("ref", Value::Reference, {attribute("count", Value::Whole)})
                                 .costing(6, "selected object", "selected objects");
const Element selectionForm = list("Selection", {standalone(selectedForm)});
// A load case that only a report names lives on through the report alone.
const Element reportsForm = list("Reports", std::vector<Field>{standalone(Report::xmlForm)} + loadCases(named));
// 1350 bytes: a stored view is a camera with its own timer.
const Element storedViewForm = element("ViewPoint", {}, &ViewPoint::xmlForm).costing(27, "stored view", "stored views");
const Element memoryForm =
    list("ViewPointMemory", {child("index", Value::Whole, Repeated | Leads), standalone(storedViewForm)});

} // namespace

// A node that a gravity case's axis names is written before the case, with
// its support.
const Element documentForm =
    list("Document", std::vector<Field>{child(Titles::xmlForm, Always), standalone(GeometryGroup::xmlForm)}
                         + loadCases(standalone)
                         + std::vector<Field>{named(Support::xmlForm), named(Node::xmlForm)}
                         + std::vector<Field>{child(memoryForm, Always), child(structureForm, Always),
                                              child(selectionForm, Always), child(reportsForm)});
// The root's name does not matter: the reader looks for its parts at any depth.
const Element contentForm =
    list("Content", {child(documentForm, Always), child(ViewPoint::xmlForm), child(CurrentState::xmlForm)});

QSet<QString> objectNames(const Element& list)
{
    QSet<QString> names;
    for (const Field& field : list.fields)
        if (XmlForm::isObject(field.form))
            names.insert(QString::fromLatin1(field.form->name).toLower());
    return names;
}

} // namespace DocumentXml
