#pragma once

#include "TreeLibrary.h"

#include "SectionType.h"

#include <QAtomicInt>
#include <QHash>

class MaterialLibrary;
struct StandardSection;

// The sections: root -> countries -> categories -> sizes, each item holding a
// SectionType whose cross-section is named [country], [country, category] or
// [country, category, size]. The standard countries come from the section
// resource and share its cross-sections; the "Custom" country, last under the
// root, holds one parametric template per shape and no sizes.
class SectionLibrary : public TreeLibrary<SectionTypeRef>
{
public:
    // Each size takes its standard material from the given library; without
    // one the sizes have no material.
    explicit SectionLibrary(const QSharedPointer<MaterialLibrary>& materials);

    ItemRef customCountryItem() const { return customCountry; }

private:
    friend class Libraries;

    void appendStandard(const TreeNodeRef& parent, const StandardSection& section,
                        const QSharedPointer<MaterialLibrary>& materials, QHash<QString, MaterialRef>* found);
    void appendCustomShapes(const MaterialRef& material);

    const ItemRef customCountry;
    // The sets of catalogues that hold it, each counting itself: more than
    // one, and documents share it.
    QAtomicInt holders;
};
