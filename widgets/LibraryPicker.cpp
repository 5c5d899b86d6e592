#include "LibraryPicker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QScrollBar>

LibraryPicker_base::LibraryPicker_base(QWidget* parent, Qt::WindowFlags flags) : QScrollArea(parent)
{
    setWindowFlags(flags);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void LibraryPicker_base::_clicked(PickerCell* cell)
{
    dispatchClick(cell);
}

void LibraryPicker_base::setDocumentModel(const DocumentModelRef& document)
{
    if (document == documentModel)
        return;
    documentModel = document;
    repopulate();
}

void LibraryPicker_base::setEditable(bool value)
{
    if (value == editable)
        return;
    editable = value;
    repopulate();
}

void LibraryPicker_base::setEmbedded(bool value)
{
    if (value == embedded)
        return;
    embedded = value;
    repopulate();
}

void LibraryPicker_base::tryForthWord(const QString& token, QStack<QVariant>* stack, bool* handled)
{
    handleForthWord(token, stack, handled);
}

void LibraryPicker_base::answerCellHotspot(const QString& token, QStack<QVariant>* stack, bool* handled)
{
    if (*handled || stack->isEmpty())
        return;
    QWidget* target = stack->top().value<QWidget*>();
    if (!target || (target != this && !isAncestorOf(target)))
        return;
    const QVariant widgetValue = stack->pop();
    if (token == QLatin1String("SYS:CELLHOTSPOT") && !stack->isEmpty()) {
        const QString name = stack->top().toString().toLower().simplified();
        if (PickerCell* cell = findChild<PickerCell*>(name)) {
            ensureWidgetVisible(cell, 50, 50);
            const QPoint centre = cell->mapToGlobal(cell->rect().center());
            stack->pop();
            stack->push(centre.y());
            stack->push(centre.x());
            *handled = true;
        }
    }
    stack->push(widgetValue);
}

QPoint LibraryPicker_base::installContent(QLayout* layout, const QPoint& scroll)
{
    const QPoint found(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (layout) {
        auto* view = new QWidget;
        view->setObjectName(QStringLiteral("view"));
        view->setFocusPolicy(Qt::NoFocus);
        view->setLayout(layout);
        view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setWidget(view);
        view->show();
        setWidgetResizable(true);
        // The scroll ranges follow the new content only after a layout pass.
        QEvent request(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(this, &request);
    } else if (QWidget* old = takeWidget()) {
        // The click that led here may still be running inside one of these
        // cells, so they go once the event loop is back.
        for (PickerCell* cell : old->findChildren<PickerCell*>())
            QObject::disconnect(cell, nullptr, this, nullptr);
        old->hide();
        old->deleteLater();
    }
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
    return found;
}

void LibraryPicker_base::followStructure(const DocumentModelRef& document)
{
    if (documentModel)
        disconnect(documentModel.data(), &DocumentModel::StructureHasChanged, this, &LibraryPicker_base::repopulate);
    LibraryPicker_base::setDocumentModel(document);
    if (documentModel)
        connect(documentModel.data(), &DocumentModel::StructureHasChanged, this, &LibraryPicker_base::repopulate);
}

void LibraryPicker_base::saveGeometryOnClose()
{
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
}

void LibraryPicker_base::restoreGeometryOnShow()
{
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
}

QVBoxLayout* LibraryPicker_base::newColumnLayout()
{
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(0);
    return layout;
}

QGridLayout* LibraryPicker_base::newGridLayout()
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(0);
    return grid;
}

PickerCell* LibraryPicker_base::makeEditCell(QObject* receiver, const char* slot)
{
    auto* cell = new PickerCell(PickerCell::Pixmap::edit(), nullptr);
    cell->setBorderEdges(true, true, true, true);
    cell->setBorderCorners(true, true, true, true);
    QObject::connect(cell, SIGNAL(Clicked(PickerCell*)), receiver, slot);
    return cell;
}

int LibraryPicker_base::appendAddButton(QGridLayout* grid, const QString& caption, const char* slot)
{
    const int row = grid->rowCount();
    auto* captionCell = new PickerCell(PickerCell::standardType1(caption, QString()), nullptr);
    captionCell->setActive(false);
    captionCell->setBorderEdges(true, true, true, true);
    captionCell->setBorderCorners(false, true, false, true);
    auto* plusCell = new PickerCell(PickerCell::Pixmap::add(), nullptr);
    plusCell->setBorderEdges(true, true, false, true);
    plusCell->setBorderCorners(true, false, true, false);
    QObject::connect(plusCell, SIGNAL(Clicked(PickerCell*)), this, slot);
    grid->addWidget(captionCell, row, 1);
    grid->addWidget(plusCell, row, 0);
    return row;
}
