#pragma once

#include "ModelRefs.h"

#include <QList>

// The loads acting in a load case, given the structure's members and loads
// (both in the structure's order). A loading yields its own loads; a gravity
// case one uniform self-weight load per analysed member; a sway case and a
// combination factored copies of their components' loads, all or nothing.
// Generated loads are new objects that never enter the document. A super
// load case that reaches itself through its components yields nothing.
QList<LoadRef> expandLoadCase(const LoadCaseRef& loadCase, const QList<MemberRef>& members,
                              const QList<LoadRef>& loads);

