#pragma once

#include "EditorPage.h"
#include "ModelRefs.h"

class ColourPicker;
class LoadCaseLibrary;

// Edits a loading's name and colour.
class LoadingView : public EntryPage<EditorPage, Loading>
{
    Q_OBJECT

public:
    explicit LoadingView(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    Q_INVOKABLE void setLoading(const LoadingRef& loading);
    Q_INVOKABLE void setLibrary(const QSharedPointer<LoadCaseLibrary>& library);

public slots:
    void nameChanged();
    void remove();
    void repopulate() override;
    void setColour(const QColor& colour);

signals:
    void LoadingChanged(LoadingRef& target, const LoadingRef& copy);
    void LoadCaseRemoved(const LoadCaseRef& loadCase);

protected:
    bool entryInModel() const override;
    bool mergeEntry() override;
    void handOnEdits() override;

private:
    QSharedPointer<LoadCaseLibrary> library;
    ColourPicker* colourPicker;
};
