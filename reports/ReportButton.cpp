#include "ReportButton.h"

#include "VisualConstants.h"

#include <QKeySequence>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

void setStyleSheets()
{
    ReportButton::StyleSheet::Template = QStringLiteral(
        "QPushButton { width:32px; height:32px; font-size:small; background-color:%1; color:%2; border-edge "
        "border-corner margin:0px; padding:0px; } QPushButton:checked { background-color:#ffdd00; } "
        "QPushButton:hover { border:2px solid #ffdd00; } QPushButton:pressed { background-color:%3; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

} // namespace

QString ReportButton::StyleSheet::Template;
QPixmapCache::Key ReportButton::Pixmap::_loadCaseCover;
QPixmapCache::Key ReportButton::Pixmap::_loadInput;
QPixmapCache::Key ReportButton::Pixmap::_memberInput;
QPixmapCache::Key ReportButton::Pixmap::_memberResults;
QPixmapCache::Key ReportButton::Pixmap::_nodeInput;
QPixmapCache::Key ReportButton::Pixmap::_nodeResults;
QPixmapCache::Key ReportButton::Pixmap::_preview;

ReportButton::ReportButton(const QString& text, const QColor& colour, QWidget* parent)
    : QPushButton(text, parent), colour(colour)
{
    // The text is a name as typed: an '&' in it marks no shortcut.
    setShortcut(QKeySequence());
    initialise();
}

ReportButton::ReportButton(const QPixmap& pixmap, const QColor& colour, QWidget* parent)
    : QPushButton(parent), colour(colour)
{
    setIcon(QIcon(pixmap));
    setIconSize(pixmap.size());
    initialise();
}

void ReportButton::initialise()
{
    setFlat(true);
    setCheckable(true);
    setChecked(false);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    borderCorner = QStringLiteral("border-radius:8px;");
    setBorderEdges(true, true, true, true);
}

void ReportButton::setBorderEdges(bool left, bool top, bool right, bool bottom)
{
    const QString on = QStringLiteral("1px solid #aaaaaa"), off = QStringLiteral("none");
    if (left && top && right && bottom)
        borderEdge = QStringLiteral("border:%1;").arg(on);
    else if (!left && !top && !right && !bottom)
        borderEdge = QStringLiteral("border:%1;").arg(off);
    else
        borderEdge = QStringLiteral("border-left:%1; border-top:%2; border-right:%3; border-bottom:%4;")
                         .arg(left ? on : off, top ? on : off, right ? on : off, bottom ? on : off);
    adjustStyleSheet();
}

void ReportButton::setBorderCorners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight)
{
    if (topLeft && topRight && bottomLeft && bottomRight)
        borderCorner = QStringLiteral("border-radius:8px;");
    else if (!topLeft && !topRight && !bottomLeft && !bottomRight)
        borderCorner = QStringLiteral("border-radius:0px;");
    else
        borderCorner = QStringLiteral("border-top-left-radius:%1px; border-top-right-radius:%2px; "
                                      "border-bottom-left-radius:%3px; border-bottom-right-radius:%4px;")
                           .arg(topLeft ? 8 : 0)
                           .arg(topRight ? 8 : 0)
                           .arg(bottomLeft ? 8 : 0)
                           .arg(bottomRight ? 8 : 0);
    adjustStyleSheet();
}

void ReportButton::adjustStyleSheet()
{
    QString sheet = StyleSheet::Template;
    sheet.replace(QStringLiteral("border-edge"), borderEdge);
    sheet.replace(QStringLiteral("border-corner"), borderCorner);
    // A grey level below 128 takes white text.
    const bool dark = 11 * colour.red() + 16 * colour.green() + 5 * colour.blue() < 4096;
    const QColor text = dark ? QColor(Qt::white) : QColor(Qt::black);
    setStyleSheet(sheet.arg(colour.name(), text.name(), colour.darker(120).name()));
}

void ReportButton::setGroupBorders(const QList<ReportButton*>& tiles)
{
    const int n = tiles.size();
    for (int i = 0; i < n; ++i) {
        tiles[i]->setBorderEdges(true, true, true, i == n - 1);
        tiles[i]->setBorderCorners(i == 0, i == 0, i == n - 1, i == n - 1);
    }
}

QString ReportButton::shownText() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    // Three pixels each side keep the text off the rounded corners.
    return fontMetrics().elidedText(text(), Qt::ElideRight, contents.width() - 6);
}

// A long name would otherwise be cut off mid-letter at the tile's edge.
void ReportButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text = shownText().replace(QLatin1Char('&'), QLatin1String("&&"));
    painter.drawControl(QStyle::CE_PushButton, option);
}

void ReportButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    // A name cut short is shown whole, as typed and on one line, in the tool tip.
    if (!text().isEmpty())
        setToolTip(shownText() == text()
                       ? QString()
                       : QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text().toHtmlEscaped()));
}

QPixmap ReportButton::Pixmap::_getFromCache(QPixmapCache::Key& key, const QString& path, int height)
{
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap.load(path);
    if (height >= 1 && !pixmap.isNull())
        pixmap = pixmap.scaledToHeight(height, Qt::SmoothTransformation);
    key = QPixmapCache::insert(pixmap);
    return pixmap;
}

QPixmap ReportButton::Pixmap::loadCaseCover()
{
    return _getFromCache(_loadCaseCover, QStringLiteral(":/reportLoadCaseCover.png"), 0);
}

QPixmap ReportButton::Pixmap::loadInput()
{
    return _getFromCache(_loadInput, QStringLiteral(":/reportLoadInput.png"), 0);
}

QPixmap ReportButton::Pixmap::memberInput()
{
    return _getFromCache(_memberInput, QStringLiteral(":/reportMemberInput.png"), 0);
}

QPixmap ReportButton::Pixmap::memberResults()
{
    return _getFromCache(_memberResults, QStringLiteral(":/reportMemberResults.png"), 0);
}

QPixmap ReportButton::Pixmap::nodeInput()
{
    return _getFromCache(_nodeInput, QStringLiteral(":/reportNodeInput.png"), 0);
}

QPixmap ReportButton::Pixmap::nodeResults()
{
    return _getFromCache(_nodeResults, QStringLiteral(":/reportNodeResults.png"), 0);
}

QPixmap ReportButton::Pixmap::preview()
{
    return _getFromCache(_preview, QStringLiteral(":/browserForward.png"), 18);
}
