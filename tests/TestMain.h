#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#if defined(QT_WIDGETS_LIB)
#include <QApplication>
#define VARO_TEST_APPLICATION QApplication
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
#define VARO_TEST_APPLICATION QGuiApplication
#else
#define VARO_TEST_APPLICATION QCoreApplication
#endif

// Keeps a picture for a person to look at, in the folder VARO_SCREENSHOTS
// names; without it nothing is written, so no run leaves files behind or
// depends on a shared folder being writable.
template <typename Picture>
void keepForReview(const Picture& picture, const QString& fileName)
{
    if (qEnvironmentVariableIsEmpty("VARO_SCREENSHOTS"))
        return;
    const QString path = QDir(qEnvironmentVariable("VARO_SCREENSHOTS")).filePath(fileName);
    QDir().mkpath(QFileInfo(path).path());
    picture.save(path);
}

// Fails a test run on every Qt warning, critical or fatal message that no
// QTest::ignoreMessage expected. During the run QTest's own handler swallows
// the expected messages and logs the others; a second log of the run, in a
// temporary file, is where those are counted. Messages before and after the
// run, such as those of the test object's destruction, reach a handler of
// this class. Not counted are the few messages of the X platform layer that
// depend on how fast the X server answers (isXServerTiming).
class QtWarningCount
{
public:
    // The X connection's thread may log already: the handler it calls finds
    // the one before it known, and Qt's default answers meanwhile.
    QtWarningCount()
    {
        previousHandler() = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(&QtWarningCount::handle);
    }
    ~QtWarningCount() { qInstallMessageHandler(previousHandler()); }

    // QTest::qExec with the second log.
    int exec(QObject* test, int argc, char** argv)
    {
        QTemporaryFile log(QDir::tempPath() + QStringLiteral("/varo-test-XXXXXX.txt"));
        if (!log.open())
            return QTest::qExec(test, argc, argv);
        log.close();
        QByteArray logOption = QFile::encodeName(log.fileName()) + ",txt";
        static char output[] = "-o";
        static char standardOutput[] = "-,txt";
        std::vector<char*> arguments(argv, argv + argc);
        bool logsChosen = false;
        for (int i = 1; i < argc; ++i)
            logsChosen = logsChosen || std::strcmp(argv[i], "-o") == 0;
        // Given one log, QTest no longer writes to the standard output by itself.
        if (!logsChosen) {
            arguments.push_back(output);
            arguments.push_back(standardOutput);
        }
        arguments.push_back(output);
        arguments.push_back(logOption.data());
        const int result = QTest::qExec(test, int(arguments.size()), arguments.data());

        QFile written(log.fileName());
        if (written.open(QIODevice::ReadOnly))
            while (!written.atEnd()) {
                const QByteArray line = written.readLine();
                // Qt 5 logs a critical message as QSYSTEM.
                logged += (line.startsWith("QWARN") && !isXServerTiming(line)) || line.startsWith("QSYSTEM")
                          || line.startsWith("QCRITICAL") || line.startsWith("QFATAL");
            }
        return result;
    }

    // The exit code: the run's own, or 1 when it passed with warnings.
    int verdict(int result) const
    {
        const int warnings = logged + outside();
        if (warnings == 0)
            return result;
        std::printf("FAIL!  : %d Qt warning(s) that no test expected, marked QWARN, QSYSTEM, QCRITICAL or QFATAL "
                    "above or printed outside the test functions\n",
                    warnings);
        std::fflush(stdout);
        return result != 0 ? result : 1;
    }

private:
    // The X platform layer's warnings that tell how fast the X server
    // answered, not what the program did, as logged: "qt.qpa.xcb: " and the
    // text. Only these words of that category pass:
    // - the focus refused to a window hidden again before the server gave it;
    // - the position asked of a window that is gone when the server answers;
    // - a window shown again before the server told that it was hidden.
    static bool isXServerTiming(const QByteArray& line)
    {
        static const char* const error = "qt.qpa.xcb: QXcbConnection: XCB error: ";
        const int at = line.indexOf(error);
        if (at < 0)
            return line.contains("qt.qpa.xcb: internal error:  void QXcbWindow::setNetWmStateOnUnmappedWindow() "
                                 "called on mapped window");
        const QByteArray message = line.mid(at + int(std::strlen(error)));
        return (message.startsWith("8 (BadMatch), ") && message.contains(", major code: 42 (SetInputFocus), "))
               || (message.startsWith("3 (BadWindow), ") && message.contains(", major code: 40 (TranslateCoords), "));
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        const QByteArray asLogged = QByteArray(context.category ? context.category : "") + ": " + message.toUtf8();
        if ((type == QtWarningMsg && !isXServerTiming(asLogged)) || type == QtCriticalMsg || type == QtFatalMsg)
            ++outside();
        previousHandler().load()(type, context, message);
    }
    static std::atomic<int>& outside()
    {
        static std::atomic<int> count{0};
        return count;
    }
    static std::atomic<QtMessageHandler>& previousHandler()
    {
        static std::atomic<QtMessageHandler> handler{nullptr};
        return handler;
    }

    int logged = 0;
};

// Runs a test class, counting the warnings from its construction to its
// destruction.
template <class TestClass>
int runTestCountingWarnings(int argc, char** argv)
{
    QtWarningCount count;
    int result = 0;
    {
        TestClass test;
        result = count.exec(&test, argc, argv);
    }
    return count.verdict(result);
}

// The test mains: QTEST_MAIN, QTEST_GUILESS_MAIN and QTEST_APPLESS_MAIN,
// failing on unexpected Qt warnings.
#define VARO_TEST_MAIN_ON(ApplicationClass, TestClass)                                                              \
    int main(int argc, char* argv[])                                                                                \
    {                                                                                                               \
        ApplicationClass application(argc, argv);                                                                   \
        application.setAttribute(Qt::AA_Use96Dpi, true);                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                  \
        return runTestCountingWarnings<TestClass>(argc, argv);                                                      \
    }

#define VARO_TEST_MAIN(TestClass) VARO_TEST_MAIN_ON(VARO_TEST_APPLICATION, TestClass)
#define VARO_GUILESS_TEST_MAIN(TestClass) VARO_TEST_MAIN_ON(QCoreApplication, TestClass)

#define VARO_APPLESS_TEST_MAIN(TestClass)                                                                           \
    int main(int argc, char* argv[])                                                                                \
    {                                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                  \
        return runTestCountingWarnings<TestClass>(argc, argv);                                                      \
    }
