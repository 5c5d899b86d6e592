#pragma once

#include "CalculatorReference.h"
#include "ModelRefs.h"
#include "UnitSystem.h"
#include "Vectors.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLineF>
#include <QList>
#include <QPainterPath>
#include <QPen>
#include <QWidget>

class NumericUnitsLabel;
class PickerCell;
class QFrame;
class QGraphicsScene;
class QGraphicsView;

// The last column of the section browser: a section drawn to scale with its
// dimensions above, its mass, area and stiffness ratios below, and "Use",
// which hands the section and its material on. A library size is shown read
// only; a custom shape is edited by double-clicking its dimension texts. The
// page never changes the section it is handed: the first change works on a
// private copy.
class CrossSectionView : public QWidget
{
    Q_OBJECT

public:
    struct Font
    {
        static QFont Annotation;
        static QFont DimensionText;
    };
    struct Pen
    {
        static QPen DimensionLine;
        static QPen AltDimensionLine;
        static QPen Axes;
        static QPen Diad;
    };
    struct Brush
    {
        static QBrush CrossSection;
        static QBrush DimensionLine;
        static QBrush AltDimensionLine;
        static QBrush DimensionText;
        static QBrush AltDimensionText;
        static QBrush AnnotationText;
        static QBrush SceneBackground;
    };
    struct Colour
    {
        static QColor BackgroundMass;
        static QColor BackgroundMajor;
        static QColor BackgroundMinor;
    };
    struct StyleSheet
    {
        static QString Specification;
        static QString Warning;
    };

    explicit CrossSectionView(const UnitSystemRef& unitSystem, QWidget* parent = nullptr,
                              Qt::WindowFlags flags = Qt::WindowFlags());
    ~CrossSectionView() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // A new section to show, its material and the library's default
    // material; the page is no longer customised.
    Q_INVOKABLE void setSection(const CrossSectionRef& section, const MaterialRef& material,
                                const MaterialRef& defaultMaterial);
    Q_INVOKABLE void setCustomMaterial(const MaterialRef& material);
    Q_INVOKABLE void setCustomCrossSection(const CrossSectionRef& section);
    void recompute();
    bool isMaterialConfirmed() const;

    CrossSectionRef currentSection() const { return section; }
    MaterialRef currentMaterial() const { return material; }
    QGraphicsScene* graphicsScene() const { return scene; }

    QPainterPath pathForLinearDimension(const QLineF& line, double gap, double offset) const;
    QPointF pointForLinearDimensionText(const QLineF& line, double offset) const;

public slots:
    void chooseMaterial();
    void clickedUse();
    void clickedRotate();
    void confirmMaterial();
    void editOverallDepth();
    void editWebThickness();
    void editTopFlangeWidth();
    void editTopFlangeThickness();
    void editTopFlangeOffset();
    void editBottomFlangeWidth();
    void editBottomFlangeThickness();
    void editBottomFlangeOffset();
    void regenerateGraphics();
    void setOverallDepth(const Vector4& value, const CalculatorReference& reference);
    void setWebThickness(const Vector4& value, const CalculatorReference& reference);
    void setTopFlangeWidth(const Vector4& value, const CalculatorReference& reference);
    void setTopFlangeThickness(const Vector4& value, const CalculatorReference& reference);
    void setTopFlangeOffset(const Vector4& value, const CalculatorReference& reference);
    void setBottomFlangeWidth(const Vector4& value, const CalculatorReference& reference);
    void setBottomFlangeThickness(const Vector4& value, const CalculatorReference& reference);
    void setBottomFlangeOffset(const Vector4& value, const CalculatorReference& reference);
    void setEditable(bool editable);

signals:
    void OpenCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& ref, QObject* receiver, const char* slot) const;
    // The section a dimension was asked for is no longer the one shown.
    void CalculatorRequestLapsed(const CalculatorReference& reference);
    void OpenMaterialPicker(MaterialRef current);
    void SectionChosen(CrossSectionRef section, MaterialRef material);

protected:
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    typedef void (CrossSection::*DimensionSetter)(double);

    void createSpecification();
    // The drawing above, the panel in the bottom 192 pixels.
    void arrange(const QSize& size);
    void finish();
    void detach();
    void populateFields();
    void setMassField();
    void setCustomName();
    void editDimension(double value, const char* slot);
    void lapseCalculatorRequest();
    void setDimension(DimensionSetter setter, const Vector4& value);

    // The section's outline and dimensions at s pixels per metre.
    void drawSection(double s, const QStringList& texts);
    void drawFrame(const QRectF& frame, const QRectF& axisNames);

    NumericUnitsLabel* areaLabel;
    QList<QFrame*> backgrounds;
    // What the calculator was last opened on, until another section is shown.
    CalculatorReference calculatorRequest;
    MaterialRef confirmedMaterial;
    bool customised = false;
    CrossSectionRef section;
    NumericUnitsLabel* ixxLabel;
    NumericUnitsLabel* iyyLabel;
    NumericUnitsLabel* jLabel;
    NumericUnitsLabel* massLabel;
    bool editable = false;
    MaterialRef material;
    PickerCell* materialButton;
    PickerCell* materialEditButton;
    PickerCell* rotateButton;
    QGraphicsScene* scene;
    QWidget* propertiesPanel;
    UnitSystemRef unitSystem;
    PickerCell* useButton;
    QGraphicsView* view;
    NumericUnitsLabel* zxxLabel;
    NumericUnitsLabel* zyyLabel;
};
