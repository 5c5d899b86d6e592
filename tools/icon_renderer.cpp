// Build-time tool: renders the hand-written SVG images of resources/icons to
// the PNG files that the program loads from its resources. Usage:
//
//   varo_icon_renderer LIST SVG_FOLDER OUTPUT_FOLDER
//
// Each line of LIST is "<name>.png <width>x<height> [@2x]": the PNG's pixel
// size, and whether a double-size "<name>@2x.png" is made as well for
// high-density screens. The drawing is <name>.svg; its colours are written
// as $palette names so that the images share the program's colours. Any
// fault stops the build with the file it concerns.

#include "VisualConstants.h"

#include <QColor>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const QString& where, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(where), qPrintable(text));
    std::exit(1);
}

// The image palette: the program's colours under the names the drawings use.
QHash<QString, QColor> palette()
{
    initialiseVisualConstants();
    using namespace Colours;
    return {{QStringLiteral("ink"), nodePoint},
            {QStringLiteral("paper"), QColor(Qt::white)},
            {QStringLiteral("member"), memberMajor},
            {QStringLiteral("memberLight"), memberMinor},
            {QStringLiteral("faint"), memberIgnore},
            {QStringLiteral("steel"), defaultRenderedMember},
            {QStringLiteral("support"), support},
            {QStringLiteral("pin"), memberPin},
            {QStringLiteral("load"), loadLinear},
            {QStringLiteral("reaction"), reactionLinear},
            {QStringLiteral("deflection"), deflection},
            {QStringLiteral("moment"), bendingMoment},
            {QStringLiteral("shear"), shearForce},
            {QStringLiteral("selected"), selected},
            {QStringLiteral("fresh"), selectedNew},
            {QStringLiteral("axes"), masterAxes},
            {QStringLiteral("annotation"), annotation},
            {QStringLiteral("text"), triadText},
            {QStringLiteral("failed"), failed},
            {QStringLiteral("brand"), _kelvoryRed},
            {QStringLiteral("sky"), sky},
            {QStringLiteral("ground"), ground}};
}

QByteArray paletteApplied(const QString& file, const QHash<QString, QColor>& colours)
{
    QFile svg(file);
    if (!svg.open(QIODevice::ReadOnly))
        fail(file, QStringLiteral("cannot be read"));
    QString text = QString::fromUtf8(svg.readAll());
    if (text.contains(QRegularExpression(QStringLiteral("(fill|stroke|color)=\"#"))))
        fail(file, QStringLiteral("names a colour outside the palette"));
    static const QRegularExpression token(QStringLiteral("\\$([A-Za-z]+)"));
    QString result;
    int last = 0;
    for (auto i = token.globalMatch(text); i.hasNext();) {
        const QRegularExpressionMatch match = i.next();
        const auto colour = colours.constFind(match.captured(1));
        if (colour == colours.constEnd())
            fail(file, QStringLiteral("the colour $%1 is not in the palette").arg(match.captured(1)));
        result += text.midRef(last, match.capturedStart() - last);
        result += colour->name();
        last = match.capturedEnd();
    }
    result += text.midRef(last);
    return result.toUtf8();
}

void render(QSvgRenderer& renderer, const QSize& size, const QString& output)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(output, "PNG"))
        fail(output, QStringLiteral("cannot be written"));
}

} // namespace

int main(int argc, char* argv[])
{
    // Text on key caps needs the font database, which needs a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 4)
        fail(QStringLiteral("varo_icon_renderer"), QStringLiteral("usage: LIST SVG_FOLDER OUTPUT_FOLDER"));
    const QString listName = QString::fromLocal8Bit(argv[1]);
    const QString svgFolder = QString::fromLocal8Bit(argv[2]);
    const QString outputFolder = QString::fromLocal8Bit(argv[3]);
    // The key caps are drawn in this font; without it their lettering would
    // silently change.
    if (!QFontDatabase().families().contains(QStringLiteral("DejaVu Sans")))
        fail(QStringLiteral("varo_icon_renderer"), QStringLiteral("the font DejaVu Sans is not installed"));

    QFile list(listName);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(listName, QStringLiteral("cannot be read"));
    const QHash<QString, QColor> colours = palette();
    static const QRegularExpression entry(QStringLiteral("^(.+)\\.png\\s+(\\d+)x(\\d+)(\\s+@2x)?\\s*$"));
    QTextStream in(&list);
    for (int lineNumber = 1; !in.atEnd(); ++lineNumber) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QRegularExpressionMatch match = entry.match(line);
        const QString where = QStringLiteral("%1:%2").arg(listName).arg(lineNumber);
        if (!match.hasMatch())
            fail(where, QStringLiteral("expected \"<name>.png <width>x<height> [@2x]\""));
        const QString name = match.captured(1);
        const QString svgName = svgFolder + QLatin1Char('/') + name + QStringLiteral(".svg");
        QSvgRenderer renderer(paletteApplied(svgName, colours));
        if (!renderer.isValid())
            fail(svgName, QStringLiteral("is not a drawing QtSvg can render"));
        const QSize size(match.captured(2).toInt(), match.captured(3).toInt());
        render(renderer, size, outputFolder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (match.capturedLength(4) > 0)
            render(renderer, size * 2, outputFolder + QLatin1Char('/') + name + QStringLiteral("@2x.png"));
    }
    return 0;
}
