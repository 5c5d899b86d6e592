#include "AppTesting.h"

#include "Application.h"
#include "DocumentModel.h"
#include "FileNameCodec.h"
#include "Group.h"
#include "MainWindow.h"
#include "ModelResources.h"
#include "Startup.h"
#include "TestMain.h"
#include "Updater.h"

#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString replyKey = QStringLiteral("LastUpdateCheckReply"), dateKey = QStringLiteral("LastUpdateCheckDate");
// A model whose name holds a Latin-1 letter, which is not UTF-8.
const QByteArray latin1Name = "caf\xe9.varou";

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void identityMetaTypesAndOpenGLAreChecked();
    void startUpShowsItsMessages_data();
    void startUpShowsItsMessages();
    void updateQueryFollowsTheSchedule_data();
    void updateQueryFollowsTheSchedule();
    void updateReplyAnnouncesEachNewerVersion_data();
    void updateReplyAnnouncesEachNewerVersion();
    void windowsGoBeforeTheApplication();

private:
    RecordingDialogs dialogs;
    QTemporaryDir folder;
    QStringList announcements;
};

void TestStartup::initTestCase()
{
    initialiseModelResources();
    registerStartupMetaTypes();
    setApplicationIdentity();
    initialiseProgramWideValues();
    createSharedSettings();
    UserDialogs::install(&dialogs);
    connect(qobject_cast<Application*>(qApp), &Application::UpdateAvailable, this,
            [this](const QString& version, const QString& url) { announcements << version + ' ' + url; });
    QVERIFY(QDir::setCurrent(folder.path()));
    QVERIFY(QFile::copy(QStringLiteral(":/templateDefault.varok"), QStringLiteral("model.varou")));
    QCOMPARE(::mkfifo("pipe.varou", 0600), 0);
    QCOMPARE(::link("model.varou", latin1Name.constData()), 0);
    // As main() does before it reads the arguments.
    FileNameCodec::installForLocale();
}

void TestStartup::init()
{
    dialogs = RecordingDialogs();
    announcements.clear();
    Application::_settings->clear();
    Application::_availableUpdateURL.clear();
    qunsetenv("VARO_UPDATE_HOST");
}

void TestStartup::identityMetaTypesAndOpenGLAreChecked()
{
    QCOMPARE(QStringList({QCoreApplication::applicationName(), QCoreApplication::applicationVersion(),
                          QCoreApplication::organizationName(), Application::_applicationProductCode}),
             QStringList({"VARO Ulmar", "1.23", "Kelvory Ltd.", "4c07d2e915"}));
    QVERIFY(Application::_settings->fileName().startsWith(QDir::tempPath()));
    int previous = QMetaType::User;
    for (const char* name : {"QPrinterInfo", "QList<QPrinterInfo>", "QImage*", "QMutex*", "GroupRef"}) {
        QVERIFY2(QMetaType::type(name) > previous, name);
        previous = QMetaType::type(name);
    }
    QCOMPARE(QMetaType::type("CalculatorReference"), int(QMetaType::QVariantMap));
    QVERIFY(QFile(QStringLiteral(VARO_PROGRAM_FOLDER "/help/Help_Homepage.html")).size() > 1000);

    const QString version = "<li>OpenGL 1.4 or higher</li>";
    const QString buffers = "<li>Either frame buffer or pixel buffer support</li>";
    QCOMPARE(missingOpenGLCapabilities(true, true, false) + missingOpenGLCapabilities(true, false, true), QString());
    QCOMPARE(missingOpenGLCapabilities(false, true, true), version);
    QCOMPARE(missingOpenGLCapabilities(true, false, false), buffers);
    QCOMPARE(openGLRefusalText(missingOpenGLCapabilities(false, false, false)),
             "<p>This computer is lacking the following necessary capabilities and VARO Ulmar cannot run:</p><ul>"
                 + version + buffers + "</ul><p>This may be due to out-of-date or inappropriate graphics drivers. "
                 "Installing the latest relevant version from the graphics manufacturer or system provider may "
                 "rectify this problem.</p>");
    QVERIFY(checkOpenGLCapabilities()); // the software renderer of the test machine serves the view
}

void TestStartup::startUpShowsItsMessages_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QVariant>("runCount");
    QTest::addColumn<QStringList>("messages");
    const auto missing = [](const QString& name) {
        return QStringLiteral("The requested file '%1' was not found. A default blank model will be loaded "
                              "instead.").arg(name);
    };
    const auto notAFile = [](const QString& name) {
        return QStringLiteral("The requested file '%1' is a folder, pipe or device rather than a model file. A "
                              "default blank model will be loaded instead.").arg(name);
    };
    const QString notice = "Please note that this is a pre-release test version and not for general use.";
    const QString hint = "If this is the first time you have used VARO Ulmar then please see the on-line help in the "
                         "Help menu, and particularly the guided tour and replay demonstrations.";
    QTest::newRow("first start") << QStringList() << QString() << "1.23" << QVariant() << QStringList{hint};
    QTest::newRow("missing, then a model") << QStringList{"gone", "model.varou", "lost"} << "model.varou" << "1.23"
                                           << QVariant(5) << QStringList{missing("gone")};
    QTest::newRow("a model, then missing") << QStringList{"model.varou", "gone"} << "model.varou" << "1.23"
                                           << QVariant(1) << QStringList();
    QTest::newRow("a folder, beta") << QStringList{"."} << QString() << "1.24 BeTa" << QVariant(0)
                                    << QStringList{notAFile("."), notice, hint};
    QTest::newRow("a pipe, then a model") << QStringList{"pipe.varou", "model.varou"} << "model.varou" << "1.23"
                                          << QVariant(1) << QStringList{notAFile("pipe.varou")};
    const QString latin1 = QFile::decodeName(latin1Name);
    QTest::newRow("a name that is not UTF-8") << QStringList{latin1} << latin1 << "1.23" << QVariant(1)
                                              << QStringList();
    QTest::newRow("alpha") << QStringList() << QString() << "2.0alpha1" << QVariant("often")
                           << QStringList{notice, hint};
}

void TestStartup::startUpShowsItsMessages()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, chosen);
    QFETCH(QString, version);
    QFETCH(QVariant, runCount);
    QFETCH(QStringList, messages);
    if (runCount.isValid())
        Application::_settings->setValue(QStringLiteral("RunCount"), runCount);
    QCOMPARE(chooseModelFile(arguments), chosen);
    QCoreApplication::setApplicationVersion(version);
    Updater updater;
    startUpdateCheck(updater);
    greetFirstTimeUser();
    setApplicationIdentity();
    QCOMPARE(dialogs.texts(), messages);
    QCOMPARE(Application::_settings->value("RunCount").toInt(), runCount.toInt() ? runCount.toInt() : 1);
    QCOMPARE(Application::_settings->contains(dateKey), version == "1.23"); // a pre-release makes no check
}

void TestStartup::updateQueryFollowsTheSchedule_data()
{
    QTest::addColumn<QDate>("stored");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("query");
    QTest::addColumn<bool>("reread");
    QTest::addColumn<QDate>("after");
    const QDate today = QDate::currentDate();
    QTest::newRow("first start") << QDate() << QString() << true << false << today;
    QTest::newRow("same day") << today << "1.23" << false << true << today;
    QTest::newRow("two days on") << today.addDays(-2) << "1.23" << false << true << today.addDays(-2);
    QTest::newRow("three days on") << today.addDays(-3) << "1.23" << true << false << today;
    QTest::newRow("new version") << today.addDays(-1) << "1.22" << true << false << today;
    QTest::newRow("year out of range") << QDate(2005, 6, 1) << "1.23" << false << false << today;
    QTest::newRow("clock set back") << today.addDays(4) << "1.23" << false << true << today;
}

void TestStartup::updateQueryFollowsTheSchedule()
{
    QFETCH(QDate, stored);
    QFETCH(QString, version);
    QFETCH(bool, query);
    QFETCH(bool, reread);
    QFETCH(QDate, after);
    Application::_settings->setValue(dateKey, stored);
    Application::_settings->setValue(QStringLiteral("LastUpdateCheckVersion"), version);
    Application::_settings->setValue(replyKey, QStringLiteral("http://a.example/1\t1.30"));
    Updater updater;
    updater.checkForUpdates();
    // No host is set: a query due ends at once with an empty reply, and no request is made.
    QCOMPARE(updater.findChild<QNetworkReply*>(), nullptr);
    QCOMPARE(Application::_settings->value(replyKey).toString().isEmpty(), query);
    QCOMPARE(announcements.size(), reread ? 1 : 0);
    QCOMPARE(Application::_settings->value(dateKey).toDate(), after);
    QCOMPARE(Application::_settings->value("LastUpdateCheckVersion").toString(), QStringLiteral("1.23"));
}

void TestStartup::updateReplyAnnouncesEachNewerVersion_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("announced");
    const auto row = [](const char* name, const QByteArray& body, const QStringList& announced,
                        const char* stored = nullptr) {
        QTest::newRow(name) << body << QString::fromUtf8(stored ? QByteArray(stored) : body) << announced;
    };
    const QByteArray a = "http://a.example/1\t", b = "https://b.example/2\t";
    const QString a24 = "1.24 http://a.example/1", b25 = "1.25 https://b.example/2";
    row("ascending", a + "1.24\n" + b + "1.25", {a24, b25});
    row("descending", b + "1.25\n" + a + "1.24", {b25});
    row("digits joined", a + "2.0\n" + a + "1.3\n" + b + "1.100", {"1.100 https://b.example/2"});
    row("empty fields, lines, no version", "\n\t" + a + "\t1.24\tx\n\n" + a, {a24});
    row("unsafe", "javascript:x\t1.24\n" + a + "<b>1.30</b>\nhttp://c.example/x\"y\t1.25\nftp://d.example/\t1.26",
        {"1.25 http://c.example/x%22y"});
    row("cut at NUL", a + "1.24\n" + QByteArray(1, '\0') + b + "1.5", {a24}, "http://a.example/1\t1.24\n");
    row("outsized", a + "1.24\n" + QByteArray(Updater::maximumReplySize, 'x'), {}, "");
    row("no service", QByteArray(), {}, "");
}

void TestStartup::updateReplyAnnouncesEachNewerVersion()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, stored);
    QFETCH(QStringList, announced);
    QTcpServer server;
    QByteArray request;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    // Answers the first request, then stops listening.
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        server.close();
        connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            request += socket->readAll();
            if (!request.contains("\r\n\r\n"))
                return;
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size())
                          + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    });
    if (!body.isNull())
        qputenv("VARO_UPDATE_HOST", "127.0.0.1:" + QByteArray::number(server.serverPort()));
    Application::_settings->setValue(replyKey, QStringLiteral("unanswered"));
    Updater updater;
    updater.checkForUpdates();
    QTRY_COMPARE(Application::_settings->value(replyKey).toString(), stored);
    QCOMPARE(announcements, announced);
    QCOMPARE(Application::_availableUpdateURL, announced.isEmpty() ? QString() : announced.last().section(' ', 1));
    QVERIFY(body.isNull() || (request.startsWith("GET /updates.php?VARO-Ulmar_4c07d2e915 HTTP/1.1\r\n")
                              && request.contains("\r\nUser-Agent: None\r\n")));
}

void TestStartup::windowsGoBeforeTheApplication()
{
    QPointer<MainWindow> named = openFirstMainWindow(QStringLiteral("model.varou"));
    QPointer<MainWindow> blank = openFirstMainWindow(QString());
    QVERIFY(named->isVisible() && blank->documentModel()->path().isEmpty());
    QCOMPARE(named->documentModel()->path(), QStringLiteral("model.varou"));
    const QWeakPointer<DocumentModel> document = named->documentModel();
    closeRemainingMainWindows();
    QVERIFY(!named && !blank && !document && dialogs.boxes.isEmpty());
}

// The program's own application object, with the settings redirected before anything can open them.
int main(int argc, char* argv[])
{
    QTemporaryDir settingsFolder;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, settingsFolder.path());
    Application application(argc, argv);
    const int failures = runTestCountingWarnings<TestStartup>(argc, argv);
    // The program's settings are written now, while their folder is still there.
    Application::_settings.reset();
    return failures;
}

#include "tst_startup.moc"
