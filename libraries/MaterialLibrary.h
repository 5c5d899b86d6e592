#pragma once

#include "TreeLibrary.h"

#include "Material.h"

// The materials: root subnode 0 holds the nine standard materials, root
// subnode 1 the custom ones; both are branches without a value.
class MaterialLibrary : public TreeLibrary<MaterialRef>
{
public:
    MaterialLibrary();

    // A new item at the end of the custom branch; null when the material is
    // null or already in the library.
    ItemRef appendCustom(const MaterialRef& material);
    // appendCustom for many, the library looked through once.
    void appendAllCustom(const QList<MaterialRef>& materials);
    // Standard materials cannot be removed.
    bool removeCustom(const MaterialRef& material);
    // "Material %1" with the first number free among the custom materials.
    QString uniqueMaterialName() const;

    // The standard material of that first name (compared without regard to
    // case); null when there is none.
    MaterialRef standardMaterial(const QString& name) const;

private:
    const ItemRef standardBranch;
    const ItemRef customBranch;
};
