#include "SectionCountryPicker.h"

#include <QCoreApplication>

SectionCountryPicker::SectionCountryPicker(QWidget* parent, Qt::WindowFlags flags)
    : LibraryPicker<SectionLibrary>(parent, flags), materialOnly(new SectionLibrary::Item)
{
    setWindowTitle(QStringLiteral("%1 Section Country").arg(QCoreApplication::applicationName()));
}

void SectionCountryPicker::setSelection(const SectionTypeRef& sectionType)
{
    const CrossSectionRef section = sectionType ? sectionType->crossSection() : CrossSectionRef();
    QString country = section ? section->names().value(0) : QString();
    if (country.isEmpty())
        country = QStringLiteral("Custom");
    selectMatching(section ? rootNode() : TreeNodeRef(), &SectionType::isCountryNameEqualTo, country, false);
}

void SectionCountryPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    currentItem = item;
    highlightCurrentItem();
    emit CountryChosen(item);
}

void SectionCountryPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QVBoxLayout* layout = newColumnLayout();
    if (library) {
        const ItemRef custom = library->customCountryItem();
        const auto addCell = [this, layout](const ItemRef& item, const QString& title) {
            auto* cell = new PickerCell(PickerCell::standardType1(title, QString()), nullptr);
            registerCell(cell, item, title);
            layout->addWidget(cell, 0);
            return cell;
        };
        QList<PickerCell*> block;
        for (const ItemRef& item : SectionLibrary::castItems(library->root()->subnodes())) {
            const SectionTypeRef sectionType = item->value();
            if (item != custom && sectionType && sectionType->crossSection())
                block << addCell(item, sectionType->crossSection()->names().value(0));
        }
        PickerCell::setGroupBorders(block);
        layout->addSpacing(8);
        addCell(custom, tr("Custom"));
        layout->addSpacing(8);
        addCell(materialOnly, tr("Material only"));
    }
    setContentLayout(layout, scroll);
}
