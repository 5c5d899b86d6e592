#include "AppTesting.h"
#include "DocumentModel.h"
#include "EditorPages.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "VisualConstants.h"
#include "TestMain.h"

#include <QAbstractButton>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Where each child window is opened from: the mode it needs, the tool menu
// holding its button (if any) and the button.
struct Opening
{
    const char* window;
    const char* tab;
    const char* menu;
    const char* button;
};

const Opening openings[] = {
    {"SupportPicker", "TabGeometry", "ButtonNodeMenu", "ActionNodeSupports"},
    {"MemberAxisPicker", "TabGeometry", "ButtonMemberMenu", "ActionMemberAxes"},
    {"SectionAccessor", "TabGeometry", "ButtonMemberMenu", "ActionSectionLibrary"},
    {"MemberPinPicker", "TabGeometry", "ButtonMemberMenu", "ActionMemberPins"},
    {"GroupAccessor", "TabGeometry", nullptr, "ButtonGroup"},
    {"LoadAxisPicker", "TabLoading", "ButtonLoadMenu", "ActionLoadAxis"},
    {"LoadCaseAccessor", "TabLoading", nullptr, "ButtonLoadCase"},
    {"Utilities", "TabGeometry", nullptr, "TabUtilities"},
    {"ViewSelector", "TabGeometry", nullptr, "ButtonViewSelector"},
    // Opened from the utility window, beside which it opens.
    {"ReportView", "TabGeometry", nullptr, "TabUtilities"},
};

QRect globalRect(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

// What of the window's content does not show whole: a list scrolled
// sideways, a cell or tile narrower than its text or reaching past the list
// it is in, a push cell over the labels beside it. Empty when all shows.
QString cutContent(QWidget* window)
{
    QList<QAbstractScrollArea*> areas = window->findChildren<QAbstractScrollArea*>();
    if (auto* own = qobject_cast<QAbstractScrollArea*>(window))
        areas << own;
    for (QAbstractScrollArea* area : areas) {
        if (!area->isVisibleTo(window))
            continue;
        if (area->horizontalScrollBar()->value() != 0)
            return QStringLiteral("%1 scrolled sideways").arg(area->objectName());
        const QRect viewport = globalRect(area->viewport());
        for (QWidget* part : area->viewport()->findChildren<QWidget*>()) {
            if (!part->isVisibleTo(window) || !(qobject_cast<QLabel*>(part) || qobject_cast<QAbstractButton*>(part)))
                continue;
            const QRect at = globalRect(part);
            if (at.left() < viewport.left() || at.right() > viewport.right())
                return QStringLiteral("%1 '%2' reaches past its list").arg(area->objectName(), part->objectName());
            if (part->width() < part->sizeHint().width())
                return QStringLiteral("%1 '%2' is cut").arg(area->objectName(), part->objectName());
        }
    }
    if (QWidget* use = window->findChild<QWidget*>(QStringLiteral("Use")); use && use->isVisibleTo(window)) {
        if (!globalRect(window).contains(globalRect(use)))
            return QStringLiteral("Use outside the window");
        for (QLabel* label : use->parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            if (label != use && label->isVisibleTo(window) && label->geometry().intersects(use->geometry()))
                return QStringLiteral("Use over '%1'").arg(label->text());
    }
    return QString();
}

} // namespace

// Child windows on their first show, with and without a stored geometry.
class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstShowFitsBesideItsOpener_data();
    void firstShowFitsBesideItsOpener();
    void storedGeometryWins_data();
    void storedGeometryWins();

private:
    QWidget* open(const Opening& opening);
    static int row(const QString& window);

    RecordingDialogs dialogs;
    QScopedPointer<QTemporaryDir> folder;
    QPointer<MainWindow> window;
    QRect openerAt;
};

void TestWindows::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
    initialiseVisualConstants();
    installEditorPages();
    QApplication::setApplicationName(QStringLiteral("VARO Ulmar"));
}

void TestWindows::init()
{
    UserDialogs::install(&dialogs);
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
    window = new MainWindow;
    QVERIFY(window->openFile(QStringLiteral(":/example/05.KU.Space Frame.varok"), true));
    // A node, a member and a load, so that every picker has something to show.
    const QSharedPointer<StructureModel> structure = window->documentModel()->structureModel();
    const QSharedPointer<SelectionModel> selection = window->documentModel()->selectionModel();
    selection->selectObject(structure->nodes().first(), 0, 0);
    selection->selectObject(structure->members().first(), 0, 0);
    selection->selectObject(structure->loads().first(), 0, 0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestWindows::cleanup()
{
    delete window.data();
    UserDialogs::install(nullptr);
}

int TestWindows::row(const QString& name)
{
    for (int i = 0; i < int(sizeof(openings) / sizeof(openings[0])); ++i)
        if (name == QLatin1String(openings[i].window))
            return i;
    return -1;
}

// Opens the window as a user does and keeps where its opener was.
QWidget* TestWindows::open(const Opening& opening)
{
    window->findChild<QAbstractButton*>(opening.tab)->click();
    // The mode shows and hides its windows from the event loop.
    QTest::qWait(20);
    if (opening.menu)
        window->findChild<QAbstractButton*>(opening.menu)->click();
    auto* button = window->findChild<QAbstractButton*>(opening.button);
    // A tool menu closes on the click: the window opens beside where it was.
    openerAt = opening.menu ? button->window()->frameGeometry() : globalRect(button);
    button->click();
    if (opening.window == QByteArray("ReportView")) {
        QWidget* utilities = window->findChild<QWidget*>(QStringLiteral("Utilities"));
        if (!QTest::qWaitForWindowExposed(utilities))
            return nullptr;
        openerAt = utilities->frameGeometry();
        QTest::mouseClick(utilities->findChild<QWidget*>(QStringLiteral("Report")), Qt::LeftButton);
    }
    QWidget* shown = window->findChild<QWidget*>(opening.window);
    if (!QTest::qWaitForWindowExposed(shown))
        return nullptr;
    // The queued refresh that follows the click, and what it shows.
    QTest::qWait(50);
    return shown;
}

void TestWindows::firstShowFitsBesideItsOpener_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(sizeof(openings) / sizeof(openings[0])); ++i)
        QTest::newRow(openings[i].window) << i;
}

// Whole, entirely on the screen and beside what opened it.
void TestWindows::firstShowFitsBesideItsOpener()
{
    QFETCH(int, index);
    QWidget* shown = open(openings[index]);
    QVERIFY(shown);
    QTRY_VERIFY2(cutContent(shown).isEmpty(), qPrintable(cutContent(shown)));
    const QRect available = shown->screen()->availableGeometry();
    QVERIFY(available.contains(shown->frameGeometry()));
    // Beside: within a few pixels of the opener, without covering its middle.
    QVERIFY(shown->frameGeometry().adjusted(-8, -8, 8, 8).intersects(openerAt));
    QVERIFY(!shown->frameGeometry().contains(openerAt.center()));
    // For a person to look at: the whole screen, with the opener.
    keepForReview(shown->screen()->grabWindow(0), QStringLiteral("%1.png").arg(openings[index].window));
}

void TestWindows::storedGeometryWins_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("stored");
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    // Centred, so that it lies wholly on the smallest screen, frame and all.
    const QSize size(1000, 500);
    const QRect wide(room.center() - QPoint(size.width() / 2, size.height() / 2), size);
    QTest::newRow("SectionAccessor") << row("SectionAccessor") << "SectionAccessor" << wide;
    QTest::newRow("Utilities") << row("Utilities") << "UtilityWindow" << wide;
    QTest::newRow("ReportView") << row("ReportView") << "ReportView" << wide;
    // Narrower than its entries, as the user left it: cut at the right, never
    // scrolled sideways to the highlighted entry.
    QTest::newRow("narrow SupportPicker") << row("SupportPicker") << "SupportPicker"
                                          << QRect(wide.topLeft(), QSize(160, 300));
    // Reaching past the screen's right edge: moved left until it shows whole.
    QTest::newRow("partly off the screen") << row("ReportView") << "ReportView"
                                           << wide.translated(room.right() - wide.center().x(), 0);
    // Off every screen: brought back onto it, frame and all.
    QTest::newRow("off the screen") << row("SupportPicker") << "SupportPicker"
                                    << QRect(room.bottomRight() + QPoint(2000, 2000), QSize(300, 400));
}

void TestWindows::storedGeometryWins()
{
    QFETCH(int, index);
    QFETCH(QString, className);
    QFETCH(QRect, stored);
    QWidget model;
    model.setGeometry(stored);
    Application::saveWidgetGeometry(&model, className);
    QWidget* shown = open(openings[index]);
    QVERIFY(shown);
    const QRect available = shown->screen()->availableGeometry();
    // The window system reports where a window went some time after the move.
    if (available.contains(stored)) {
        QTRY_COMPARE(shown->geometry(), stored);
    } else {
        QTRY_VERIFY2(available.contains(shown->frameGeometry()), QTest::toString(shown->frameGeometry()));
        QCOMPARE(shown->size(), stored.size());
    }
    if (auto* list = qobject_cast<QScrollArea*>(shown))
        QCOMPARE(list->horizontalScrollBar()->value(), 0);
}

VARO_TEST_MAIN(TestWindows)
#include "tst_windows.moc"
