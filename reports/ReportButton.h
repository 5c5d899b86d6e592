#pragma once

#include "ModelRefs.h"
#include "Report.h"

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPixmapCache>
#include <QPushButton>
#include <QString>

// A square tile of the report editor: a chapter or load case of the palette,
// or a report, one of its chapters or load cases, or a report's preview tile.
// Its border edges and corners can each be switched on or off, so that a
// column of tiles looks like one joined block. The editor fills in what the
// tile stands for; the tile never reads it.
class ReportButton : public QPushButton
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        // "border-edge" and "border-corner" stand for the two border texts;
        // %1 the colour, %2 the text colour, %3 the pressed colour.
        static QString Template;
    };

    struct Pixmap
    {
        static QPixmap loadCaseCover();
        static QPixmap loadInput();
        static QPixmap memberInput();
        static QPixmap memberResults();
        static QPixmap nodeInput();
        static QPixmap nodeResults();
        static QPixmap preview();
        // A height of 0 keeps the picture's own size.
        static QPixmap _getFromCache(QPixmapCache::Key& key, const QString& path, int height);

        static QPixmapCache::Key _loadCaseCover, _loadInput, _memberInput, _memberResults, _nodeInput,
            _nodeResults, _preview;
    };

    ReportButton(const QString& text, const QColor& colour, QWidget* parent);
    ReportButton(const QPixmap& pixmap, const QColor& colour, QWidget* parent);

    void setBorderEdges(bool left, bool top, bool right, bool bottom);
    void setBorderCorners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight);
    void adjustStyleSheet();
    // A column of tiles, top to bottom, drawn as one block.
    static void setGroupBorders(const QList<ReportButton*>& tiles);
    // The text as painted: whole when it fits the tile, else cut at the end
    // with "…", and then whole in the tool tip.
    QString shownText() const;

    QString chapter;
    QColor colour;
    QString borderEdge;
    QString borderCorner;
    Report::ReportItemRef item;
    LoadCaseRef loadCase;
    ReportRef report;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void initialise();
};
