#include "CrossSectionView.h"

#include "CrossSection.h"
#include "Material.h"
#include "PickerCell.h"
#include "UnitLabels.h"
#include "UserDialogs.h"
#include "VisualConstants.h"

#include <QFrame>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGridLayout>
#include <QHideEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

QFont CrossSectionView::Font::Annotation;
QFont CrossSectionView::Font::DimensionText;
QPen CrossSectionView::Pen::DimensionLine;
QPen CrossSectionView::Pen::AltDimensionLine;
QPen CrossSectionView::Pen::Axes;
QPen CrossSectionView::Pen::Diad;
QBrush CrossSectionView::Brush::CrossSection;
QBrush CrossSectionView::Brush::DimensionLine;
QBrush CrossSectionView::Brush::AltDimensionLine;
QBrush CrossSectionView::Brush::DimensionText;
QBrush CrossSectionView::Brush::AltDimensionText;
QBrush CrossSectionView::Brush::AnnotationText;
QBrush CrossSectionView::Brush::SceneBackground;
QColor CrossSectionView::Colour::BackgroundMass;
QColor CrossSectionView::Colour::BackgroundMajor;
QColor CrossSectionView::Colour::BackgroundMinor;
QString CrossSectionView::StyleSheet::Specification;
QString CrossSectionView::StyleSheet::Warning;

namespace {

const int specificationHeight = 192;

void setConstants()
{
    CrossSectionView::Font::Annotation = QFont(QStringLiteral("Helvetica"), 8);
    CrossSectionView::Font::DimensionText = QFont(QStringLiteral("Helvetica"), 10);
    CrossSectionView::Pen::DimensionLine = QPen(QColor(0, 255, 170), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    CrossSectionView::Pen::AltDimensionLine =
        QPen(QColor(255, 0, 170), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    CrossSectionView::Pen::Axes = QPen(QColor(96, 96, 96), 2.0, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin);
    CrossSectionView::Pen::Diad = QPen(QColor(255, 255, 255), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    CrossSectionView::Brush::CrossSection = QBrush(QColor(255, 221, 0));
    CrossSectionView::Brush::DimensionLine = QBrush(Qt::NoBrush);
    CrossSectionView::Brush::AltDimensionLine = QBrush(Qt::NoBrush);
    CrossSectionView::Brush::DimensionText = QBrush(QColor(128, 255, 180));
    CrossSectionView::Brush::AltDimensionText = QBrush(QColor(255, 128, 180));
    CrossSectionView::Brush::AnnotationText = QBrush(QColor(255, 255, 255));
    CrossSectionView::Brush::SceneBackground = QBrush(QColor(64, 64, 64));
    CrossSectionView::Colour::BackgroundMass = QColor(210, 255, 255);
    CrossSectionView::Colour::BackgroundMajor = QColor(240, 230, 140);
    CrossSectionView::Colour::BackgroundMinor = QColor(210, 240, 160);
    CrossSectionView::StyleSheet::Specification =
        QStringLiteral("QWidget { background-color:white; } QLabel { font-size:14px; background:none; color:black; "
                       "margin:0px 0px 0px 0px; padding:2px 2px 2px 2px; }");
    CrossSectionView::StyleSheet::Warning =
        QStringLiteral("QLabel { background-color:#a00000; color:white; border:1px solid white; font-weight:bold; "
                       "font-size:10px; }");
}

const bool constantsRegistered = (addVisualConstantsInitialiser(setConstants), true);

// The coloured bands behind the panel rows: the major-axis rows are joined
// down the right column, the minor-axis rows down the left.
struct Band
{
    QColor* colour;
    const char* styleSheet;
    int row, column, rows, columns;
};

const Band bands[] = {
    {&CrossSectionView::Colour::BackgroundMass,
     "QFrame { background-color:%1; margin-top:4px; margin-bottom:4px; border:none; }", 0, 0, 1, 6},
    {&CrossSectionView::Colour::BackgroundMajor,
     "QFrame { background-color:%1; margin-top:1px; margin-bottom:1px; border:none; border-top-left-radius:6px; "
     "border-bottom-left-radius:6px; }",
     2, 1, 1, 5},
    {&CrossSectionView::Colour::BackgroundMajor,
     "QFrame { background-color:%1; margin-top:1px; margin-bottom:1px; margin-right:12px; border:none; "
     "border-top-left-radius:6px; border-bottom-left-radius:6px; border-bottom-right-radius:8px; }",
     5, 1, 1, 5},
    {&CrossSectionView::Colour::BackgroundMajor,
     "QFrame { background-color:%1; margin-left:12px; margin-right:12px; border:none; "
     "border-bottom-right-radius:8px; }",
     2, 5, 4, 1},
    {&CrossSectionView::Colour::BackgroundMinor,
     "QFrame { background-color:%1; margin-top:1px; margin-bottom:1px; border:none; border-top-right-radius:6px; "
     "border-bottom-right-radius:6px; }",
     3, 0, 1, 5},
    {&CrossSectionView::Colour::BackgroundMinor,
     "QFrame { background-color:%1; margin-top:1px; margin-bottom:1px; margin-left:12px; border:none; "
     "border-bottom-left-radius:8px; border-top-right-radius:6px; border-bottom-right-radius:6px; }",
     6, 0, 1, 5},
    {&CrossSectionView::Colour::BackgroundMinor,
     "QFrame { background-color:%1; margin-left:12px; margin-right:12px; margin-bottom:1px; border:none; "
     "border-bottom-left-radius:8px; }",
     3, 0, 4, 1},
};

bool isValidMaterial(const MaterialRef& material)
{
    return material && material->isValid();
}

bool isValidSection(const CrossSectionRef& section)
{
    return section && section->isValid();
}

// max / min of two stiffnesses, 0 when the smaller is no stiffness at all.
double ratio(double a, double b)
{
    const double smaller = std::min(a, b);
    return std::fabs(smaller) < std::ldexp(1.0, -128) ? 0.0 : std::max(a, b) / smaller;
}

PickerCell* makePushCell(const QString& caption, const QString& name, QWidget* parent)
{
    auto* cell = new PickerCell(PickerCell::standardPushButton(caption), parent);
    cell->setObjectName(name);
    cell->setBorderEdges(true, true, true, true);
    cell->setBorderCorners(true, true, true, true);
    // At least 36 wide: the cell's own padding leaves a 14-pixel caption no room in 36.
    cell->setMinimumWidth(36);
    cell->setFixedHeight(25);
    cell->setAlignment(Qt::AlignCenter);
    cell->setFocusPolicy(Qt::NoFocus);
    return cell;
}

} // namespace

CrossSectionView::CrossSectionView(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), scene(new QGraphicsScene(this)), propertiesPanel(new QWidget(this)),
      unitSystem(unitSystem), view(new QGraphicsView(scene, this))
{
    scene->setBackgroundBrush(Brush::SceneBackground);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::Qt4CompatiblePainting);
    createSpecification();

    connect(materialButton, &PickerCell::Clicked, this, &CrossSectionView::confirmMaterial);
    connect(materialEditButton, &PickerCell::Clicked, this, &CrossSectionView::chooseMaterial);
    connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, &CrossSectionView::regenerateGraphics);
    // The ratios are shown as bare numbers, which the labels alone would
    // convert into the new units.
    connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, &CrossSectionView::populateFields);
    connect(useButton, &PickerCell::Clicked, this, &CrossSectionView::clickedUse);
    connect(rotateButton, &PickerCell::Clicked, this, &CrossSectionView::clickedRotate);
    arrange(sizeHint());
    populateFields();
}

CrossSectionView::~CrossSectionView() = default;

void CrossSectionView::createSpecification()
{
    propertiesPanel->setStyleSheet(StyleSheet::Specification);
    auto* grid = new QGridLayout(propertiesPanel);
    grid->setContentsMargins(0, 3, 0, 8);
    grid->setSpacing(0);
    for (const Band& band : bands) {
        auto* frame = new QFrame(propertiesPanel);
        frame->setStyleSheet(QString::fromLatin1(band.styleSheet).arg(band.colour->name()));
        grid->addWidget(frame, band.row, band.column, band.rows, band.columns);
        backgrounds.append(frame);
    }

    const auto valueLabel = [this](UnitSystem::Conversion conversion, const char* name) {
        auto* label = new NumericUnitsLabel(0.0, unitSystem, conversion, propertiesPanel);
        label->setObjectName(QLatin1String(name));
        return label;
    };
    areaLabel = valueLabel(UnitSystem::Area, "areaLabel");
    ixxLabel = valueLabel(UnitSystem::InertiaMajor, "ixxLabel");
    iyyLabel = valueLabel(UnitSystem::InertiaMinor, "iyyLabel");
    jLabel = valueLabel(UnitSystem::TorsionConstant, "jLabel");
    jLabel->hide();
    massLabel = valueLabel(UnitSystem::UnitMass, "massLabel");
    zxxLabel = valueLabel(UnitSystem::SectionModulusMajor, "zxxLabel");
    zyyLabel = valueLabel(UnitSystem::SectionModulusMinor, "zyyLabel");

    useButton = makePushCell(tr("Use"), QStringLiteral("Use"), propertiesPanel);
    rotateButton = makePushCell(tr("Rot"), QStringLiteral("Rotate"), propertiesPanel);
    materialButton = new PickerCell(PickerCell::standardType1(tr("Material"), QString()), propertiesPanel);
    materialButton->setBorderEdges(true, true, false, true);
    materialButton->setBorderCorners(true, false, true, false);
    materialButton->setActive(true);
    materialButton->setHighlightColour(QColor(QStringLiteral("pink")));
    materialEditButton = new PickerCell(PickerCell::Pixmap::edit(), propertiesPanel);
    materialEditButton->setBorderEdges(true, true, true, true);
    materialEditButton->setBorderCorners(false, true, false, true);

    auto* materialRow = new QHBoxLayout;
    materialRow->setContentsMargins(0, 0, 0, 0);
    materialRow->setSpacing(0);
    materialRow->addWidget(materialButton, 1);
    materialRow->addWidget(materialEditButton, 0);
    grid->addLayout(materialRow, 0, 0, 1, 3);
    grid->addWidget(massLabel, 0, 3);
    auto* massUnits = new QHBoxLayout;
    massUnits->addWidget(new UnitsLabel(unitSystem, UnitSystem::UnitMass, propertiesPanel));
    massUnits->addWidget(new NomenclatureLabel(unitSystem, UnitSystem::Mass, propertiesPanel));
    grid->addLayout(massUnits, 0, 4, 1, 2);

    const struct
    {
        int row;
        UnitSystem::Conversion conversion;
        NumericUnitsLabel* label;
    } rows[] = {{1, UnitSystem::Area, areaLabel},
                {2, UnitSystem::InertiaMajor, ixxLabel},
                {3, UnitSystem::InertiaMinor, iyyLabel},
                {5, UnitSystem::SectionModulusMajor, zxxLabel},
                {6, UnitSystem::SectionModulusMinor, zyyLabel}};
    for (const auto& row : rows) {
        grid->addWidget(new NomenclatureLabel(unitSystem, row.conversion, propertiesPanel), row.row, 1);
        grid->addWidget(row.label, row.row, 2, 1, 2);
        grid->addWidget(new UnitsLabel(unitSystem, row.conversion, propertiesPanel), row.row, 4);
    }
    grid->addWidget(useButton, 2, 5, Qt::AlignCenter);
    grid->addWidget(rotateButton, 3, 0, Qt::AlignCenter);
    auto* warning = new QLabel(tr("Values are relative, not actual"), propertiesPanel);
    warning->setAlignment(Qt::AlignCenter);
    warning->setStyleSheet(StyleSheet::Warning);
    grid->addWidget(warning, 4, 1, 1, 4);

    const int minimumWidths[] = {48, 16, 16, 16, 16, 48};
    const int stretches[] = {0, 1, 2, 2, 1, 0};
    for (int column = 0; column < 6; ++column) {
        grid->setColumnMinimumWidth(column, minimumWidths[column]);
        grid->setColumnStretch(column, stretches[column]);
    }
    grid->setRowMinimumHeight(0, 31);
    for (int row = 1; row <= 6; ++row)
        grid->setRowMinimumHeight(row, 25);
}

QSize CrossSectionView::sizeHint() const
{
    return QSize(320, 384);
}

QSize CrossSectionView::minimumSizeHint() const
{
    return QSize(320, 384);
}

void CrossSectionView::resizeEvent(QResizeEvent* event)
{
    arrange(event->size());
    regenerateGraphics();
}

void CrossSectionView::arrange(const QSize& size)
{
    const int w = size.width();
    const int h = size.height();
    // Integer halves, so that the origin is the centre of the drawing area.
    scene->setSceneRect(-(w / 2), -((h - specificationHeight) / 2), 2 * (w / 2), 2 * ((h - specificationHeight) / 2));
    view->setGeometry(0, 0, w, h - specificationHeight);
    view->centerOn(0, 0);
    propertiesPanel->setGeometry(0, h - specificationHeight, w, specificationHeight);
}

void CrossSectionView::setSection(const CrossSectionRef& newSection, const MaterialRef& newMaterial,
                                  const MaterialRef& defaultMaterial)
{
    // The page's own edits go on copies of the section; a section handed in
    // from outside is another one, whose dimensions nobody asked for.
    if (newSection != section)
        lapseCalculatorRequest();
    section = newSection;
    material = newMaterial;
    confirmedMaterial = defaultMaterial;
    // Only this page's own changes may rename: the section handed in may be
    // a library size that other documents share.
    customised = false;
    populateFields();
    regenerateGraphics();
}

void CrossSectionView::setCustomMaterial(const MaterialRef& newMaterial)
{
    material = newMaterial;
    confirmedMaterial = newMaterial;
    populateFields();
    regenerateGraphics();
    customised = true;
}

void CrossSectionView::setCustomCrossSection(const CrossSectionRef& newSection)
{
    if (newSection != section)
        lapseCalculatorRequest();
    section = newSection;
    populateFields();
    regenerateGraphics();
    customised = true;
}

void CrossSectionView::recompute()
{
    if (!section)
        return;
    section->compute();
    setCustomCrossSection(section);
}

bool CrossSectionView::isMaterialConfirmed() const
{
    return material && material == confirmedMaterial;
}

void CrossSectionView::setEditable(bool value)
{
    if (!value)
        lapseCalculatorRequest();
    editable = value;
}

// Hidden, the section is let go: the next one shown is set anew. Minimised
// with its window, it is still there when the window comes back.
void CrossSectionView::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        lapseCalculatorRequest();
    QWidget::hideEvent(event);
}

void CrossSectionView::lapseCalculatorRequest()
{
    if (calculatorRequest.isEmpty())
        return;
    const CalculatorReference lapsed = calculatorRequest;
    calculatorRequest.clear();
    emit CalculatorRequestLapsed(lapsed);
}

void CrossSectionView::detach()
{
    if (!section)
        return;
    section = CrossSectionRef(new CrossSection(*section));
    customised = true;
}

void CrossSectionView::populateFields()
{
    if (!isValidSection(section)) {
        for (NumericUnitsLabel* label : {areaLabel, ixxLabel, iyyLabel, jLabel, zxxLabel, zyyLabel})
            label->setSIValue(0.0);
    } else {
        areaLabel->setSIValue(section->area());
        const double inertia = ratio(section->Iy(), section->Iz());
        const double modulus = ratio(section->Wely(), section->Welz());
        const bool rotated = section->isRotated();
        ixxLabel->setPreferredValue(rotated ? 1.0 : inertia);
        iyyLabel->setPreferredValue(rotated ? inertia : 1.0);
        zxxLabel->setPreferredValue(rotated ? 1.0 : modulus);
        zyyLabel->setPreferredValue(rotated ? modulus : 1.0);
        jLabel->setSIValue(0.0);
    }
    materialButton->setText(
        PickerCell::standardType1(isValidMaterial(material) ? material->name() : tr("Material"), QString()));
    materialButton->setHighlighted(!isMaterialConfirmed());
    setMassField();
}

void CrossSectionView::setMassField()
{
    const bool known = isValidSection(section) && isValidMaterial(material);
    massLabel->setSIValue(known ? material->density() * section->area() : 0.0);
}

void CrossSectionView::chooseMaterial()
{
    emit OpenMaterialPicker(material);
}

void CrossSectionView::confirmMaterial()
{
    if (material && material != confirmedMaterial) {
        confirmedMaterial = material;
        populateFields();
    } else {
        emit OpenMaterialPicker(material);
    }
}

void CrossSectionView::clickedUse()
{
    finish();
}

void CrossSectionView::clickedRotate()
{
    if (section) {
        detach();
        section->setRotated(!section->isRotated());
    }
    populateFields();
    regenerateGraphics();
}

void CrossSectionView::finish()
{
    if (!isValidSection(section)) {
        UserDialogs::information(this, tr("The geometrical parameters are invalid. They must be made valid before "
                                          "they can be applied to any members."));
        return;
    }
    if (!isValidMaterial(material)) {
        UserDialogs::information(
            this, tr("A valid material must be chosen before the section can be applied to any members."));
        return;
    }
    if (!isMaterialConfirmed()) {
        UserDialogs::information(this, tr("The material does not match the default for this library. To confirm the "
                                          "use of this material click on the material button, or choose a "
                                          "different material."));
        return;
    }
    if (customised)
        setCustomName();
    emit SectionChosen(section, material);
}

void CrossSectionView::setCustomName()
{
    if (!section || !material)
        return;
    // The name goes on a copy of the page's own: the section may still be
    // the one the library holds.
    detach();
    const QString depth = unitSystem->preferredStringFromSI(section->overallDepth(), UnitSystem::LengthSmall, true);
    const QString width = unitSystem->preferredStringFromSI(section->overallWidth(), UnitSystem::LengthSmall, true);
    const QString mass =
        unitSystem->preferredStringFromSI(material->density() * section->area(), UnitSystem::UnitMass, true);
    section->setNames({QStringLiteral("Custom"), CrossSection::nameOfShape(section->shape()),
                       QStringLiteral("%1 x %2 x %3").arg(depth, width, mass)});
    customised = false;
}

void CrossSectionView::editDimension(double value, const char* slot)
{
    if (!editable || !section)
        return;
    Matrix4x4 matrix = Matrix4x4::zeroed();
    matrix[0][0] = 1.0;
    calculatorRequest = CalculatorReference{{QStringLiteral("dimension"), QString::fromLatin1(slot + 1)}};
    emit OpenCalculator(value, UnitSystem::LengthSmall, matrix, calculatorRequest, this, slot);
}

void CrossSectionView::setDimension(DimensionSetter setter, const Vector4& value)
{
    calculatorRequest.clear();
    if (!section)
        return;
    detach();
    // The setter clears the valid flag and marks the extrusion out of date.
    (section.data()->*setter)(std::fabs(value[0]));
    section->clampGeometry();
    recompute();
}

void CrossSectionView::editOverallDepth()
{
    editDimension(section ? section->overallDepth() : 0.0,
                  SLOT(setOverallDepth(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::editWebThickness()
{
    editDimension(section ? section->webThickness() : 0.0,
                  SLOT(setWebThickness(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::editTopFlangeWidth()
{
    editDimension(section ? section->topFlangeWidth() : 0.0,
                  SLOT(setTopFlangeWidth(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::editTopFlangeThickness()
{
    editDimension(section ? section->topFlangeThickness() : 0.0,
                  SLOT(setTopFlangeThickness(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::editTopFlangeOffset()
{
    editDimension(section ? section->topFlangeOffset() : 0.0,
                  SLOT(setTopFlangeOffset(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::editBottomFlangeWidth()
{
    editDimension(section ? section->bottomFlangeWidth() : 0.0,
                  SLOT(setBottomFlangeWidth(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::editBottomFlangeThickness()
{
    editDimension(section ? section->bottomFlangeThickness() : 0.0,
                  SLOT(setBottomFlangeThickness(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::editBottomFlangeOffset()
{
    editDimension(section ? section->bottomFlangeOffset() : 0.0,
                  SLOT(setBottomFlangeOffset(const Vector4&, const CalculatorReference&)));
}

void CrossSectionView::setOverallDepth(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setOverallDepth, value);
}

void CrossSectionView::setWebThickness(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setWebThickness, value);
}

void CrossSectionView::setTopFlangeWidth(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setTopFlangeWidth, value);
}

void CrossSectionView::setTopFlangeThickness(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setTopFlangeThickness, value);
}

void CrossSectionView::setTopFlangeOffset(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setTopFlangeOffset, value);
}

void CrossSectionView::setBottomFlangeWidth(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setBottomFlangeWidth, value);
}

void CrossSectionView::setBottomFlangeThickness(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setBottomFlangeThickness, value);
}

void CrossSectionView::setBottomFlangeOffset(const Vector4& value, const CalculatorReference&)
{
    setDimension(&CrossSection::setBottomFlangeOffset, value);
}
