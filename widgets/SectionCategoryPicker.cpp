#include "SectionCategoryPicker.h"

#include <QCoreApplication>
#include <QLabel>

SectionCategoryPicker::SectionCategoryPicker(QWidget* parent, Qt::WindowFlags flags)
    : LibraryPicker<SectionLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Section Category").arg(QCoreApplication::applicationName()));
}

void SectionCategoryPicker::setCountryItem(const SectionLibrary::ItemRef& item)
{
    countryItem = item;
    emitter->trigger();
}

void SectionCategoryPicker::setSelection(const SectionTypeRef& sectionType, bool custom)
{
    const CrossSectionRef section = sectionType ? sectionType->crossSection() : CrossSectionRef();
    const TreeNodeRef country = section ? countryItem : ItemRef();
    if (custom)
        selectMatching(country, &SectionType::isShapeEqualTo, section ? section->shape() : 0, false);
    else
        selectMatching(country, &SectionType::isCategoryNameEqualTo, section ? section->names().value(1) : QString(),
                       false);
}

void SectionCategoryPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    currentItem = item;
    highlightCurrentItem();
    emit CategoryChosen(item);
}

void SectionCategoryPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QGridLayout* grid = newGridLayout();
    if (countryItem) {
        QList<PickerCell*> block;
        for (const ItemRef& item : SectionLibrary::castItems(countryItem->subnodes())) {
            const SectionTypeRef sectionType = item->value();
            if (!sectionType || !sectionType->crossSection())
                continue;
            const CrossSectionRef section = sectionType->crossSection();
            auto* icon = new QLabel;
            icon->setPixmap(section->shapePixmap());
            icon->setAlignment(Qt::AlignCenter);
            icon->setStyleSheet(QStringLiteral("QLabel { background-color:none; border:none; width:32px; height:24px; "
                                               "margin:0px; padding:0px 8px 0px 0px; }"));
            const QString title = section->names().value(1);
            auto* cell = new PickerCell(PickerCell::standardType1(title, QString()), nullptr);
            registerCell(cell, item, title);
            const int row = block.size();
            grid->addWidget(icon, row, 0, Qt::AlignCenter);
            grid->addWidget(cell, row, 1);
            block << cell;
        }
        PickerCell::setGroupBorders(block);
        grid->setColumnStretch(1, 1);
    }
    setContentLayout(grid, scroll);
}
