#include "SectionAccessor.h"

#include "Application.h"
#include "EditorPageFactory.h"
#include "MaterialPicker.h"
#include "SectionCategoryPicker.h"
#include "SectionCountryPicker.h"
#include "SectionSizePicker.h"
#include "SingleEmitter.h"

#include <QCloseEvent>
#include <QCoreApplication>

SectionAccessor::SectionAccessor(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : QSplitter(parent),
      materials(new MaterialPicker(unitSystem)),
      categories(new SectionCategoryPicker),
      countries(new SectionCountryPicker),
      crossSection(EditorPageFactory::make(EditorPageFactory::CrossSectionPage, unitSystem, nullptr)),
      columnsChanged(new SingleEmitter(this)),
      sizes(new SectionSizePicker),
      unitSystem(unitSystem)
{
    setWindowFlags(flags);
    setWindowTitle(QStringLiteral("%1 Section Library").arg(QCoreApplication::applicationName()));

    categories->setObjectName(QStringLiteral("Category"));
    countries->setObjectName(QStringLiteral("Country"));
    materials->setObjectName(QStringLiteral("Material"));
    sizes->setObjectName(QStringLiteral("Size"));
    countries->setMinimumWidth(48);
    categories->setMinimumWidth(48);
    sizes->setMinimumWidth(96);
    materials->setMinimumWidth(96);

    QList<QWidget*> columns{countries, categories, sizes};
    QList<int> stretches{1, 1, 3};
    if (crossSection) {
        crossSection->setObjectName(QStringLiteral("CrossSection"));
        columns << crossSection;
        stretches << 0;
    }
    columns << materials;
    stretches << 0;
    for (int i = 0; i < columns.size(); ++i) {
        addWidget(columns[i]);
        setStretchFactor(i, stretches[i]);
        setCollapsible(i, false);
        columns[i]->setVisible(columns[i] == countries);
        columns[i]->installEventFilter(this);
    }
    // Once the columns have their new cells.
    connect(columnsChanged, &SingleEmitter::triggered, this, [this] { Application::fitWidgetToContent(this); });

    connect(categories, &SectionCategoryPicker::CategoryChosen, this, &SectionAccessor::categoryChosen);
    connect(countries, &SectionCountryPicker::CountryChosen, this, &SectionAccessor::countryChosen);
    connect(sizes, &SectionSizePicker::SizeChosen, this, &SectionAccessor::sectionChosen);
    if (crossSection) {
        connect(crossSection,
                SIGNAL(OpenCalculator(double, UnitSystem::Conversion, Matrix4x4, CalculatorReference, QObject*,
                                      const char*)),
                this,
                SIGNAL(OpenCalculator(double, UnitSystem::Conversion, Matrix4x4, CalculatorReference, QObject*,
                                      const char*)));
        connect(crossSection, SIGNAL(CalculatorRequestLapsed(CalculatorReference)), this,
                SIGNAL(CalculatorRequestLapsed(CalculatorReference)));
        connect(crossSection, SIGNAL(OpenMaterialPicker(MaterialRef)), materials, SLOT(setSelection(MaterialRef)));
        connect(crossSection, SIGNAL(OpenMaterialPicker(MaterialRef)), materials, SLOT(show()));
        connect(crossSection, SIGNAL(SectionChosen(CrossSectionRef, MaterialRef)), this,
                SIGNAL(SectionChosen(CrossSectionRef, MaterialRef)));
    }
    connect(materials, &MaterialPicker::MaterialChosen, this, &SectionAccessor::materialChosen);
}

void SectionAccessor::setLibraries(const QSharedPointer<SectionLibrary>& sections,
                                   const QSharedPointer<MaterialLibrary>& materialLibrary)
{
    categories->hide();
    hideCrossSection();
    materials->hide();
    sizes->hide();
    sectionLibrary = sections;
    categories->setLibrary(sections);
    countries->setLibrary(sections);
    sizes->setLibrary(sections);
    materials->setLibrary(materialLibrary);
}

void SectionAccessor::countryChosen(const SectionLibrary::ItemRef& item)
{
    sizes->hide();
    hideCrossSection();
    materials->hide();
    categories->setCountryItem(item);
    const bool materialOnly = item && item == countries->materialOnlyItem();
    categories->setVisible(item && !materialOnly);
    materials->setVisible(materialOnly);
}

void SectionAccessor::categoryChosen(const SectionLibrary::ItemRef& item)
{
    hideCrossSection();
    materials->hide();
    sizes->setCategoryItem(item);
    const bool hasSizes = item && item->subnodeCount() > 0;
    sizes->setVisible(hasSizes);
    if (!item || hasSizes || !sectionLibrary || countries->currentLibraryItem() != sectionLibrary->customCountryItem())
        return;
    // A parametric shape: the section being edited when it has this shape,
    // else the library's template of the shape.
    const SectionTypeRef shape = item->value();
    const bool sameShape = currentSectionType && shape && shape->crossSection() &&
                           SectionType::isShapeEqualTo(currentSectionType, shape->crossSection()->shape());
    showCrossSection(sameShape ? currentSectionType : shape, true, currentMaterial());
}

void SectionAccessor::sectionChosen(const SectionLibrary::ItemRef& item)
{
    materials->hide();
    const SectionTypeRef size = item ? item->value() : SectionTypeRef();
    if (!size) {
        hideCrossSection();
        return;
    }
    const SectionTypeRef paired(VaroObject::make<SectionType>(size->crossSection(), currentSectionType ? currentMaterial() : size->material()));
    showCrossSection(paired, false, size->material());
}

void SectionAccessor::materialChosen(const MaterialRef& material)
{
    if (material) {
        if (isCrossSectionShown())
            EditorPageFactory::call(crossSection, "setCustomMaterial", Q_ARG(MaterialRef, material));
        else
            emit SectionChosen(CrossSectionRef(), material);
    }
    materials->hide();
}

void SectionAccessor::setSelection(const CrossSectionRef& section, const MaterialRef& material)
{
    const SectionTypeRef sectionType =
        section && material ? VaroObject::make<SectionType>(section, material) : SectionTypeRef();
    countries->show();
    countries->setSelection(sectionType);
    const SectionLibrary::ItemRef countryItem = countries->currentLibraryItem();
    const bool custom = sectionLibrary && countryItem && countryItem == sectionLibrary->customCountryItem();
    currentSectionType = sectionType;

    categories->setCountryItem(countryItem);
    categories->setVisible(countryItem != nullptr);
    categories->setSelection(sectionType, custom);
    const SectionLibrary::ItemRef categoryItem = categories->currentLibraryItem();

    sizes->setCategoryItem(categoryItem);
    sizes->setVisible(categoryItem && !custom);
    sizes->setSelection(sectionType);
    const SectionLibrary::ItemRef sizeItem = sizes->currentLibraryItem();

    if (!sizeItem && !custom) {
        hideCrossSection();
    } else {
        const SectionTypeRef size = sizeItem ? sizeItem->value() : SectionTypeRef();
        const MaterialRef defaultMaterial = custom ? currentMaterial() : size ? size->material() : MaterialRef();
        showCrossSection(sectionType, custom, defaultMaterial);
    }
    materials->hide();
}

void SectionAccessor::showCrossSection(const SectionTypeRef& sectionType, bool editable,
                                       const MaterialRef& defaultMaterial)
{
    if (!sectionType || !crossSection) {
        hideCrossSection();
        return;
    }
    EditorPageFactory::call(crossSection, "setEditable", Q_ARG(bool, editable));
    crossSection->show();
    const MaterialRef material = currentMaterial() ? currentMaterial() : sectionType->material();
    EditorPageFactory::call(crossSection, "setSection", Q_ARG(CrossSectionRef, sectionType->crossSection()),
                            Q_ARG(MaterialRef, material), Q_ARG(MaterialRef, defaultMaterial));
}

void SectionAccessor::hideCrossSection()
{
    if (crossSection)
        crossSection->hide();
}

bool SectionAccessor::isCrossSectionShown() const
{
    return crossSection && !crossSection->isHidden();
}

MaterialRef SectionAccessor::currentMaterial() const
{
    return currentSectionType ? currentSectionType->material() : MaterialRef();
}

void SectionAccessor::closeEvent(QCloseEvent* event)
{
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
    event->accept();
}

bool SectionAccessor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
        columnsChanged->trigger();
    return QSplitter::eventFilter(watched, event);
}

void SectionAccessor::showEvent(QShowEvent* event)
{
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
    QSplitter::showEvent(event);
}
