#include "FoundationMetaTypes.h"

#include "CalculatorReference.h"
#include "UnitSystem.h"
#include "Vectors.h"

void registerFoundationMetaTypes()
{
    qRegisterMetaType<Vector3>("Vector3");
    qRegisterMetaType<Vector4>("Vector4");
    qRegisterMetaType<Matrix4x4>("Matrix4x4");
    qRegisterMetaType<UnitSystem::Conversion>("UnitSystem::Conversion");
    qRegisterMetaType<CalculatorReference>("CalculatorReference");
}
