#pragma once

#include "CalculatorReference.h"
#include "UnitSystem.h"
#include "Vectors.h"

#include <QList>
#include <QSharedPointer>
#include <QWidget>

class CalculatorField;
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
// entry it is handed (the target) and keeps a second copy of the entry as it
// last agreed with it: a field of the working copy that differs from that is
// one the user edited. Whenever the entry changes (undo, another window, a
// calculator), once that edit has finished, the fields not edited take its
// new values and edited ones keep what was typed, so the copy differs from
// the entry by the user's edits only; handing on signals the target and the
// copy when they differ, and the owner connects that signal to the
// document's matching apply action. An entry that leaves the model is let go
// as removing it would. Pages repopulate through one coalescing emitter, and
// follow their entry through another; they remember their window
// geometry under their class name when shown as windows of their own. The
// set operations are invokable, so that a host that cannot include the pages
// reaches them by name.
//
// A value field's calculator answers to the page, which hands the answer to
// the field that shows the field's item at that moment: rebuilding the
// fields loses no answer. Where no field shows the item any more, the entry
// changed, or the page is no longer shown, the request lapses and the page
// says so, so that the calculator closes rather than answer into nothing.
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
    // Hands on the fields edited since the page last agreed with its entry,
    // over the entry's present values, as the change signal with the target
    // and the copy; with no edits, nothing. The page then agrees with its
    // entry and stays as it is. Saving and the save question run it on every
    // open page.
    void applyEdits();
    // Leaving the page: its edits are applied, then an accessor's page (the
    // one with a back cell) asks to go back; a utility page's host moves on
    // by itself.
    void writeBack();
    // Shows the entry's changes in the fields not edited, or lets go of an
    // entry that has left the model.
    void followEntry();

    // The answer for the field that shows the request's item now, if any.
    void calculationFinished(const Vector4& result, const CalculatorReference& reference);

signals:
    void GoBack();
    void OpenCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& ref, QObject* receiver, const char* slot);
    void CalculatorRequestLapsed(const CalculatorReference& reference);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // A click on the field asks for the calculator on the item it shows.
    void connectCalculatorField(CalculatorField* field, const QVariant& item);
    // The field that shows the item now; null where none does, as on a
    // page without value fields.
    virtual CalculatorField* calculatorField(const QVariant& item) const;
    // The request lapses where no field shows its item, or in any case.
    void checkCalculatorRequest(bool lapse = false);

    // "%1 <kind>" filled with the application name.
    void setPageTitle(const QString& kind);
    // The back cell (when asked for), "Name" and the name field, which
    // becomes the focus proxy; the back cell writes back.
    QHBoxLayout* createTopRow(bool withBackCell);
    // The 44-pixel remove button; the page connects it to its remove().
    QToolButton* createRemoveButton();
    // Repopulates and follows the entry after every change of the next
    // library, no longer after the previous one's.
    void followLibrary(const TreeLibrary_base* previous, const TreeLibrary_base* next);
    // Follows the next library in place of the held one, then repopulates.
    template <class Library>
    void replaceLibrary(QSharedPointer<Library>& held, const QSharedPointer<Library>& next)
    {
        followLibrary(held.data(), next.data());
        held = next;
        repopulate();
    }
    // The entry's value where the working copy still holds the agreed one,
    // else the copy's; notes whether that changes the copy.
    template <class V>
    static V merged(const V& mine, const V& agreed, const V& entry, bool& changed)
    {
        if (!(mine == agreed) || mine == entry)
            return mine;
        changed = true;
        return entry;
    }

    // Whether the library, when there is one, holds the entry.
    template <class Library, class T>
    static bool heldBy(const QSharedPointer<Library>& library, const T& entry)
    {
        return !library || library->findItemByValue(library->root(), entry);
    }

    // What each page adds to the shared following and handing on.
    // Whether the page holds an entry and its copies.
    virtual bool holdsEntry() const = 0;
    // Whether the entry is still part of the model.
    virtual bool entryInModel() const { return true; }
    // Takes the fields read only on leaving into the working copy.
    virtual void readFields() {}
    // Takes the entry's values into the fields not edited and agrees with the
    // entry as it is now; true when the working copy changed.
    virtual bool mergeEntry() = 0;
    // Emits the change signal when the working copy differs from the entry.
    virtual void handOnEdits() = 0;
    // Drops the entry and its copies.
    virtual void dropEntry() = 0;
    // Sets a line edit's text only when it differs, so that the cursor of a
    // field being typed in stays.
    static void showText(QLineEdit* field, const QString& text);
    static void setAllEnabled(const QList<QWidget*>& controls, bool enabled);
    // A spare widget that takes all remaining height.
    QWidget* createFiller();
    // The simplified name typed into a named copy, unless it is empty or
    // already the copy's name.
    void takeName(NamedObject* copy) const;

    SingleEmitter* emitter;
    // The entry is followed once the edit that changed it has finished:
    // going back shows the window's list, which asks the document, whose
    // lock the edit still holds while it announces its changes.
    SingleEmitter* followEmitter;
    QLineEdit* nameEdit = nullptr;
    QToolButton* removeButton = nullptr;
    PickerCell* backCell = nullptr;
    // Whether the model has held the entry since the page took it: an entry
    // it never held is not one that left it.
    bool entryWasHeld = false;

private:
    // Reads the fields and follows the entry; false without one.
    bool catchUp();

    // The request the calculator may still be open on; empty when none.
    CalculatorReference calculatorRequest;
};

// A page on an entry of type T, over the page class Page: the entry, the
// working copy and the copy the page last agreed with.
template <class Page, class T>
class EntryPage : public Page
{
public:
    using Page::Page;

protected:
    // The given entry as the target with new copies of it (none for none),
    // then repopulates.
    void takeEntry(const QSharedPointer<T>& given)
    {
        if (given != target)
            this->checkCalculatorRequest(true);
        target = given;
        copy = given ? QSharedPointer<T>(new T(*given)) : QSharedPointer<T>();
        agreed = given ? QSharedPointer<T>(new T(*given)) : QSharedPointer<T>();
        this->entryWasHeld = given && this->entryInModel();
        this->repopulate();
    }
    // The page agrees with the entry as it is now.
    void agree() { agreed.reset(new T(*target)); }
    bool holdsEntry() const override { return target && copy && agreed; }
    void dropEntry() override
    {
        this->checkCalculatorRequest(true);
        target.clear();
        copy.clear();
        agreed.clear();
    }

    QSharedPointer<T> target;
    QSharedPointer<T> copy;
    QSharedPointer<T> agreed;
};
