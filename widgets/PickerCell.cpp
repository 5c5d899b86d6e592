#include "PickerCell.h"

#include "PaintHelpers.h"
#include "VisualConstants.h"

#include <QEvent>
#include <QMouseEvent>
#include <QStringList>
#include <QTextDocument>
#include <QtMath>

namespace {

const QString fullEdge = QStringLiteral("border:1px solid #aaaaaa;");
const QString paragraph14 = QStringLiteral("<p style=\"padding:0px; margin:0px; font-size:14px;\">%1</p>");

void setStyleSheets()
{
    PickerCell::StyleSheet::Template =
        QStringLiteral("QLabel { background-color:%1; color:%2; border-edge border-corner margin:0px; "
                       "padding:4px 8px 4px 8px; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

// The widest and the narrowest a title is shown, in average letters.
const int widestTitle = 40;
const int narrowestTitle = 4;

// The width rich text takes on one line.
int textWidth(const QString& html, const QFont& font)
{
    QTextDocument document;
    document.setDefaultFont(font);
    document.setHtml(html);
    return qCeil(document.idealWidth());
}

// Titles are set in 14 pixel letters.
QFontMetrics titleMetrics(QFont font)
{
    font.setPixelSize(14);
    return QFontMetrics(font);
}

} // namespace

QString PickerCell::StyleSheet::Template;

PickerCell::PickerCell(QWidget* parent) : QLabel(parent)
{
    construct(Qt::AlignLeft | Qt::AlignVCenter);
}

PickerCell::PickerCell(const QString& text, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    setText(text);
    construct(Qt::AlignLeft | Qt::AlignVCenter);
}

PickerCell::PickerCell(const QPixmap& pixmap, QWidget* parent) : QLabel(parent)
{
    setPixmap(pixmap);
    construct(Qt::AlignCenter);
}

PickerCell::PickerCell(TitleLayout layout, const QString& title, const QString& second, QWidget* parent)
    : QLabel(parent), titled(true), titleLayout(layout), title(title), second(second)
{
    setTextFormat(Qt::RichText);
    // As wide as the cell asks for until it is given its width.
    setText(titledText(titleMetrics(font()).averageCharWidth() * widestTitle, &shownTitle));
    construct(Qt::AlignLeft | Qt::AlignVCenter);
}

QString PickerCell::titledText(int titleWidth, QString* shown) const
{
    const QString cut = iQFontMetrics::elidedToFit(titleMetrics(font()), title, titleWidth);
    if (shown)
        *shown = cut;
    return titleLayout == Type1 ? standardType1(cut, second) : standardType2(cut, second);
}

int PickerCell::widthAroundText() const
{
    return QLabel::sizeHint().width() - textWidth(text(), font());
}

QSize PickerCell::sizeHint() const
{
    if (!titled)
        return QLabel::sizeHint();
    const int widest = titleMetrics(font()).averageCharWidth() * widestTitle;
    return QSize(widthAroundText() + textWidth(titledText(widest), font()), QLabel::sizeHint().height());
}

QSize PickerCell::minimumSizeHint() const
{
    if (!titled)
        return QLabel::minimumSizeHint();
    const int narrowest = titleMetrics(font()).averageCharWidth() * narrowestTitle;
    return QSize(widthAroundText() + textWidth(titledText(narrowest), font()), QLabel::minimumSizeHint().height());
}

void PickerCell::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showTitle();
}

void PickerCell::showTitle()
{
    if (!titled)
        return;
    // A note takes its width beside the title; a subtitle has a line of its own.
    const int beside = titleLayout == Type2 ? textWidth(standardType2(QString(), second), font()) : 0;
    const QString text = titledText(width() - widthAroundText() - beside, &shownTitle);
    setToolTip(showsWholeTitle() ? QString()
                                 : QStringLiteral("<p>%1</p>").arg(iQt::clippedForToolTip(title).toHtmlEscaped()));
    if (text != this->text())
        setText(text);
}

void PickerCell::construct(Qt::Alignment alignment)
{
    setAlignment(alignment);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    borderEdge = fullEdge;
    borderCorner = QStringLiteral("border-radius:8px;");
    activeColour = QColor(QStringLiteral("#aa0000"));
    highlightColour = QColor(QStringLiteral("#ffdd00"));
    textColour = QColor(Qt::black);
    active = true;
    ready = true;
    adjustStyleSheet();
}

void PickerCell::adjustStyleSheet()
{
    if (!ready)
        return;
    QString background = QStringLiteral("white");
    QString text = textColour.name();
    if (!isEnabled()) {
        text = QStringLiteral("#888888");
    } else if (hovered && active) {
        background = activeColour.name();
        text = QStringLiteral("white");
    } else if (highlighted) {
        background = highlightColour.name();
        text = QStringLiteral("black");
    }
    QString sheet = StyleSheet::Template;
    sheet.replace(QLatin1String("border-edge"), borderEdge).replace(QLatin1String("border-corner"), borderCorner);
    setStyleSheet(sheet.arg(background, text));
}

void PickerCell::setActive(bool value)
{
    active = value;
    adjustStyleSheet();
}

void PickerCell::setHighlighted(bool value)
{
    highlighted = value;
    adjustStyleSheet();
}

void PickerCell::setActiveColour(const QColor& colour)
{
    activeColour = colour;
    adjustStyleSheet();
}

void PickerCell::setHighlightColour(const QColor& colour)
{
    highlightColour = colour;
    adjustStyleSheet();
}

void PickerCell::setTextColour(const QColor& colour)
{
    textColour = colour;
    adjustStyleSheet();
}

void PickerCell::setBorderEdges(bool left, bool top, bool right, bool bottom)
{
    if (left && top && right && bottom) {
        borderEdge = fullEdge;
    } else if (!left && !top && !right && !bottom) {
        borderEdge = QStringLiteral("border:none;");
    } else {
        QStringList edges;
        const bool set[] = {left, top, right, bottom};
        const char* const names[] = {"left", "top", "right", "bottom"};
        for (int i = 0; i < 4; ++i)
            if (set[i])
                edges << QStringLiteral("border-%1:1px solid #aaaaaa;").arg(QLatin1String(names[i]));
        borderEdge = edges.join(QLatin1Char(' '));
    }
    adjustStyleSheet();
}

void PickerCell::setBorderCorners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight)
{
    if (!topLeft && !topRight && !bottomLeft && !bottomRight) {
        borderCorner = QStringLiteral("border-radius:0px;");
    } else {
        const auto radius = [](bool rounded) { return rounded ? 8 : 0; };
        borderCorner = QStringLiteral("border-top-left-radius:%1px; border-top-right-radius:%2px; "
                                      "border-bottom-left-radius:%3px; border-bottom-right-radius:%4px;")
                           .arg(radius(topLeft))
                           .arg(radius(topRight))
                           .arg(radius(bottomLeft))
                           .arg(radius(bottomRight));
    }
    adjustStyleSheet();
}

void PickerCell::setGroupBorders(const QList<PickerCell*>& cells)
{
    const int n = cells.size();
    for (int i = 0; i < n; ++i) {
        const bool first = i == 0;
        const bool last = i == n - 1;
        cells[i]->setBorderEdges(true, true, true, last);
        cells[i]->setBorderCorners(first, first, last, last);
    }
}

QString PickerCell::standardPushButton(const QString& caption)
{
    return paragraph14.arg(caption.toHtmlEscaped());
}

QString PickerCell::standardType1(const QString& title, const QString& subtitle)
{
    return paragraph14.arg(title.toHtmlEscaped()) +
           QStringLiteral("<p style=\"padding:0px; margin:0px; font-size:11px; color:#888888;\">%1</p>").arg(subtitle);
}

QString PickerCell::standardType2(const QString& title, const QString& note)
{
    return paragraph14.arg(
        QStringLiteral("<table width=\"100%\" style=\"padding:0px; margin:0px;\"><tr><td align=\"left\" "
                       "valign=\"bottom\" style=\"padding:0px; margin:0px; font-size:14px;\">%1</td><td "
                       "align=\"right\" valign=\"bottom\" style=\"padding:0px; margin:0px; font-size:12px; "
                       "color:#a52a2a;\">%2</td></tr></table>")
            .arg(title.toHtmlEscaped(), note.toHtmlEscaped()));
}

QPixmap PickerCell::Pixmap::add()
{
    static const iCachedPixmap pixmap(QStringLiteral(":/buttonAdd.png"), 18);
    return pixmap();
}

QPixmap PickerCell::Pixmap::back()
{
    static const iCachedPixmap pixmap(QStringLiteral(":/browserBack.png"), 18);
    return pixmap();
}

QPixmap PickerCell::Pixmap::edit()
{
    static const iCachedPixmap pixmap(QStringLiteral(":/browserForward.png"), 18);
    return pixmap();
}

void PickerCell::mousePressEvent(QMouseEvent* event)
{
    // An inactive cell swallows the press.
    event->accept();
    if (active)
        emit Clicked(this);
}

void PickerCell::enterEvent(QEvent* event)
{
    hovered = active;
    adjustStyleSheet();
    QLabel::enterEvent(event);
}

void PickerCell::leaveEvent(QEvent* event)
{
    hovered = false;
    adjustStyleSheet();
    QLabel::leaveEvent(event);
}

void PickerCell::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        adjustStyleSheet();
    QLabel::changeEvent(event);
}
