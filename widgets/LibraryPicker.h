#pragma once

#include "Application.h"
#include "DocumentModel.h"
#include "PickerCell.h"
#include "SingleEmitter.h"
#include "TreeLibrary_base.h"

#include <QGridLayout>
#include <QMap>
#include <QPoint>
#include <QScrollArea>
#include <QScrollBar>
#include <QSharedPointer>
#include <QStack>
#include <QVBoxLayout>
#include <QVariant>

class QCloseEvent;
class QLayout;
class QShowEvent;

// What every library picker shares whatever its library: a scrolling column of
// cells, the document it may consult and the slots the outside world calls.
class LibraryPicker_base : public QScrollArea
{
    Q_OBJECT

public:
    LibraryPicker_base(QWidget* parent, Qt::WindowFlags flags);

    bool isEditable() const { return editable; }
    bool isEmbedded() const { return embedded; }

public slots:
    void _clicked(PickerCell* cell);
    // Builds nothing while hidden: showing the picker builds it.
    virtual void repopulate() = 0;
    virtual void setDocumentModel(const DocumentModelRef& document = DocumentModelRef());
    void setEditable(bool editable);
    void setEmbedded(bool embedded);
    virtual void tryForthWord(const QString& token, QStack<QVariant>* stack, bool* handled);

protected:
    virtual void dispatchClick(PickerCell* cell) = 0;
    virtual void handleForthWord(const QString& token, QStack<QVariant>* stack, bool* handled) = 0;

    // "SYS:CELLHOTSPOT": with (…, name, widget) on the stack, widget being this
    // picker or inside it, the name of a cell becomes the cell centre's screen
    // position (…, y, x, widget).
    void answerCellHotspot(const QString& token, QStack<QVariant>* stack, bool* handled);
    // Puts the content up (a layout) or takes it down (null); returns the scroll
    // position it found and scrolls to the one given.
    QPoint installContent(QLayout* layout, const QPoint& scroll);
    // Sets the document and rebuilds with every change of its structure.
    void followStructure(const DocumentModelRef& document);
    void saveGeometryOnClose();
    void restoreGeometryOnShow();

    // The layouts of the content: margins of 8 pixels and no spacing.
    static QVBoxLayout* newColumnLayout();
    static QGridLayout* newGridLayout();
    // An edit button: the forward arrow in a full rounded frame.
    static PickerCell* makeEditCell(QObject* receiver, const char* slot);
    // A plus cell joined to an inactive caption cell on a new row; returns the row.
    int appendAddButton(QGridLayout* grid, const QString& caption, const char* slot);

    DocumentModelRef documentModel;
    bool editable = false;
    bool embedded = false;
};

// A picker over a tree library L: the cells of the present content with the
// items they stand for, the item highlighted, and library changes merged
// into one rebuild per pass of the event loop.
template <class L>
class LibraryPicker : public LibraryPicker_base
{
public:
    typedef typename L::ItemRef ItemRef;

    LibraryPicker(QWidget* parent, Qt::WindowFlags flags)
        : LibraryPicker_base(parent, flags), emitter(new SingleEmitter(this))
    {
        QObject::connect(emitter, &SingleEmitter::triggered, this, &LibraryPicker_base::repopulate);
    }

    void setLibrary(const QSharedPointer<L>& newLibrary)
    {
        if (library) {
            QObject::disconnect(this, nullptr, library.data(), nullptr);
            QObject::disconnect(library.data(), nullptr, this, nullptr);
            QObject::disconnect(library.data(), nullptr, emitter, nullptr);
        }
        library.reset();
        if (newLibrary) {
            library = newLibrary;
            QObject::connect(library.data(), &TreeLibrary_base::Changed, emitter, &SingleEmitter::trigger);
        }
        repopulate();
    }
    ItemRef currentLibraryItem() const { return currentItem; }

    QSize sizeHint() const override { return QSize(256, 384); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        saveGeometryOnClose();
        QScrollArea::closeEvent(event);
    }

    // Built first, so that a window opening without stored geometry can be
    // sized to its cells.
    void showEvent(QShowEvent* event) override
    {
        repopulate();
        restoreGeometryOnShow();
        QScrollArea::showEvent(event);
    }

    void dispatchClick(PickerCell* cell) override
    {
        if (cell)
            cellClicked(cell, cellItems.value(cell));
    }

    void handleForthWord(const QString& token, QStack<QVariant>* stack, bool* handled) override
    {
        answerCellHotspot(token, stack, handled);
    }

    virtual void cellClicked(PickerCell* cell, const ItemRef& item) = 0;

    // A null current item lights the cells registered without an item.
    virtual void highlightCurrentItem()
    {
        for (auto i = cellItems.cbegin(); i != cellItems.cend(); ++i) {
            const bool lit = i.value() == currentItem;
            i.key()->setHighlighted(lit);
            if (lit && widget() && widget()->isAncestorOf(i.key())) {
                ensureWidgetVisible(i.key(), 50, 50);
                // Without a scroll bar to bring it back, a list scrolled
                // sideways would stay cut at its left.
                horizontalScrollBar()->setValue(0);
            }
        }
    }

    // Scripts address a cell by the picker's name and the entry's name in lower case.
    void registerCell(PickerCell* cell, const ItemRef& item, const QString& name)
    {
        if (!name.isEmpty())
            cell->setObjectName(name.toLower().simplified());
        QObject::connect(cell, &PickerCell::Clicked, this, &LibraryPicker_base::_clicked);
        cellItems.insert(cell, item);
    }

    QPoint setContentLayout(QLayout* layout, const QPoint& scroll)
    {
        if (layout)
            highlightCurrentItem();
        else
            cellItems.clear();
        return installContent(layout, scroll);
    }

    // One framed block of the branch's entries in column 1 of the grid, each
    // on a new row made by makeCell(entry); with edit cells, an edit button
    // beside each in column 2 that reaches the picker's editButtonClicked.
    template <class MakeCell>
    void populateBlock(const ItemRef& branch, QGridLayout* grid, QMap<PickerCell*, ItemRef>* editCells,
                       MakeCell makeCell)
    {
        if (!branch)
            return;
        QList<PickerCell*> block;
        for (const ItemRef& item : L::castItems(branch->subnodes())) {
            const auto entry = item->value();
            if (!entry)
                continue;
            PickerCell* cell = makeCell(entry);
            registerCell(cell, item, entry->name());
            const int row = grid->rowCount();
            grid->addWidget(cell, row, 1);
            block << cell;
            if (editCells) {
                PickerCell* edit = makeEditCell(this, SLOT(editButtonClicked(PickerCell*)));
                editCells->insert(edit, item);
                grid->addWidget(edit, row, 2);
            }
        }
        PickerCell::setGroupBorders(block);
    }

    // One framed block in the column: a cell for each item with an entry,
    // titled with the entry's name over subtitle(entry).
    template <class Subtitle>
    void addColumnBlock(QVBoxLayout* layout, const QList<ItemRef>& items, Subtitle subtitle)
    {
        QList<PickerCell*> block;
        for (const ItemRef& item : items) {
            if (const auto entry = item->value()) {
                auto* cell = new PickerCell(PickerCell::Type1, entry->name(), subtitle(entry), nullptr);
                registerCell(cell, item, entry->name());
                layout->addWidget(cell, 0);
                block << cell;
            }
        }
        PickerCell::setGroupBorders(block);
    }

    // The current item becomes the first item below the node whose entry
    // satisfies predicate(entry, key), or none without a node; then the
    // highlight follows.
    template <class Predicate, class Key>
    void selectMatching(const TreeNodeRef& node, Predicate predicate, const Key& key, bool recursive)
    {
        currentItem = node && library ? library->findItem(node, predicate, key, recursive) : ItemRef();
        highlightCurrentItem();
    }
    TreeNodeRef rootNode() const { return library ? library->root() : TreeNodeRef(); }

    // The item holding that very entry, or none.
    template <class Entry>
    void selectEntry(const Entry& entry)
    {
        currentItem = entry && library ? library->findItemByValue(library->root(), entry) : ItemRef();
        highlightCurrentItem();
    }

    QMap<PickerCell*, ItemRef> cellItems;
    SingleEmitter* const emitter;
    QSharedPointer<L> library;
    ItemRef currentItem;
};
