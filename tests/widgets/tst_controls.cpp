#include "ButtonBar.h"
#include "ColourPicker.h"
#include "ConfirmButtonDelegate.h"
#include "CpuTimeTesting.h"
#include "NameButton.h"
#include "PickerCell.h"
#include "ProgrammaticActionGroup.h"
#include "ProgrammaticButtonGroup.h"
#include "PushConfirmButton.h"
#include "ToolMenu.h"
#include "WidgetTesting.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>

namespace {

// The colours a cell's style sheet paints: background, then text.
QString cellColours(PickerCell& cell, QEvent::Type mouse = QEvent::None)
{
    if (mouse != QEvent::None) {
        QEvent event(mouse);
        QApplication::sendEvent(&cell, &event);
    }
    const QString sheet = cell.styleSheet();
    const int from = sheet.indexOf(QLatin1String("background-color:")) + 17;
    return sheet.mid(from, sheet.indexOf(QLatin1String(" border"), from) - from);
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void pickerCellStates();
    void pickerCellClicksAndFrames();
    void buttonAndActionGroups();
    void confirmations();
    void colourSwatches();
    void toolMenu();
    void longNamesCostWhatIsShown();
};

void TestControls::pickerCellStates()
{
    PickerCell cell(PickerCell::standardPushButton(QStringLiteral("Add")), nullptr);
    QCOMPARE(cellColours(cell), QStringLiteral("white; color:#000000;"));
    cell.setHighlighted(true);
    QCOMPARE(cellColours(cell), QStringLiteral("#ffdd00; color:black;"));
    // The mouse wins over the highlight while the cell is active.
    QCOMPARE(cellColours(cell, QEvent::Enter), QStringLiteral("#aa0000; color:white;"));
    cell.setActive(false);
    QCOMPARE(cellColours(cell), QStringLiteral("#ffdd00; color:black;"));
    cell.setActive(true);
    QCOMPARE(cellColours(cell), QStringLiteral("#aa0000; color:white;"));
    cell.setEnabled(false);
    QCOMPARE(cellColours(cell), QStringLiteral("white; color:#888888;"));
    cell.setEnabled(true);
    cell.setActive(false);
    cell.setHighlighted(false);
    QCOMPARE(cellColours(cell, QEvent::Leave), QStringLiteral("white; color:#000000;"));
    QCOMPARE(cellColours(cell, QEvent::Enter), QStringLiteral("white; color:#000000;"));
}

void TestControls::pickerCellClicksAndFrames()
{
    QWidget page;
    QList<PickerCell*> cells;
    for (int i = 0; i < 3; ++i)
        cells << new PickerCell(QStringLiteral("cell %1").arg(i), &page);
    QSignalSpy clicked(cells[1], &PickerCell::Clicked);
    QTest::mouseClick(cells[1], Qt::LeftButton);
    cells[1]->setActive(false);
    QTest::mouseClick(cells[1], Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked[0][0].value<PickerCell*>(), cells[1]);

    PickerCell::setGroupBorders(cells);
    const QString sides = QStringLiteral("border-left:1px solid #aaaaaa; border-top:1px solid #aaaaaa; "
                                         "border-right:1px solid #aaaaaa; ");
    const QString corners = QStringLiteral("border-top-left-radius:%1px; border-top-right-radius:%1px; "
                                           "border-bottom-left-radius:%2px; border-bottom-right-radius:%2px;");
    QVERIFY(cells[0]->styleSheet().contains(sides + corners.arg(8).arg(0)));
    QVERIFY(cells[1]->styleSheet().contains(sides + QStringLiteral("border-radius:0px;")));
    QVERIFY(cells[2]->styleSheet().contains(QStringLiteral("border:1px solid #aaaaaa; ") + corners.arg(0).arg(8)));
    PickerCell::setGroupBorders({cells[0]});
    QVERIFY(cells[0]->styleSheet().contains(QStringLiteral("border:1px solid #aaaaaa; ") + corners.arg(8).arg(8)));
}

void TestControls::buttonAndActionGroups()
{
    ButtonBar bar({"One", "Two", "Three"}, {"first"}, nullptr);
    QSignalSpy clicked(&bar, &ButtonBar::buttonClicked);
    for (int index : {1, 1, 7})
        bar.setCurrentIndex(index);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked[0][0].toInt(), 1);
    QCOMPARE(bar.group()->button(2)->toolTip(), QString());
    ButtonBar single({"Only"}, {}, nullptr);
    QVERIFY(single.group()->button(0)->styleSheet().contains(QStringLiteral(
        "border-top-left-radius:6px; border-bottom-left-radius:6px; border-top-right-radius:6px;")));

    ProgrammaticActionGroup actions(nullptr);
    for (int i = 0; i < 3; ++i)
        actions.addAction(QStringLiteral("action %1").arg(i))->setCheckable(true);
    QSignalSpy checked(&actions, &ProgrammaticActionGroup::checked);
    actions.setCurrentIndex(2);
    QVERIFY(actions.actions()[2]->isChecked());
    actions.actions()[0]->trigger();
    QCOMPARE(checked.count(), 1);
    QCOMPARE(checked[0][0].toInt(), 0);
}

void TestControls::confirmations()
{
    QPushButton button;
    button.setCheckable(true);
    auto* delegate = new ConfirmButtonDelegate(&button);
    QSignalSpy confirmed(delegate, &ConfirmButtonDelegate::Confirmed);
    button.click();
    // The wait running out makes the next click a first click again.
    delegate->reset();
    button.click();
    QVERIFY(button.isChecked());
    button.click();
    QCOMPARE(confirmed.count(), 1);
    QVERIFY(!button.isChecked());

    PushConfirmButton push(QStringLiteral("Delete"), nullptr, Qt::darkGray, Qt::red);
    push.resize(200, 30);
    push.show();
    QVERIFY(QTest::qWaitForWindowExposed(&push));
    QSignalSpy pushed(&push, &PushConfirmButton::Confirmed);
    const QList<QLabel*> labels = push.findChildren<QLabel*>();
    for (int i = 0; i < 2; ++i) {
        // A second press on the caption waits again instead of confirming.
        QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(push.isAskingForConfirmation());
    }
    QTRY_VERIFY(labels[0]->isVisible());
    QTest::mousePress(&push, Qt::LeftButton, {}, labels[0]->geometry().center());
    QCOMPARE(pushed.count(), 1);
    QVERIFY(!push.isAskingForConfirmation());
}

void TestControls::colourSwatches()
{
    ColourPicker picker(nullptr);
    picker.resize(100, 100);
    QCOMPARE(picker.swatchArea(), QRect(10, 10, 80, 80));
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 8; ++row)
            QCOMPARE(picker.rectOfSwatch(ColourPicker::colourOfSwatch(column, row)),
                     QRect(10 * column, 10 * row, 10, 10));
    QCOMPARE(ColourPicker::colourOfSwatch(5, 6), QColor(85, 170, 255));
    QCOMPARE(picker.rectOfSwatch(QColor(100, 200, 90)), picker.rectOfSwatch(QColor(85, 170, 85)));

    // Left of the swatches is column 0; the owner sets the colour.
    QSignalSpy changed(&picker, &ColourPicker::ColourChanged);
    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(2, 35));
    QCOMPARE(changed[0][0].value<QColor>(), QColor(0, 170, 0));
    QCOMPARE(picker.colour(), QColor(Qt::white));
}

void TestControls::toolMenu()
{
    QToolBar bar;
    ToolMenu menu(&bar, QPixmap(24, 24), nullptr);
    QAction target(nullptr);
    QSignalSpy triggered(&target, &QAction::triggered);
    QToolButton* first = menu.addButton(QIcon(), QStringLiteral("first"), &target, SLOT(trigger()));
    menu.addSpacer();
    menu.column = 1;
    menu.addButton(QIcon(), QStringLiteral("side"), &target, SLOT(trigger()));
    auto* grid = static_cast<QGridLayout*>(menu.layout());
    QCOMPARE(ToolMenu::findSpareCell(grid, 0), 2);
    QCOMPARE(ToolMenu::findSpareCell(grid, 1), 1);
    first->click();
    QCOMPARE(triggered.count(), 1);
}

// A name of a million letters costs the name button and the picker title what
// one of sixty thousand does, and a tool tip shows 300 of its letters.
void TestControls::longNamesCostWhatIsShown()
{
    // Sixteen times the letters: the same work, where laying out the whole
    // name would take 16 times as much.
    const int small = 62500, large = 16 * small;
    const double bound = middleGrowth(small, large, Work::Constant, Work::Linear);
    for (const bool picker : {false, true}) {
        QString name, toolTip;
        const double growth = cpuTimeGrowth(small, large, [&](int letters) {
            name = QStringLiteral("Wind on the long side ").repeated(letters / 22 + 1).left(letters);
            const double before = threadCpuSeconds();
            const QScopedPointer<QWidget> widget(
                picker ? static_cast<QWidget*>(new PickerCell(PickerCell::Type1, name, "", nullptr))
                       : new NameButton(name, "Choose", nullptr));
            widget->resize(200, widget->sizeHint().height());
            widget->show();
            toolTip = widget->toolTip();
            return threadCpuSeconds() - before;
        });
        QVERIFY2(growth < bound, qPrintable(QStringLiteral("%1 times, picker %2").arg(growth).arg(picker)));
        QVERIFY(toolTip.contains(name.left(300) + QChar(0x2026)));
    }
}

VARO_WIDGET_TEST_MAIN(TestControls)

#include "tst_controls.moc"
