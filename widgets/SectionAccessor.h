#pragma once

#include "CalculatorReference.h"
#include "MaterialLibrary.h"
#include "SectionLibrary.h"
#include "UnitSystem.h"
#include "Vectors.h"

#include <QSplitter>

class MaterialPicker;
class SingleEmitter;
class SectionCategoryPicker;
class SectionCountryPicker;
class SectionSizePicker;

// The section library browser: country, category and size columns, the
// cross-section editor page (when the program provides one) and the material
// picker. It chooses a cross-section and a material for the selected members.
class SectionAccessor : public QSplitter
{
    Q_OBJECT

public:
    SectionAccessor(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent = nullptr,
                    Qt::WindowFlags flags = Qt::WindowFlags());

    // Leaves the country column as it is and hides the others.
    void setLibraries(const QSharedPointer<SectionLibrary>& sections, const QSharedPointer<MaterialLibrary>& materials);

    SectionCountryPicker* countryPicker() const { return countries; }
    SectionCategoryPicker* categoryPicker() const { return categories; }
    SectionSizePicker* sizePicker() const { return sizes; }
    MaterialPicker* materialPicker() const { return materials; }
    QWidget* crossSectionView() const { return crossSection; }

    QSize sizeHint() const override { return QSize(672, 384); }

signals:
    void OpenCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& ref, QObject* receiver, const char* slot);
    // The cross-section page no longer shows what the calculator was opened on.
    void CalculatorRequestLapsed(const CalculatorReference& reference);
    // A null cross-section changes the material only.
    void SectionChosen(const CrossSectionRef& crossSection, const MaterialRef& material);

public slots:
    void countryChosen(const SectionLibrary::ItemRef& item);
    void categoryChosen(const SectionLibrary::ItemRef& item);
    void materialChosen(const MaterialRef& material);
    void sectionChosen(const SectionLibrary::ItemRef& item);
    // Opens the browser on the pair, as far as the library knows it.
    void setSelection(const CrossSectionRef& crossSection = CrossSectionRef(),
                      const MaterialRef& material = MaterialRef());

protected:
    void closeEvent(QCloseEvent* event) override;
    // A column shown or filled anew widens the window where it would be cut.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showCrossSection(const SectionTypeRef& sectionType, bool editable, const MaterialRef& defaultMaterial);
    void hideCrossSection();
    bool isCrossSectionShown() const;
    MaterialRef currentMaterial() const;

    MaterialPicker* const materials;
    SectionCategoryPicker* const categories;
    SectionCountryPicker* const countries;
    QWidget* const crossSection;
    SingleEmitter* const columnsChanged;
    SectionTypeRef currentSectionType;
    QSharedPointer<SectionLibrary> sectionLibrary;
    SectionSizePicker* const sizes;
    QSharedPointer<UnitSystem> unitSystem;
};
