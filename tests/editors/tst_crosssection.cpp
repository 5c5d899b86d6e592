#include "EditorTesting.h"
#include "AppTesting.h"

#include "ClickableGraphicsTextItem.h"
#include "CrossSection.h"
#include "CrossSectionView.h"
#include "Material.h"
#include "PickerCell.h"
#include "UnitLabels.h"
#include "WindowTesting.h"

#include <QGraphicsPathItem>
#include <QGraphicsScene>

// The cross-section page and its drawing.
class TestCrossSection : public QObject
{
    Q_OBJECT

public:
    TestCrossSection() { UserDialogs::install(&dialogs); }
    ~TestCrossSection() override { UserDialogs::install(nullptr); }

private slots:
    void dimensionEditRecomputes_data();
    void dimensionEditRecomputes();
    void librarySectionIsNeverChanged();
    void refusals();
    void drawingIsToScaleOrOnlyTheFrame();
    void dimensionTextsStandClearOfTheirArrows_data();
    void dimensionTextsStandClearOfTheirArrows();

private:
    RecordingDialogs dialogs;
};

namespace {

const MaterialRef steel(new Material({QStringLiteral("Steel")}, 205e9, 80e9, 7850.0, 12e-6));

CrossSectionRef makeSection(int shape, double D, double W, double tw, double T)
{
    const CrossSectionRef section(new CrossSection);
    section->setShape(shape);
    section->setNames({QStringLiteral("UK"), QStringLiteral("UB"), QStringLiteral("size")});
    section->setOverallDepth(D);
    section->setTopFlangeWidth(W);
    section->setWebThickness(tw);
    section->setTopFlangeThickness(T);
    section->compute();
    return section;
}

// A plate b wide (z) and d deep (y) with its centre at (z, y): its area and
// second moments about the section's centre by the parallel-axis rule.
struct Sums
{
    double A = 0, Iy = 0, Iz = 0;
    void plate(double b, double d, double z, double y)
    {
        A += b * d;
        Iy += b * d * d * d / 12 + b * d * y * y;
        Iz += d * b * b * b / 12 + b * d * z * z;
    }
};

QGraphicsPathItem* outlineOf(QGraphicsScene* scene)
{
    for (QGraphicsItem* item : scene->items())
        if (auto* path = qgraphicsitem_cast<QGraphicsPathItem*>(item))
            if (path->brush() == CrossSectionView::Brush::CrossSection)
                return path;
    return nullptr;
}

QMap<QString, QGraphicsItem*> textsOf(QGraphicsScene* scene)
{
    QMap<QString, QGraphicsItem*> texts;
    for (QGraphicsItem* item : scene->items())
        if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item))
            texts.insert(text->text(), item);
    return texts;
}

double shown(const CrossSectionView& page, const char* label)
{
    return page.findChild<NumericUnitsLabel*>(QLatin1String(label))->text().toDouble();
}

} // namespace

void TestCrossSection::dimensionEditRecomputes_data()
{
    QTest::addColumn<int>("shape");
    QTest::newRow("I") << int(CrossSection::IBeam);
    QTest::newRow("box") << int(CrossSection::Rectangle | CrossSection::Hollow);
}

void TestCrossSection::dimensionEditRecomputes()
{
    QFETCH(int, shape);
    const double D = 0.3, W = 0.15, tw = 0.01, T = 0.02;
    const CrossSectionRef handed = makeSection(shape, 0.2, W, tw, T);
    const UnitSystemRef units(new UnitSystem);
    CrossSectionView page(units);
    page.setEditable(true);
    page.setSection(handed, steel, steel);
    QSignalSpy chosen(&page, &CrossSectionView::SectionChosen);

    // The calculator's answer, negative as entered, comes back by name.
    double asked = 0;
    QByteArray slot;
    connect(&page, &CrossSectionView::OpenCalculator,
            [&](double value, UnitSystem::Conversion, const Matrix4x4&, const CalculatorReference&, QObject*,
                const char* method) {
                asked = value;
                slot = QByteArray(method + 1).left(QByteArray(method + 1).indexOf('('));
            });
    emit static_cast<ClickableGraphicsTextItem*>(textsOf(page.graphicsScene()).value(QStringLiteral("200.0")))
        ->DoubleClicked();
    QCOMPARE(asked, 0.2);
    QVERIFY(QMetaObject::invokeMethod(&page, slot.constData(), Q_ARG(Vector4, Vector4(-D, -D, -D, 1)),
                                      Q_ARG(CalculatorReference, CalculatorReference())));
    page.clickedUse();
    QCOMPARE(chosen.count(), 1);
    const CrossSectionRef used = chosen.first().first().value<CrossSectionRef>();

    Sums sums;
    sums.plate(W, T, 0, (D - T) / 2);
    sums.plate(W, T, 0, -(D - T) / 2);
    if (shape == CrossSection::IBeam)
        sums.plate(tw, D - 2 * T, 0, 0);
    else
        for (double z : {(W - tw) / 2, -(W - tw) / 2})
            sums.plate(tw, D - 2 * T, z, 0);
    for (const auto& pair : {qMakePair(used->area(), sums.A), qMakePair(used->Iy(), sums.Iy),
                             qMakePair(used->Iz(), sums.Iz)})
        QVERIFY(qAbs(pair.first / pair.second - 1) < 1e-9);
    // Labels: cm², and the stiffness as a ratio to one decimal.
    QCOMPARE(shown(page, "areaLabel"), std::round(sums.A * 1e4 * 100) / 100);
    QCOMPARE(shown(page, "ixxLabel"), std::round(sums.Iy / sums.Iz * 10) / 10);
    QCOMPARE(shown(page, "iyyLabel"), 1.0);
    QCOMPARE(shown(page, "massLabel"), std::round(7850 * sums.A * 10) / 10);

    const QString mass = units->preferredStringFromSI(7850 * sums.A, UnitSystem::UnitMass, true);
    QCOMPARE(used->names(), QStringList({"Custom", CrossSection::nameOfShape(shape), "300 x 150 x " + mass}));
    QCOMPARE(handed->names(), QStringList({"UK", "UB", "size"}));
    QCOMPARE(handed->overallDepth(), 0.2);
}

void TestCrossSection::librarySectionIsNeverChanged()
{
    // Ixx twice Iyy: depth √2 times the width.
    const CrossSectionRef library = makeSection(CrossSection::Rectangle, 0.1 * std::sqrt(2.0), 0.1, 0, 0);
    const MaterialRef timber(new Material({QStringLiteral("Timber")}, 10e9, 4e9, 500.0, 0));
    const UnitSystemRef units(new UnitSystem);
    CrossSectionView page(units);
    page.setSection(library, steel, steel);
    int asked = 0;
    connect(&page, &CrossSectionView::OpenCalculator, [&asked] { ++asked; });
    QSignalSpy chosen(&page, &CrossSectionView::SectionChosen);
    for (QGraphicsItem* item : textsOf(page.graphicsScene()))
        if (auto* text = dynamic_cast<ClickableGraphicsTextItem*>(item))
            emit text->DoubleClicked();
    QCOMPARE(asked, 0);
    QCOMPARE(shown(page, "ixxLabel"), 2.0);
    QCOMPARE(shown(page, "iyyLabel"), 1.0);

    QTest::mouseClick(page.findChild<PickerCell*>(QStringLiteral("Rotate")), Qt::LeftButton);
    QCOMPARE(shown(page, "ixxLabel"), 1.0);
    QCOMPARE(shown(page, "iyyLabel"), 2.0);
    // The ratio is a bare number in every unit system.
    units->setChosenSystem(2);
    QCOMPARE(shown(page, "iyyLabel"), 2.0);
    QTest::mouseClick(page.findChild<PickerCell*>(QStringLiteral("Use")), Qt::LeftButton);
    QVERIFY(!library->isRotated());
    QVERIFY(chosen.last().first().value<CrossSectionRef>()->isRotated());

    // A custom material alone, or one left over from an earlier section,
    // never renames the library's size.
    page.setCustomMaterial(timber);
    page.setSection(library, timber, timber);
    page.clickedUse();
    page.setSection(library, timber, timber);
    page.setCustomMaterial(timber);
    page.clickedUse();
    QCOMPARE(chosen.count(), 3);
    QCOMPARE(chosen.at(1).first().value<CrossSectionRef>(), library);
    QVERIFY(chosen.at(2).first().value<CrossSectionRef>() != library);
    QCOMPARE(chosen.at(2).first().value<CrossSectionRef>()->names().first(), QStringLiteral("Custom"));
    QCOMPARE(library->names(), QStringList({"UK", "UB", "size"}));
}

void TestCrossSection::refusals()
{
    const UnitSystemRef units(new UnitSystem);
    CrossSectionView page(units);
    QSignalSpy chosen(&page, &CrossSectionView::SectionChosen);
    QSignalSpy picker(&page, &CrossSectionView::OpenMaterialPicker);
    PickerCell* const materialCell = page.findChildren<PickerCell*>().at(2);
    QVERIFY(materialCell->text().contains(QStringLiteral("Material")));
    page.clickedUse();

    const CrossSectionRef section = makeSection(CrossSection::IBeam, 0.2, 0.1, 0.01, 0.02);
    const MaterialRef rubbery(new Material({QStringLiteral("Rubbery")}, 10e9, 3e9, 500.0, 0));
    page.setSection(section, rubbery, steel);
    QVERIFY(materialCell->text().contains(QStringLiteral(">Material<")));
    QCOMPARE(shown(page, "massLabel"), 0.0);
    page.clickedUse();

    page.setSection(section, steel, MaterialRef(new Material(*steel)));
    QVERIFY(materialCell->isHighlighted());
    page.clickedUse();
    QCOMPARE(dialogs.texts(),
             QStringList({"The geometrical parameters are invalid. They must be made valid before they can be "
                          "applied to any members.",
                          "A valid material must be chosen before the section can be applied to any members.",
                          "The material does not match the default for this library. To confirm the use of this "
                          "material click on the material button, or choose a different material."}));
    QCOMPARE(chosen.count(), 0);

    QTest::mouseClick(materialCell, Qt::LeftButton);
    QVERIFY(!materialCell->isHighlighted());
    QCOMPARE(picker.count(), 0);
    page.clickedUse();
    QCOMPARE(chosen.count(), 1);
    QTest::mouseClick(materialCell, Qt::LeftButton);
    QCOMPARE(picker.count(), 1);
    QCOMPARE(dialogs.boxes.count(), 3);
}

void TestCrossSection::drawingIsToScaleOrOnlyTheFrame()
{
    const double D = 0.2, W = 0.1;
    const UnitSystemRef units(new UnitSystem);
    CrossSectionView page(units);
    page.setSection(makeSection(CrossSection::IBeam, D, W, 0.01, 0.02), steel, steel);
    page.resize(600, 792);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QGraphicsScene* scene = page.graphicsScene();
    QCOMPARE(scene->sceneRect(), QRectF(-300, -300, 600, 600));

    const QRectF first = outlineOf(scene)->sceneBoundingRect();
    QVERIFY(qAbs(first.center().x()) < 1e-9 && qAbs(first.center().y()) < 1e-9);
    QVERIFY(qAbs(first.height() / first.width() - D / W) < 1e-9);
    // The depth limits the scale: 100 more pixels of height draw it 100 taller.
    QVERIFY(resizeWindow(&page, QSize(600, 892)));
    QVERIFY(qAbs(outlineOf(scene)->sceneBoundingRect().height() - first.height() - 100) < 1e-9);

    QMap<QString, QGraphicsItem*> texts = textsOf(scene);
    for (const char* text : {"200.0", "100.0", "10.0", "20.0", "Dimensions in mm", "MAJOR", "X", "Y"})
        QVERIFY2(texts.contains(QLatin1String(text)), text);
    const QRectF depth = texts.value(QStringLiteral("200.0"))->sceneBoundingRect();
    QVERIFY(depth.height() > depth.width());
    QVERIFY(depth.right() < outlineOf(scene)->sceneBoundingRect().left());
    const QPointF caption = texts.value(QStringLiteral("Dimensions in mm"))->scenePos();

    page.clickedRotate();
    texts = textsOf(scene);
    const QRectF turned = outlineOf(scene)->sceneBoundingRect();
    QVERIFY(qAbs(turned.width() / turned.height() - D / W) < 1e-9);
    QVERIFY(texts.value(QStringLiteral("200.0"))->sceneBoundingRect().width() > depth.width());
    QCOMPARE(texts.value(QStringLiteral("Dimensions in mm"))->scenePos(), caption);

    units->setChosenSystem(2);
    texts = textsOf(scene);
    for (const char* text : {"7.87", "3.94", "Dimensions in in"})
        QVERIFY2(texts.contains(QLatin1String(text)), text);

    // Without room for the section only the frame is drawn.
    QVERIFY(resizeWindow(&page, QSize(320, 260)));
    QVERIFY(!outlineOf(scene));
    QVERIFY(!textsOf(scene).contains(QStringLiteral("7.87")));
    QVERIFY(textsOf(scene).contains(QStringLiteral("MAJOR")));
}

void TestCrossSection::dimensionTextsStandClearOfTheirArrows_data()
{
    // Metres: depth, width, web, flange, then top offset and the bottom
    // flange's width, thickness and offset where the shape has them.
    QTest::addColumn<int>("shape");
    QTest::addColumn<QVector<double>>("sizes");
    QTest::newRow("angle") << int(CrossSection::Angle) << QVector<double>{0.15, 0.09, 0.01, 0.01};
    QTest::newRow("channel") << int(CrossSection::Channel) << QVector<double>{0.2, 0.075, 0.006, 0.01};
    QTest::newRow("I-beam") << int(CrossSection::IBeam) << QVector<double>{0.3, 0.15, 0.007, 0.011};
    QTest::newRow("tee") << int(CrossSection::Tee) << QVector<double>{0.15, 0.15, 0.008, 0.012};
    QTest::newRow("zed") << int(CrossSection::Zed) << QVector<double>{0.2, 0.075, 0.006, 0.01};
    QTest::newRow("hollow rectangle") << int(CrossSection::Rectangle | CrossSection::Hollow)
                                      << QVector<double>{0.2, 0.1, 0.008, 0.008};
    QTest::newRow("plate girder of two plates") << int(CrossSection::BiPlate)
                                                << QVector<double>{0.4, 0.2, 0.01, 0.015, 0.1};
    QTest::newRow("plate girder of three plates")
        << int(CrossSection::TriPlate) << QVector<double>{0.4, 0.2, 0.01, 0.015, 0.1, 0.25, 0.02, 0.125};
}

void TestCrossSection::dimensionTextsStandClearOfTheirArrows()
{
    QFETCH(int, shape);
    QFETCH(QVector<double>, sizes);
    sizes.resize(8);
    const CrossSectionRef section = makeSection(shape, sizes[0], sizes[1], sizes[2], sizes[3]);
    section->setTopFlangeOffset(sizes[4]);
    section->setBottomFlangeWidth(sizes[5]);
    section->setBottomFlangeThickness(sizes[6]);
    section->setBottomFlangeOffset(sizes[7]);
    section->compute();
    CrossSectionView page(UnitSystemRef(new UnitSystem));
    page.resize(420, 560);
    page.setSection(section, steel, steel);
    page.show();
    QGraphicsScene* scene = page.graphicsScene();

    QList<QGraphicsPathItem*> dimensions;
    for (QGraphicsItem* item : scene->items())
        if (auto* path = qgraphicsitem_cast<QGraphicsPathItem*>(item))
            if (path->pen() == CrossSectionView::Pen::DimensionLine
                || path->pen() == CrossSectionView::Pen::AltDimensionLine)
                dimensions << path;
    const QFontMetrics metrics(CrossSectionView::Font::DimensionText);
    int checked = 0;
    for (QGraphicsItem* item : scene->items()) {
        auto* text = dynamic_cast<ClickableGraphicsTextItem*>(item);
        if (!text)
            continue;
        // The glyphs themselves, their baseline at the font's ascent, and a
        // pixel around them.
        const QRectF glyphs = text->mapRectToScene(
            QRectF(metrics.tightBoundingRect(text->text())).translated(0, metrics.ascent()).adjusted(-1, -1, 1, 1));
        for (const QGraphicsPathItem* path : dimensions)
            QVERIFY2(!path->path().intersects(glyphs), qPrintable(text->text()));
        ++checked;
    }
    QVERIFY(checked >= 4);
}

VARO_EDITOR_TEST_MAIN(TestCrossSection)
#include "tst_crosssection.moc"
