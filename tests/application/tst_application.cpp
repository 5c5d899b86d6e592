#include "Application.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
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
    // below, left or above, slid along that side into the room.
    QTest::addColumn<QPoint>("place");
    QTest::addColumn<QString>("side");
    QTest::newRow("room on the right") << QPoint(100, 100) << "right";
    QTest::newRow("at the right edge") << QPoint(-60, 100) << "below";
    QTest::newRow("in the right bottom corner") << QPoint(-60, -50) << "left";
    QTest::newRow("right of a low opener") << QPoint(100, -50) << "right";
    QTest::newRow("no opener") << QPoint(100, 100) << "centred";
}

// Without a window manager a frame adds nothing: window and frame agree.
void TestApplication::childWindowOpensBesideItsOpener()
{
    QFETCH(QPoint, place);
    QFETCH(QString, side);
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setGeometry(room);
    auto* opener = new QPushButton(&owner);
    opener->setGeometry(place.x() < 0 ? room.width() + place.x() : place.x(),
                        place.y() < 0 ? room.height() + place.y() : place.y(), 40, 30);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    auto* window = new Remembered(&owner, Qt::Tool);
    window->resize(300, 200);
    Application::showWidgetBeside(window, side == "centred" ? nullptr : opener);

    const QRect at(opener->mapToGlobal(QPoint(0, 0)), opener->size());
    const QPoint expected = side == "right" ? QPoint(at.right() + 5, std::min(at.top(), room.bottom() - 199))
                            : side == "below" ? QPoint(std::min(at.left(), room.right() - 299), at.bottom() + 5)
                            : side == "left"  ? QPoint(at.left() - 304, room.bottom() - 199)
                                              : room.center() - QPoint(149, 99);
    QCOMPARE(window->frameGeometry(), QRect(expected, QSize(300, 200)));
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
