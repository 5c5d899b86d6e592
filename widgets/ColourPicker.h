#pragma once

#include <QColor>
#include <QWidget>

// An 8 x 8 grid of swatches holding the 64 colours whose channels are 0, 85,
// 170 or 255. A click reports the swatch's colour; the owner answers with
// setColour.
class ColourPicker : public QWidget
{
    Q_OBJECT

public:
    ColourPicker(QWidget* parent, Qt::WindowFlags flags = Qt::WindowFlags());

    QColor colour() const { return current; }
    static QColor colourOfSwatch(int column, int row);
    QColor colourOfSwatchAt(const QPoint& point) const;
    QSize swatchSize() const;
    QRect swatchArea() const;
    // Relative to the swatch area.
    QRect rectOfSwatch(const QColor& colour) const;

    QSize sizeHint() const override;

public slots:
    void setColour(const QColor& colour);

signals:
    void ColourChanged(const QColor& colour);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor current;
};
