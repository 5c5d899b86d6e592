#include "Application.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>

#include <new>

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void geometryIsRestoredOnFirstShowOnly();
    void missingStoreOrEntry();
    void destroyedWidgetsAddressIsRestoredAgain();
    void childWindowOpensBesideItsOpener_data();
    void childWindowOpensBesideItsOpener();
    void placedWindowStillFollowsItsContent();
    void enumerationWithoutPrinters();
    void sleepLastsItsTime();

private:
    QTemporaryDir dir;
};

void TestApplication::init()
{
    Application::_settings.reset(new QSettings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    Application::_settings->clear();
}

void TestApplication::cleanup()
{
    Application::_settings.reset();
}

void TestApplication::geometryIsRestoredOnFirstShowOnly()
{
    QWidget first;
    first.resize(321, 234);
    Application::saveWidgetGeometry(&first, QString());

    // A second window of the class gets what the first one left, once.
    QWidget second;
    QVERIFY(Application::restoreWidgetGeometry(&second, QString()));
    QCOMPARE(second.size(), QSize(321, 234));
    second.resize(200, 150);
    QVERIFY(!Application::restoreWidgetGeometry(&second, QString()));
    QCOMPARE(second.size(), QSize(200, 150));
    QVERIFY(!Application::restoreWidgetGeometry(&first, QStringLiteral("Nothing")));

    // Bytes the toolkit rejects still count as restored.
    Application::_settings->setValue(QStringLiteral("Junk"), QByteArray("junk"));
    QWidget other;
    QVERIFY(Application::restoreWidgetGeometry(&other, QStringLiteral("Junk")));
}

void TestApplication::missingStoreOrEntry()
{
    QSharedPointer<QSettings> settings = Application::_settings;
    Application::_settings.reset();
    QWidget early;
    QVERIFY(!Application::restoreWidgetGeometry(&early, QString()));
    Application::saveWidgetGeometry(&early, QString());

    // A widget first shown before the store exists is never restored later.
    Application::_settings = settings;
    QVERIFY(settings->allKeys().isEmpty());
    Application::saveWidgetGeometry(&early, QString());
    QVERIFY(!Application::restoreWidgetGeometry(&early, QString()));
}

void TestApplication::destroyedWidgetsAddressIsRestoredAgain()
{
    QWidget model;
    model.resize(345, 123);
    Application::saveWidgetGeometry(&model, QStringLiteral("Reused"));

    // The same storage for both widgets makes the address reuse certain.
    alignas(QWidget) unsigned char storage[sizeof(QWidget)];
    QWidget* first = new (storage) QWidget;
    QVERIFY(Application::restoreWidgetGeometry(first, QStringLiteral("Reused")));
    first->~QWidget();
    QVERIFY(!Application::_widgetOpened.contains(static_cast<QObject*>(static_cast<void*>(storage))));

    QWidget* second = new (storage) QWidget;
    QCOMPARE(static_cast<void*>(second), static_cast<void*>(first));
    QVERIFY(Application::restoreWidgetGeometry(second, QStringLiteral("Reused")));
    QCOMPARE(second->size(), QSize(345, 123));
    second->~QWidget();
}

namespace {

// A window that keeps its geometry, as the program's windows do.
class Remembered : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void showEvent(QShowEvent* event) override
    {
        Application::restoreWidgetGeometry(this, QString());
        QWidget::showEvent(event);
    }
};

} // namespace

void TestApplication::childWindowOpensBesideItsOpener_data()
{
    // Where the 40 x 30 opener sits, negative coordinates counting from the
    // room's right and bottom; the 300 x 200 window opens right of it, else
    // below, left or above, slid along that side into the room. Under a
    // window manager a frameless owner lends the window no frame to be
    // placed by: it is placed again once it has its own.
    QTest::addColumn<QPoint>("place");
    QTest::addColumn<QString>("side");
    QTest::addColumn<bool>("frameless");
    QTest::newRow("room on the right") << QPoint(100, 100) << "right" << false;
    QTest::newRow("at the right edge") << QPoint(-60, 100) << "below" << false;
    QTest::newRow("in the right bottom corner") << QPoint(-60, -50) << "left" << false;
    QTest::newRow("right of a low opener") << QPoint(100, -50) << "right" << false;
    QTest::newRow("no opener") << QPoint(100, 100) << "centred" << false;
    QTest::newRow("frameless owner, right") << QPoint(100, -50) << "right" << true;
    QTest::newRow("frameless owner, left") << QPoint(-60, -50) << "left" << true;
    QTest::newRow("frameless owner, below") << QPoint(-60, 100) << "below" << true;
}

// The frame, whatever a window manager makes it, is what lands beside the
// opener; without one, window and frame agree.
void TestApplication::childWindowOpensBesideItsOpener()
{
    QFETCH(QPoint, place);
    QFETCH(QString, side);
    QFETCH(bool, frameless);
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner(nullptr, frameless ? Qt::FramelessWindowHint : Qt::WindowFlags());
    owner.setGeometry(room);
    auto* opener = new QPushButton(&owner);
    opener->setGeometry(place.x() < 0 ? room.width() + place.x() : place.x(),
                        place.y() < 0 ? room.height() + place.y() : place.y(), 40, 30);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    auto* window = new Remembered(&owner, Qt::Tool);
    window->resize(300, 200);
    Application::showWidgetBeside(window, side == "centred" ? nullptr : opener);
    QVERIFY(QTest::qWaitForWindowExposed(window));

    // Where the frame belongs, for the frame it has.
    const auto expected = [&] {
        const QRect at(opener->mapToGlobal(QPoint(0, 0)), opener->size());
        const QRect frame = window->windowHandle()->frameGeometry();
        const int w = frame.width(), h = frame.height();
        return side == "right" ? QPoint(at.right() + 5, std::min(at.top(), room.bottom() + 1 - h))
               : side == "below" ? QPoint(std::min(at.left(), room.right() + 1 - w), at.bottom() + 5)
               : side == "left"  ? QPoint(at.left() - 4 - w, room.bottom() + 1 - h)
                                 : owner.frameGeometry().center() - QPoint((w - 1) / 2, (h - 1) / 2);
    };
    QTRY_COMPARE(window->windowHandle()->frameGeometry().topLeft(), expected());
    QCOMPARE(window->size(), QSize(300, 200));
}

// A window placed before it is first shown, and never resized, still opens
// as large as its content, with its frame where it was placed.
void TestApplication::placedWindowStillFollowsItsContent()
{
    QWidget window;
    auto* content = new QWidget;
    content->setFixedSize(120, 80);
    (new QVBoxLayout(&window))->addWidget(content);
    const QPoint at = QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(50, 60);
    Application::placeFrame(&window, [&window, at](const QMargins& margins) {
        return QRect(at, window.size().grownBy(margins));
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), window.sizeHint());
    QTRY_COMPARE(window.windowHandle()->frameGeometry().topLeft(), at);
}

void TestApplication::enumerationWithoutPrinters()
{
    Application::_queryPrinters = [] { return Application::PrinterQuery(); };
    auto* application = qobject_cast<Application*>(qApp);
    QSignalSpy enumerated(application, &Application::PrintersEnumerated);
    QVERIFY(!Application::_printersHaveBeenEnumerated);
    application->enumeratePrinters();
    QCOMPARE(enumerated.count(), 1);
    QVERIFY(Application::_printersHaveBeenEnumerated);
    QVERIFY(Application::_availablePrinters.isEmpty());
    QVERIFY(Application::_defaultPrinter.isNull());
}

void TestApplication::sleepLastsItsTime()
{
    QElapsedTimer clock;
    clock.start();
    Application::msleep(60);
    QVERIFY(clock.elapsed() >= 60);
}

int main(int argc, char* argv[])
{
    Application application(argc, argv);
    return runTestCountingWarnings<TestApplication>(argc, argv);
}

#include "tst_application.moc"
