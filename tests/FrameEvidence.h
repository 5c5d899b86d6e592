#pragma once

// Two frames that should agree and do not: both are kept, with what drew
// them, so that a failure seen once on a busy machine can be read afterwards.

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtTest>

#include <cstdlib>

// Colours agree within a tolerance that smoothing and multisampling leave.
inline bool nearColour(QRgb a, const QColor& b, int tolerance = 40)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
           && std::abs(qBlue(a) - b.blue()) <= tolerance;
}

namespace FrameEvidence {

inline QString rectText(const QRect& r)
{
    return QStringLiteral("%1x%2 at (%3, %4)").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

// Where the widget and its window stand, what of it is uncovered, and the
// other windows on the display, as the program sees them now.
inline QString describe(const QWidget* shownBy)
{
    QStringList lines;
    const QWidget* window = shownBy->window();
    lines << QStringLiteral("widget %1: %2, visible %3, exposed part %4")
                 .arg(shownBy->objectName(), rectText(QRect(shownBy->mapToGlobal(QPoint()), shownBy->size())))
                 .arg(shownBy->isVisible())
                 .arg(rectText(shownBy->visibleRegion().boundingRect()));
    lines << QStringLiteral("its window: inside %1, frame %2, active %3, exposed %4, state %5")
                 .arg(rectText(window->geometry()), rectText(window->frameGeometry()))
                 .arg(window->isActiveWindow())
                 .arg(window->windowHandle() && window->windowHandle()->isExposed())
                 .arg(int(window->windowState()));
    if (const QScreen* screen = window->screen())
        lines << QStringLiteral("screen %1, available %2, pixel ratio %3")
                     .arg(rectText(screen->geometry()), rectText(screen->availableGeometry()))
                     .arg(window->devicePixelRatioF());
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible())
            lines << QStringLiteral("also shown: %1 \"%2\", frame %3")
                         .arg(QLatin1String(other->metaObject()->className()), other->objectName(),
                              rectText(other->frameGeometry()));
    return lines.join(QLatin1Char('\n'));
}

// The frame with the state of what drew it written into it, as it was when
// the frame was taken: the state is kept in the picture's file.
inline QImage withState(QImage frame, const QWidget* shownBy, const QString& more = QString())
{
    frame.setText(QStringLiteral("state"), describe(shownBy) + (more.isEmpty() ? QString() : QLatin1Char('\n') + more));
    return frame;
}

// Pixels in which the frames differ by more than the tolerance, red on grey.
inline QImage differences(const QImage& expected, const QImage& actual, int tolerance)
{
    QImage marked(expected.size().expandedTo(actual.size()), QImage::Format_RGB32);
    marked.fill(Qt::black);
    for (int y = 0; y < marked.height(); ++y)
        for (int x = 0; x < marked.width(); ++x) {
            const bool inBoth = expected.valid(x, y) && actual.valid(x, y);
            const QRgb a = inBoth ? expected.pixel(x, y) : 0, b = inBoth ? actual.pixel(x, y) : 0;
            const bool differ = !inBoth || !nearColour(a, QColor(b), tolerance);
            marked.setPixel(x, y, differ ? qRgb(255, 0, 0) : qRgb(qGray(a) / 2 + 64, qGray(a) / 2 + 64, qGray(a) / 2 + 64));
        }
    return marked;
}

// Keeps both frames, their differences and their states in the folder
// "failed frames" of the working directory, or of VARO_FAILED_FRAMES when
// set, and returns the failure's message naming them. A frame taken again
// at the failure, when given, tells a passing state from a lasting one.
inline QString keep(const QString& what, const QImage& expected, const QImage& actual, const QString& now = QString(),
                    const QImage& again = QImage(), int tolerance = 24)
{
    const QString folder = qEnvironmentVariableIsEmpty("VARO_FAILED_FRAMES")
                               ? QDir::current().filePath(QStringLiteral("failed frames"))
                               : qEnvironmentVariable("VARO_FAILED_FRAMES");
    QString name = QStringLiteral("%1 %2 %3")
                       .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                            QLatin1String(QTest::currentTestFunction()),
                            QLatin1String(QTest::currentDataTag()))
                       .trimmed();
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9 ._-]")), QStringLiteral("_"));
    const QString base = QDir(folder).filePath(name);
    QDir().mkpath(folder);
    expected.save(base + QStringLiteral(" expected.png"));
    actual.save(base + QStringLiteral(" actual.png"));
    differences(expected, actual, tolerance).save(base + QStringLiteral(" differences.png"));
    if (!again.isNull())
        again.save(base + QStringLiteral(" again.png"));
    QFile notes(base + QStringLiteral(" state.txt"));
    if (notes.open(QIODevice::WriteOnly | QIODevice::Text))
        notes.write(QStringLiteral("%1\n\nexpected, %2x%3:\n%4\n\nactual, %5x%6:\n%7\n\nat the failure:\n%8\n")
                        .arg(what)
                        .arg(expected.width())
                        .arg(expected.height())
                        .arg(expected.text(QStringLiteral("state")))
                        .arg(actual.width())
                        .arg(actual.height())
                        .arg(actual.text(QStringLiteral("state")), now)
                        .toUtf8());
    if (!again.isNull() && notes.isOpen())
        notes.write(QStringLiteral("\ntaken again, %1x%2:\n%3\n")
                        .arg(again.width())
                        .arg(again.height())
                        .arg(again.text(QStringLiteral("state")))
                        .toUtf8());
    return QStringLiteral("%1; the frames are kept in \"%2 expected.png\" and \"… actual.png\", their differences "
                          "in \"… differences.png\"%3 and what drew them in \"… state.txt\"")
        .arg(what, QDir::toNativeSeparators(base),
             again.isNull() ? QString() : QStringLiteral(", one taken again in \"… again.png\""));
}

} // namespace FrameEvidence

// Fails the test when two frames do not agree, keeping them; the message,
// the state now and then a frame taken again (or a null image) are worked
// out only then.
#define VARO_VERIFY_FRAMES(agree, expected, actual, what, now, again)                                              \
    do {                                                                                                            \
        if (!(agree)) {                                                                                             \
            const QString stateAtTheFailure = (now);                                                                \
            QFAIL(qPrintable(FrameEvidence::keep(what, expected, actual, stateAtTheFailure, again)));              \
        }                                                                                                           \
    } while (false)
