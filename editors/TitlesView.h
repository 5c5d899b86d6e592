#pragma once

#include "EditorPage.h"
#include "ModelRefs.h"

#include <QList>
#include <QPair>

class QLineEdit;
class QPlainTextEdit;

// Edits the model's four title lines and its unprinted note. The fields are
// read only when the user leaves the page.
class TitlesView : public EntryPage<EditorPage, Titles>
{
    Q_OBJECT

public:
    explicit TitlesView(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    Q_INVOKABLE void setTitles(const TitlesRef& titles);

public slots:
    void repopulate() override;
    void textChanged();
    void widgetClosing(const QWidget* widget);

signals:
    void TitlesChanged(TitlesRef& target, const TitlesRef& copy);

protected:
    void readFields() override;
    bool mergeEntry() override;
    void handOnEdits() override;

private:
    QList<QPair<QLineEdit*, QLineEdit*>> titleEdits;
    QPlainTextEdit* notesEdit;
};
