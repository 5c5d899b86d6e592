#pragma once

// Registers the foundation's value types for queued signals and string-based
// connections under the names the signatures spell: "Vector3", "Vector4",
// "Matrix4x4", "UnitSystem::Conversion" and "CalculatorReference".
void registerFoundationMetaTypes();
