#include "MaterialLibrary.h"

namespace {

struct StandardMaterial
{
    const char* name;
    double E;       // Pa
    double G;       // Pa
    double density; // kg/m³
    double CTE;     // 1/K
};

// Published design values. The three structural steels are those of the
// British, European and American section tables; the American values are the
// customary 29000 ksi, 11200 ksi, 490 lb/ft³ and 6.5e-6/°F in SI. Concrete
// takes the mean secant modulus of its class with Poisson's ratio 0.2
// (G = E/2.4). Every one passes the analysis rule 3G >= E.
const StandardMaterial standardMaterials[] = {
    {"Steel S275", 210.0e9, 81.0e9, 7850.0, 12.0e-6},
    {"Steel S235", 210.0e9, 81.0e9, 7850.0, 12.0e-6},
    {"Steel A992", 199.948e9, 77.221e9, 7849.0, 11.7e-6},
    {"Stainless steel 1.4401", 200.0e9, 76.9e9, 8000.0, 16.0e-6},
    {"Aluminium 6082-T6", 70.0e9, 27.0e9, 2700.0, 23.0e-6},
    {"Cast iron EN-GJL-250", 110.0e9, 44.0e9, 7200.0, 11.7e-6},
    {"Concrete (25)", 31.0e9, 31.0e9 / 2.4, 2400.0, 10.0e-6},
    {"Concrete (32)", 33.0e9, 33.0e9 / 2.4, 2400.0, 10.0e-6},
    {"Concrete (40)", 35.0e9, 35.0e9 / 2.4, 2400.0, 10.0e-6},
};

} // namespace

MaterialLibrary::MaterialLibrary()
    : standardBranch(new Item(MaterialRef(), QStringLiteral("Standard"))),
      customBranch(new Item(MaterialRef(), QStringLiteral("Custom")))
{
    root()->appendSubnode(standardBranch);
    root()->appendSubnode(customBranch);
    for (const StandardMaterial& m : standardMaterials) {
        const QString name = QString::fromUtf8(m.name);
        const MaterialRef material(new Material({name}, m.E, m.G, m.density, m.CTE));
        standardBranch->appendSubnode(ItemRef(new Item(material, name)));
    }
}

MaterialLibrary::ItemRef MaterialLibrary::appendCustom(const MaterialRef& material)
{
    return appendItem(customBranch, material, material ? material->name() : QString());
}

void MaterialLibrary::appendAllCustom(const QList<MaterialRef>& materials)
{
    appendItems(materials, [this](const MaterialRef&) { return TreeNodeRef(customBranch); });
}

bool MaterialLibrary::removeCustom(const MaterialRef& material)
{
    return removeItemByValue(customBranch, material);
}

QString MaterialLibrary::uniqueMaterialName() const
{
    return firstFreeNameUnder(customBranch, QStringLiteral("Material %1"));
}

MaterialRef MaterialLibrary::standardMaterial(const QString& name) const
{
    const ItemRef item = findItem(standardBranch, Material::isGenericNameEqualTo, name, false);
    return item ? item->value() : MaterialRef();
}
