#include "NameButton.h"

#include "PaintHelpers.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

NameButton::NameButton(const QString& name, const QString& hint, QWidget* parent)
    : QPushButton(parent), hint(hint)
{
    // A tool bar gives a button no less than its size hint unless it may shrink.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setName(name);
}

void NameButton::setName(const QString& name)
{
    wholeName = name;
    showName();
    updateGeometry();
}

QSize NameButton::sizeAround(int textWidth, bool withText) const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    // A style may make a button with text wider than its text needs.
    if (!withText)
        option.text.clear();
    const QSize content(textWidth, fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, content, this);
}

QSize NameButton::sizeHint() const
{
    const int widest = fontMetrics().averageCharWidth() * widestName;
    const int textWidth = fontMetrics().horizontalAdvance(iQFontMetrics::elidedToFit(fontMetrics(), wholeName, widest));
    return QSize(sizeAround(std::min(textWidth, widest), true).width(),
                 QPushButton::sizeHint().height());
}

QSize NameButton::minimumSizeHint() const
{
    return QSize(sizeAround(fontMetrics().averageCharWidth() * narrowestName, false).width(),
                 QPushButton::minimumSizeHint().height());
}

void NameButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    showName();
}

void NameButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        showName();
}

void NameButton::showName()
{
    // Until a layout has sized it, the button has the width it asks for.
    const int width = testAttribute(Qt::WA_Resized) ? this->width() : sizeHint().width();
    const int room = std::max(0, width - sizeAround(0, false).width());
    const QString shown = iQFontMetrics::elidedToFit(fontMetrics(), wholeName, room);
    setText(QString(shown).replace(QLatin1Char('&'), QLatin1String("&&")));
    setToolTip(shown == wholeName ? hint
                                  : QStringLiteral("<p>%1</p><p>%2</p>")
                                        .arg(iQt::clippedForToolTip(wholeName).toHtmlEscaped(), hint.toHtmlEscaped()));
}
