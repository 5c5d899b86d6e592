#include "SectionSizePicker.h"

#include <QCoreApplication>
#include <QRegularExpression>

SectionSizePicker::SectionSizePicker(QWidget* parent, Qt::WindowFlags flags) : LibraryPicker<SectionLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Section Size").arg(QCoreApplication::applicationName()));
}

void SectionSizePicker::setCategoryItem(const SectionLibrary::ItemRef& item)
{
    categoryItem = item;
    emitter->trigger();
}

void SectionSizePicker::setSelection(const SectionTypeRef& sectionType)
{
    const CrossSectionRef section = sectionType ? sectionType->crossSection() : CrossSectionRef();
    selectMatching(section ? categoryItem : ItemRef(), &SectionType::isSizeNameEqualTo,
                   section ? section->names().value(2) : QString(), false);
}

void SectionSizePicker::cellClicked(PickerCell*, const ItemRef& item)
{
    currentItem = item;
    highlightCurrentItem();
    emit SizeChosen(item);
}

// Sizes share a panel while the leading half (rounded up) of the numbers in
// their names equals that of the panel's first size: 203 x 133 x 25 and
// 203 x 133 x 30 together, 254 x 102 x 22 in the next panel.
void SectionSizePicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QVBoxLayout* layout = newColumnLayout();
    if (categoryItem) {
        static const QRegularExpression nonNumber(QStringLiteral("[^\\d\\.]"));
        QStringList key;
        QList<PickerCell*> block;
        for (const ItemRef& item : SectionLibrary::castItems(categoryItem->subnodes())) {
            const SectionTypeRef sectionType = item->value();
            if (!sectionType || !sectionType->crossSection())
                continue;
            const QString name = sectionType->crossSection()->names().value(2);
            const QStringList parts = name.split(nonNumber, Qt::SkipEmptyParts);
            if (key.isEmpty() || block.isEmpty()) {
                key = parts;
            } else {
                for (int i = 0; i < (parts.size() + 1) / 2; ++i) {
                    if (key.value(i) != parts.value(i)) {
                        PickerCell::setGroupBorders(block);
                        block.clear();
                        key = parts;
                        layout->addSpacing(1);
                        break;
                    }
                }
            }
            auto* cell = new PickerCell(PickerCell::standardType1(name, QString()), nullptr);
            block << cell;
            layout->addWidget(cell, 0);
            registerCell(cell, item, name);
        }
        PickerCell::setGroupBorders(block);
    }
    setContentLayout(layout, scroll);
}
