#include "MaterialView.h"

#include "CalculatorField.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "SingleEmitter.h"
#include "UnitLabels.h"
#include "UserDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

MaterialView::MaterialView(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : EntryPage(parent, flags), unitSystem(unitSystem),
      youngsModulusField(new CalculatorField(0.0, unitSystem, UnitSystem::YoungsModulus)),
      shearModulusField(new CalculatorField(0.0, unitSystem, UnitSystem::ShearModulus)),
      densityField(new CalculatorField(0.0, unitSystem, UnitSystem::Density))
{
    setPageTitle(tr("Material"));
    auto* properties = new QGridLayout;
    properties->setContentsMargins(0, 0, 0, 0);
    properties->setSpacing(8);
    const QList<QPair<CalculatorField*, UnitSystem::Conversion>> rows{
        {youngsModulusField, UnitSystem::YoungsModulus},
        {shearModulusField, UnitSystem::ShearModulus},
        {densityField, UnitSystem::Density}};
    for (int row = 0; row < rows.size(); ++row) {
        properties->addWidget(new NomenclatureLabel(unitSystem, rows[row].second, this), row, 0);
        properties->addWidget(rows[row].first, row, 1);
        properties->addWidget(new UnitsLabel(unitSystem, rows[row].second, this), row, 2);
        connectCalculatorField(rows[row].first, row);
        connect(rows[row].first, &CalculatorField::ValueCalculated, this, &MaterialView::propertiesChanged);
    }

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);
    grid->addLayout(createTopRow(false), 0, 0, 1, 2);
    grid->addLayout(properties, 1, 0);
    grid->addWidget(createRemoveButton(), 1, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->addWidget(createFiller(), 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);

    connect(nameEdit, &QLineEdit::textEdited, this, &MaterialView::nameChanged);
    connect(removeButton, &QToolButton::clicked, this, &MaterialView::remove);
    // The fields show their values anew in the new units; without a material
    // they keep the values they hold.
    connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, [this] {
        for (CalculatorField* field : {youngsModulusField, shearModulusField, densityField})
            field->updateText();
        repopulate();
    });
    repopulate();
}

CalculatorField* MaterialView::calculatorField(const QVariant& item) const
{
    const QList<CalculatorField*> fields{youngsModulusField, shearModulusField, densityField};
    return copy ? fields.value(item.toInt()) : nullptr;
}

void MaterialView::setMaterial(const MaterialRef& material)
{
    takeEntry(material);
    // Only custom materials may change.
    setEnabled(!library || library->findItemByValue(MaterialLibrary::subnodeItem(library->root(), 1), target));
}

void MaterialView::setLibrary(const QSharedPointer<MaterialLibrary>& newLibrary)
{
    replaceLibrary(library, newLibrary);
}

void MaterialView::repopulate()
{
    nameEdit->setEnabled(copy != nullptr);
    if (!copy) {
        nameEdit->clear();
        return;
    }
    showText(nameEdit, copy->name());
    densityField->setValueAsSI(copy->density());
    youngsModulusField->setValueAsSI(copy->youngsModulus());
    shearModulusField->setValueAsSI(copy->shearModulus());
}

void MaterialView::nameChanged()
{
    const QStringList names{nameEdit->text().simplified()};
    if (copy && copy->names() != names)
        copy->setNames(names);
}

void MaterialView::propertiesChanged()
{
    if (!copy)
        return;
    const Material edited(QStringList(), youngsModulusField->valueAsSI(), shearModulusField->valueAsSI(),
                          densityField->valueAsSI(), 0.0);
    // A material that members may use must stay one the analysis accepts; a
    // new one, all zero, is filled in one property at a time.
    if (copy->isValid() && !edited.isValid()) {
        UserDialogs::information(this, refusalText(copy->name(), edited));
        repopulate();
        return;
    }
    copy->setPropertiesOnly(edited);
    emitter->trigger();
}

QString MaterialView::refusalText(const QString& name, const Material& edited)
{
    QString rule;
    if (!(edited.density() >= Material::minimumDensity))
        rule = tr("its density must be at least %1 kg/m³").arg(Material::minimumDensity);
    else if (!(edited.youngsModulus() >= Material::minimumYoungsModulus))
        rule = tr("its Young's modulus E must be at least %1 Pa").arg(Material::minimumYoungsModulus);
    else
        rule = tr("its shear modulus G must be at least a third of its Young's modulus E (3G ≥ E, a Poisson's "
                  "ratio of at most 0.5)");
    return tr("The material \"%1\" keeps its properties: %2.").arg(name, rule);
}

bool MaterialView::entryInModel() const
{
    return heldBy(library, target);
}

// An emptied name is a change here, so a field cleared without typing counts.
void MaterialView::readFields()
{
    nameChanged();
}

bool MaterialView::mergeEntry()
{
    bool changed = false;
    copy->setNames(merged(copy->names(), agreed->names(), target->names(), changed));
    copy->setYoungsModulus(merged(copy->youngsModulus(), agreed->youngsModulus(), target->youngsModulus(), changed));
    copy->setShearModulus(merged(copy->shearModulus(), agreed->shearModulus(), target->shearModulus(), changed));
    copy->setDensity(merged(copy->density(), agreed->density(), target->density(), changed));
    copy->setCte(merged(copy->cte(), agreed->cte(), target->cte(), changed));
    agree();
    return changed;
}

void MaterialView::handOnEdits()
{
    if (isEnabled() && (copy->names() != target->names() || *copy != *target))
        emit MaterialChanged(target, copy);
}

void MaterialView::widgetClosing(const QWidget* widget)
{
    if (widget == this)
        writeBack();
}

void MaterialView::remove()
{
    // The page lets the entry go itself: following the model's removal
    // must not send it back a second time.
    entryWasHeld = false;
    emit MaterialRemoved(target);
    target.clear();
    emit GoBack();
}
