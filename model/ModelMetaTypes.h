#pragma once

// Registers the model's types for queued signals and string-based
// connections under the names the signatures spell: every Ref typedef
// ("NodeRef", "Report::ReportBlockRef", …), "QList<VaroObjectRef>",
// "Vector4", "Material", "Axis", "Dof" and "TrapezoidLoad::Span".
// Called once at start-up.
void registerModelMetaTypes();
