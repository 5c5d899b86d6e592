#pragma once

#include <QPushButton>
#include <QString>

// A push button that shows a name as typed: an '&' in it is no shortcut
// mark. It asks for no more width than a few dozen letters take, and can be
// made as narrow as a few letters, so that no name widens the window it is
// in; a name longer than the width it has is cut short with "…", and its
// tool tip then holds the name, up to a few hundred letters, above the
// button's own hint.
class NameButton : public QPushButton
{
    Q_OBJECT

public:
    // The widest and the narrowest the name may be shown, in average letters.
    static const int widestName = 24;
    static const int narrowestName = 4;

    NameButton(const QString& name, const QString& hint, QWidget* parent);

    void setName(const QString& name);
    QString name() const { return wholeName; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showName();
    // The size of the button round a text this wide.
    QSize sizeAround(int textWidth, bool withText) const;

    QString wholeName;
    const QString hint;
};
