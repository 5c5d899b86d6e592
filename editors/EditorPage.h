#pragma once

#include <QList>
#include <QSharedPointer>
#include <QWidget>

class NamedObject;
class PickerCell;
class QHBoxLayout;
class QLineEdit;
class QToolButton;
class SingleEmitter;
class TreeLibrary_base;

// Drops every connection between the two objects, in both directions.
void disconnectAllSignals(const QObject* a, const QObject* b);

// What the editor pages share. A page edits a private working copy of the
// entry it is handed (the target) and, when the user leaves it, signals the
// copy and the target only when they differ; the owner connects that signal
// to the document's matching apply action. Pages repopulate through one
// coalescing emitter, and remember their window geometry under their class
// name when shown as windows of their own. The set operations are invokable,
// so that a host that cannot include the pages reaches them by name.
class EditorPage : public QWidget
{
    Q_OBJECT

public:
    EditorPage(QWidget* parent, Qt::WindowFlags flags);

    // Shown and enabled exactly when the owner allows the entry to go.
    Q_INVOKABLE void setRemoveable(bool removeable);
    QToolButton* removeButtonWidget() const { return removeButton; }
    QLineEdit* nameField() const { return nameEdit; }
    PickerCell* backButtonCell() const { return backCell; }

public slots:
    virtual void repopulate() = 0;
    // Hands on the edits shown, as the change signal with the target and the
    // copy, when they differ; the page stays as it is. Saving and the save
    // question run it on every open page.
    virtual void applyEdits() = 0;
    // Leaving the page: its edits are applied, then an accessor's page (the
    // one with a back cell) asks to go back; a utility page's host moves on
    // by itself.
    void writeBack();

signals:
    void GoBack();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // "%1 <kind>" filled with the application name.
    void setPageTitle(const QString& kind);
    // The back cell (when asked for), "Name" and the name field, which
    // becomes the focus proxy; the back cell writes back.
    QHBoxLayout* createTopRow(bool withBackCell);
    // The 44-pixel remove button; the page connects it to its remove().
    QToolButton* createRemoveButton();
    // Repopulates on every change of the next library, no longer on the
    // previous one's.
    void followLibrary(const TreeLibrary_base* previous, const TreeLibrary_base* next);
    // Follows the next library in place of the held one, then repopulates.
    template <class Library>
    void replaceLibrary(QSharedPointer<Library>& held, const QSharedPointer<Library>& next)
    {
        followLibrary(held.data(), next.data());
        held = next;
        repopulate();
    }
    // The given entry as the target and a new copy of it (none for none),
    // then repopulates.
    template <class T>
    void takeWorkingCopy(QSharedPointer<T>& target, QSharedPointer<T>& copy, const QSharedPointer<T>& given)
    {
        target = given;
        copy = given ? QSharedPointer<T>(new T(*given)) : QSharedPointer<T>();
        repopulate();
    }
    static void setAllEnabled(const QList<QWidget*>& controls, bool enabled);
    // A spare widget that takes all remaining height.
    QWidget* createFiller();
    // The simplified name typed into a named copy, unless it is empty or
    // already the copy's name.
    void takeName(NamedObject* copy) const;

    SingleEmitter* emitter;
    QLineEdit* nameEdit = nullptr;
    QToolButton* removeButton = nullptr;
    PickerCell* backCell = nullptr;
};
