#pragma once

#include "ModelRefs.h"

#include <QList>

#include <functional>

// The loads acting in a load case, given the structure's members and loads
// (both in the structure's order). A loading yields its own loads; a gravity
// case one uniform self-weight load per analysed member; a sway case and a
// combination factored copies of their components' loads, all or nothing.
// Generated loads are new objects that never enter the document. A super
// load case that reaches itself through its components yields nothing.
QList<LoadRef> expandLoadCase(const LoadCaseRef& loadCase, const QList<MemberRef>& members,
                              const QList<LoadRef>& loads);

// The loads of each of the load cases, in their order, each as
// expandLoadCase gives it, but every case expanded once however many others
// name it, so that the work is in proportion to the loads made. carryOn is
// asked every so often; when it answers false the expansion is abandoned,
// `expanded` is left incomplete and the result is false.
bool expandLoadCases(const QList<LoadCaseRef>& loadCases, const QList<MemberRef>& members,
                     const QList<LoadRef>& loads, QList<QList<LoadRef>>* expanded,
                     const std::function<bool()>& carryOn = {});
