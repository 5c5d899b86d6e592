#pragma once

#include "EditorPage.h"
#include "ModelRefs.h"

class ColourPicker;
class GroupLibrary;
class QCheckBox;
class QSlider;

// Edits a geometry group's name, analysis purpose, colour and opacity.
class GeometryGroupView : public EntryPage<EditorPage, GeometryGroup>
{
    Q_OBJECT

public:
    explicit GeometryGroupView(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    Q_INVOKABLE void setGeometryGroup(const GeometryGroupRef& group);
    Q_INVOKABLE void setLibrary(const QSharedPointer<GroupLibrary>& library);

public slots:
    void nameChanged();
    void remove();
    void repopulate() override;
    void setAnalysisPurpose(int state);
    void setColour(const QColor& colour);
    void setOpacity(int percent);

signals:
    void GroupChanged(GeometryGroupRef& target, const GeometryGroupRef& copy);
    void GroupRemoved(const GroupRef& group);

protected:
    bool entryInModel() const override;
    bool mergeEntry() override;
    void handOnEdits() override;

private:
    // Stores the colour between the copy's value signals and repopulates.
    void changeColour(const QColor& colour);

    QSharedPointer<GroupLibrary> library;
    QCheckBox* analyseBox;
    QSlider* opacitySlider;
    ColourPicker* colourPicker;
};
