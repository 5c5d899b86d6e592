#pragma once

#include "EditorPage.h"
#include "ModelRefs.h"
#include "UnitSystem.h"

class CalculatorField;
class Material;
class MaterialLibrary;

// Edits a custom material's name, E, G and density; a standard material,
// or one in no library, is shown with the whole page disabled. An edit that
// would make a valid material one the analysis refuses is refused with a
// message naming the material and the rule. It lives on
// the utility window's stack, which reports leaving it through widgetClosing.
class MaterialView : public EntryPage<EditorPage, Material>
{
    Q_OBJECT

public:
    explicit MaterialView(const UnitSystemRef& unitSystem, QWidget* parent = nullptr,
                          Qt::WindowFlags flags = Qt::WindowFlags());

    Q_INVOKABLE void setMaterial(const MaterialRef& material);
    Q_INVOKABLE void setLibrary(const QSharedPointer<MaterialLibrary>& library);

public slots:
    void nameChanged();
    void propertiesChanged();
    void remove();
    void repopulate() override;
    void widgetClosing(const QWidget* widget);

signals:
    void MaterialChanged(MaterialRef& target, const MaterialRef& copy);
    void MaterialRemoved(const MaterialRef& material);

protected:
    bool entryInModel() const override;
    void readFields() override;
    bool mergeEntry() override;
    void handOnEdits() override;
    // By its row: E, G, density.
    CalculatorField* calculatorField(const QVariant& item) const override;

private:
    // Why the edited properties are refused: the first rule they break.
    static QString refusalText(const QString& name, const Material& edited);

    QSharedPointer<MaterialLibrary> library;
    UnitSystemRef unitSystem;
    CalculatorField* youngsModulusField;
    CalculatorField* shearModulusField;
    CalculatorField* densityField;
};
