#include "EditorPage.h"

#include "Application.h"
#include "CalculatorField.h"
#include "NamedObject.h"
#include "PaintHelpers.h"
#include "PickerCell.h"
#include "SingleEmitter.h"
#include "ToolMenu.h"
#include "TreeLibrary_base.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QToolButton>

namespace {

QPixmap pixmapRemove()
{
    static const iCachedPixmap _pixmapRemove(QStringLiteral(":/actionSelectionDelete.png"), 44);
    return _pixmapRemove();
}

} // namespace

void disconnectAllSignals(const QObject* a, const QObject* b)
{
    if (!a || !b)
        return;
    QObject::disconnect(a, nullptr, b, nullptr);
    QObject::disconnect(b, nullptr, a, nullptr);
}

EditorPage::EditorPage(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), emitter(new SingleEmitter(this)), followEmitter(new SingleEmitter(this))
{
    connect(emitter, &SingleEmitter::triggered, this, &EditorPage::repopulate);
    connect(followEmitter, &SingleEmitter::triggered, this, &EditorPage::followEntry);
}

void EditorPage::setPageTitle(const QString& kind)
{
    setWindowTitle(QStringLiteral("%1 %2").arg(QCoreApplication::applicationName(), kind));
}

QHBoxLayout* EditorPage::createTopRow(bool withBackCell)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    if (withBackCell) {
        backCell = new PickerCell(PickerCell::Pixmap::back(), this);
        connect(backCell, &PickerCell::Clicked, this, &EditorPage::writeBack);
        row->addWidget(backCell, 0, Qt::AlignLeft);
    }
    row->addWidget(new QLabel(tr("Name"), this), 0, Qt::AlignLeft);
    nameEdit = new QLineEdit(this);
    row->addWidget(nameEdit, 1);
    setFocusProxy(nameEdit);
    return row;
}

QToolButton* EditorPage::createRemoveButton()
{
    removeButton = ToolMenu::makeFixedSizeButton(QIcon(pixmapRemove()), QString(), nullptr);
    return removeButton;
}

void EditorPage::followLibrary(const TreeLibrary_base* previous, const TreeLibrary_base* next)
{
    disconnectAllSignals(emitter, previous);
    disconnectAllSignals(followEmitter, previous);
    disconnectAllSignals(this, previous);
    if (!next)
        return;
    connect(next, &TreeLibrary_base::Changed, followEmitter, &SingleEmitter::trigger);
    connect(next, &TreeLibrary_base::Changed, emitter, &SingleEmitter::trigger);
}

bool EditorPage::catchUp()
{
    if (!holdsEntry())
        return false;
    const bool held = entryInModel();
    if (!held && entryWasHeld) {
        // As the remove button would, less the removal; a page the user has
        // moved away from stays where it is.
        dropEntry();
        repopulate();
        auto* stack = qobject_cast<QStackedWidget*>(parentWidget());
        if (!stack || stack->currentWidget() == this)
            emit GoBack();
        return false;
    }
    entryWasHeld = held;
    readFields();
    if (mergeEntry())
        repopulate();
    return true;
}

void EditorPage::followEntry()
{
    catchUp();
}

void EditorPage::applyEdits()
{
    if (!catchUp())
        return;
    handOnEdits();
    // What was handed on is now the entry's: the page agrees with it.
    if (mergeEntry())
        repopulate();
}

void EditorPage::showText(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}

void EditorPage::setAllEnabled(const QList<QWidget*>& controls, bool enabled)
{
    for (QWidget* control : controls)
        control->setEnabled(enabled);
}

QWidget* EditorPage::createFiller()
{
    return new QWidget(this);
}

void EditorPage::setRemoveable(bool removeable)
{
    if (!removeButton)
        return;
    removeButton->setEnabled(removeable);
    removeButton->setVisible(removeable);
}

void EditorPage::takeName(NamedObject* copy) const
{
    const QString name = nameEdit->text().simplified();
    if (!copy || name.isEmpty() || name == copy->name())
        return;
    copy->setName(name);
}

void EditorPage::writeBack()
{
    applyEdits();
    if (backCell)
        emit GoBack();
}

void EditorPage::connectCalculatorField(CalculatorField* field, const QVariant& item)
{
    connect(field, &CalculatorField::OpenCalculator, this,
            [this, item](double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                         const CalculatorReference& reference) {
                // The page names itself: two pages may offer the same item.
                CalculatorReference request = reference;
                request.insert(QStringLiteral("page"), QVariant::fromValue(static_cast<QObject*>(this)));
                request.insert(QStringLiteral("item"), item);
                calculatorRequest = request;
                emit OpenCalculator(value, conversion, matrix, request, this,
                                    SLOT(calculationFinished(const Vector4&, const CalculatorReference&)));
            });
}

CalculatorField* EditorPage::calculatorField(const QVariant&) const
{
    return nullptr;
}

void EditorPage::calculationFinished(const Vector4& result, const CalculatorReference& reference)
{
    // A lapsed request has closed the calculator; its answer is no one's.
    if (reference.isEmpty() || reference != calculatorRequest)
        return;
    calculatorRequest.clear();
    if (CalculatorField* field = calculatorField(reference.value(QStringLiteral("item"))))
        field->calculationFinished(result, reference);
}

void EditorPage::checkCalculatorRequest(bool lapse)
{
    if (calculatorRequest.isEmpty() || (!lapse && calculatorField(calculatorRequest.value(QStringLiteral("item")))))
        return;
    const CalculatorReference lapsed = calculatorRequest;
    calculatorRequest.clear();
    emit CalculatorRequestLapsed(lapsed);
}

// A page minimised with its window is still shown when the window comes back.
void EditorPage::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        checkCalculatorRequest(true);
    QWidget::hideEvent(event);
}

void EditorPage::showEvent(QShowEvent* event)
{
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
    repopulate();
    QWidget::showEvent(event);
}

void EditorPage::closeEvent(QCloseEvent* event)
{
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
    event->accept();
}
