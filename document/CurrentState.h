#pragma once

#include "XmlForm.h"
#include "ModelRefs.h"

#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QPixmap>
#include <QRectF>
#include <QStringList>

class QXmlStreamReader;
class QXmlStreamWriter;

// What one main window is looking at, apart from the camera. Every setter
// signals only a real change: numbers compare by value (a NaN never equals),
// references by identity. Lives in the GUI thread, outside the document lock.
//
// Written as "CurrentState" with one text child per value.
class CurrentState : public QObject
{
    Q_OBJECT

public:
    enum Mode { Geometry = 0, Loading = 1, Results = 2 };
    enum RenderHint { RenderSolid = 1, LightWeight = 2 };
    enum ResultMode { Reaction = 0, Deflection = 1, BendingMoment = 2, ShearForce = 3 };
    Q_ENUM(Mode)
    Q_ENUM(ResultMode)

    explicit CurrentState(QObject* parent = nullptr);
    // Every field, the selection box and its visibility included; no signal.
    CurrentState(const CurrentState& other, QObject* parent);
    ~CurrentState() override;
    // Through the setters, so that every view follows; always ends with the
    // two selection-box signals.
    CurrentState& operator=(const CurrentState& other);

    bool isSelectionBoxVisible() const { return selectionBoxVisible; }
    GroupRef group() const { return groupRef; }
    VaroObjectRef interrogatorObject() const { return interrogatorObjectRef; }
    double interrogatorPosition() const { return interrogatorPositionValue; }
    LoadCaseRef loadCase() const { return loadCaseRef; }
    int mode() const { return modeValue; }
    int renderHints() const { return renderHintValue; }
    bool hasRenderHint(RenderHint hint) const { return (renderHintValue & hint) != 0; }
    int resultMode() const { return resultModeValue; }
    double scaleBM() const { return scaleBendingMoments; }
    double scaleDf() const { return scaleDeflections; }
    double scaleGI() const { return scaleGeometryInvariants; }
    double scaleLD() const { return scaleLoads; }
    double scaleRe() const { return scaleReactions; }
    double scaleSF() const { return scaleShearForces; }
    QRectF selectionBox() const { return selectionBoxRect; }

    // Each signals RenderHintHasChanged() only when the set changed.
    void setRenderHintFlag(RenderHint hint, bool on);
    void setRenderHint(RenderHint hints);

    // Back to the defaults, signalling each change; always signals
    // SelectionBoxHasChanged().
    void reset();

    void writeXML(QXmlStreamWriter& writer) const;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    // Entered on the "CurrentState" start element, left on its end element.
    // References resolve through the map; a mode or result mode outside its
    // range is ignored.
    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap);

    // Indexed by mode.
    static QStringList modeNames();
    // Null for a result mode outside the defined ones.
    QPixmap resultPixmap() const;

public slots:
    void enableRenderSolid(bool on);
    void enableLightWeight(bool on);
    void removeSelectionBox();
    // Signals also when the rectangle is the same.
    void resizeSelectionBox(const QRectF& box);
    void setGroup(const GroupRef& group);
    void setInterrogatorObject(const VaroObjectRef& object);
    void setInterrogatorPosition(double position);
    void setLoadCase(const LoadCaseRef& loadCase);
    void setMode(CurrentState::Mode mode);
    void setMode(int mode);
    void setResultMode(int resultMode);
    void setResultMode(CurrentState::ResultMode resultMode);
    void setScaleBendingMoments(double scale);
    void setScaleDeflections(double scale);
    void setScaleGeometryInvariants(double scale);
    void setScaleLoads(double scale);
    void setScaleReactions(double scale);
    void setScaleShearForces(double scale);
    void toggleDisplayOfSelectionBox();
    void toggleRenderSolid();

signals:
    void GroupHasChanged(const GroupRef& group);
    void InterrogatorObjectHasChanged(const VaroObjectRef& object);
    void InterrogatorPositionHasChanged(double position);
    void LoadCaseHasChanged(const LoadCaseRef& loadCase);
    void ModeHasChanged(int mode);
    void RenderHintHasChanged();
    void ResultModeHasChanged(int resultMode);
    void ScalesHaveChanged();
    void SelectionBoxVisibilityHasChanged(bool visible);
    void SelectionBoxHasChanged();

private:
    void setRenderHints(int hints);
    void setScale(double* scale, double value);
    void setSelectionBoxVisible(bool visible);

    bool selectionBoxVisible = false;
    GroupRef groupRef;
    VaroObjectRef interrogatorObjectRef;
    double interrogatorPositionValue = 0.5;
    LoadCaseRef loadCaseRef;
    qint32 modeValue = Geometry;
    qint32 renderHintValue = 0;
    qint32 resultModeValue = Reaction;
    double scaleBendingMoments = 0.0001;
    double scaleDeflections = 20.0;
    double scaleGeometryInvariants = 1.0;
    double scaleLoads = 1.0;
    double scaleReactions = 1.0;
    double scaleShearForces = 0.0001;
    QRectF selectionBoxRect = defaultSelectionBox();

    static QRectF defaultSelectionBox() { return QRectF(0.25, 0.25, 0.5, 0.5); }
};

typedef QSharedPointer<CurrentState> CurrentStateRef;

Q_DECLARE_METATYPE(CurrentStateRef)
