#pragma once

#include "ModelRefs.h"
#include "ViewPoint.h"

#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QWidget>

class CurrentState;
class DocumentModel;
class QButtonGroup;
class QPushButton;
class SingleEmitter;
class UnitSystem;
class ViewPointMemory;

// The tool window of a main window that keeps eight views of the document:
// store the camera in a slot, fly back to a slot, or switch between solid and
// line rendering from a preview. The stored views belong to the document and
// are copies, so later camera moves never change them.
class ViewSelector : public QWidget
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        static QString RenderButton;
        static QString MemoryButton;
        static QString ActionButton;
    };

    static const int slotCount = 8;

    ViewSelector(const QSharedPointer<UnitSystem>& unitSystem, const QSharedPointer<CurrentState>& currentState,
                 QWidget* parent, Qt::WindowFlags flags);
    ~ViewSelector() override;

    // A copy of the view that keeps its direction and shows the whole model
    // filling a square picture; the previews are taken from such views.
    static ViewPointRef framingWholeModel(const ViewPoint& view, const QList<NodeRef>& nodes);

    // Null detaches.
    void setDocumentModel(const QSharedPointer<DocumentModel>& document);
    void setViewPoint(const QSharedPointer<ViewPoint>& viewPoint);

signals:
    void SolidRenderingToggled();
    void StoreViewPointInMemory(int slot, const ViewPointRef& viewPoint);
    void ViewPointRecalled(const ViewPointRef& viewPoint);

public slots:
    void enableMemoryActs();
    // Nothing is drawn while the selector is hidden.
    void generateRenderButton();
    void recallMemoryBySelectedButton();
    void repopulate();
    void saveMemoryBySelectedButton();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void connectDocumentModel();
    void connectViewPoint();

    QSharedPointer<CurrentState> currentState;
    QSharedPointer<DocumentModel> documentModel;
    SingleEmitter* renderEmitter;
    QSharedPointer<ViewPointMemory> memory;
    QButtonGroup* memoryButtons;
    QPushButton* recallButton;
    QPushButton* renderButton;
    QPushButton* storeButton;
    QSharedPointer<UnitSystem> unitSystem;
    QSharedPointer<ViewPoint> viewPoint;
};
