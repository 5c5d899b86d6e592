#pragma once

#include <QColor>
#include <QFrame>
#include <QString>
#include <QTimer>

class QLabel;

// A button of its own that shows a "Confirm" part on the first press; a press
// on that part within three seconds confirms.
class PushConfirmButton : public QFrame
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        static QString ConfirmLabel;
        static QString Frame;
        static QString TextLabel;
    };

    PushConfirmButton(const QString& caption, QWidget* parent, const QColor& normalColour,
                      const QColor& confirmColour);

    bool isAskingForConfirmation() const;

public slots:
    void requestConfirm();
    void reset();
    void adjustStyleSheets();

signals:
    void Confirmed();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor normalColour;
    QColor confirmColour;
    QLabel* confirmLabel;
    QLabel* captionLabel;
    QTimer timer;
};
