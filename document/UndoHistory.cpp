#include "UndoHistory.h"

#include "HistoryCommand.h"
#include "VaroObject.h"

#include <QtWidgets/private/qundostack_p.h>

#include <algorithm>

namespace {

// QUndoCommand keeps its children behind a pointer of its own, which an
// explicit instantiation may name: the only way to take a child out of its
// macro without destroying every other with it.
QUndoCommandPrivate* QUndoCommand::*commandPrivate();

template <QUndoCommandPrivate* QUndoCommand::*Member>
struct CommandPrivateAccess
{
    friend QUndoCommandPrivate* QUndoCommand::*commandPrivate() { return Member; }
};

template struct CommandPrivateAccess<&QUndoCommand::d>;

QList<QUndoCommand*>& childrenOf(QUndoCommand* command)
{
    return (command->*commandPrivate())->child_list;
}

QUndoStackPrivate* privateOf(QUndoStack* stack)
{
    return static_cast<QUndoStackPrivate*>(QObjectPrivate::get(stack));
}

const QUndoStackPrivate* privateOf(const QUndoStack* stack)
{
    return privateOf(const_cast<QUndoStack*>(stack));
}

// QUndoStack frees the steps past its limit as it pushes; while this lives
// it has none, and the history lets go of them itself.
class LimitLifted
{
public:
    explicit LimitLifted(QUndoStack* stack) : d(privateOf(stack)), limit(d->undo_limit) { d->undo_limit = 0; }
    ~LimitLifted() { d->undo_limit = limit; }
    Q_DISABLE_COPY(LimitLifted)

private:
    QUndoStackPrivate* const d;
    const int limit;
};

} // namespace

UndoHistory::~UndoHistory()
{
    letGoOf(takeAll());
}

void UndoHistory::push(QUndoCommand* command)
{
    const bool outermost = !isInMacro();
    if (outermost)
        letGoOfUndone();
    {
        const LimitLifted lifted(this);
        QUndoStack::push(command);
    }
    if (outermost)
        letGoOfOldest();
}

void UndoHistory::beginMacro(const QString& text)
{
    if (!isInMacro())
        letGoOfUndone();
    QUndoStack::beginMacro(text);
}

void UndoHistory::endMacro()
{
    const bool outermost = privateOf(this)->macro_stack.size() == 1;
    {
        const LimitLifted lifted(this);
        QUndoStack::endMacro();
    }
    if (outermost)
        letGoOfOldest();
}

void UndoHistory::clear()
{
    if (count() == 0)
        return;
    const bool wasClean = isClean();
    letGoOf(takeAll());
    // As QUndoStack::clear announces it.
    emit indexChanged(0);
    emit canUndoChanged(false);
    emit undoTextChanged(QString());
    emit canRedoChanged(false);
    emit redoTextChanged(QString());
    if (!wasClean)
        emit cleanChanged(true);
}

QList<QUndoCommand*> UndoHistory::takeAll()
{
    QUndoStackPrivate* d = privateOf(this);
    d->macro_stack.clear();
    QList<QUndoCommand*> taken;
    taken.swap(d->command_list);
    d->index = 0;
    d->clean_index = 0;
    return taken;
}

void UndoHistory::letGoOfUndone()
{
    QUndoStackPrivate* d = privateOf(this);
    if (d->index >= d->command_list.size())
        return;
    const QList<QUndoCommand*> undone = d->command_list.mid(d->index);
    d->command_list.erase(d->command_list.begin() + d->index, d->command_list.end());
    // QUndoStack forgets a clean state above the index itself.
    letGoOf(undone);
}

void UndoHistory::letGoOfOldest()
{
    QUndoStackPrivate* d = privateOf(this);
    const int excess = d->command_list.size() - d->undo_limit;
    if (d->undo_limit <= 0 || excess <= 0)
        return;
    const QList<QUndoCommand*> oldest = d->command_list.mid(0, excess);
    d->command_list.erase(d->command_list.begin(), d->command_list.begin() + excess);
    d->index -= excess;
    if (d->clean_index != -1)
        d->clean_index = d->clean_index < excess ? -1 : d->clean_index - excess;
    // The index announced by the push still counted the oldest steps.
    emit indexChanged(d->index);
    letGoOf(oldest);
}

bool UndoHistory::releaseSome(int* budget)
{
    closing.add(takeAll());
    return closing.releaseSome(budget);
}

bool UndoHistory::isInMacro() const
{
    return !privateOf(this)->macro_stack.isEmpty();
}

void UndoHistory::letGoOf(const QList<QUndoCommand*>& commands)
{
    if (commands.isEmpty())
        return;
    struct Held
    {
        Pieces pieces;
        // The model objects that letting go of the commands left to destroy.
        std::vector<VaroObject*> freed;
    };
    const auto held = std::make_shared<Held>();
    held->pieces.add(commands);
    AnalysisDisposal::releaseBetweenEvents([held] {
        const VaroObject::Collecting collecting(&held->freed);
        int budget = AnalysisDisposal::objectsPerSlice;
        while (budget > 0) {
            if (!held->freed.empty())
                VaroObject::destroySome(&held->freed, &budget);
            else if (held->pieces.releaseSome(&budget) && held->freed.empty())
                return true;
        }
        return false;
    });
}

UndoHistory::Pieces::~Pieces()
{
    for (QUndoCommand* command : pending)
        delete command;
}

void UndoHistory::Pieces::add(const QList<QUndoCommand*>& commands)
{
    pending.insert(pending.end(), commands.crbegin(), commands.crend());
}

bool UndoHistory::Pieces::releaseSome(int* budget)
{
    while (!pending.empty() && *budget > 0) {
        QUndoCommand* command = pending.back();
        QList<QUndoCommand*>& children = childrenOf(command);
        if (!children.isEmpty()) {
            pending.push_back(children.takeLast());
            --*budget;
            continue;
        }
        if (auto* held = dynamic_cast<HistoryCommand*>(command))
            if (!held->releaseSome(budget))
                return false;
        if (*budget <= 0)
            return false;
        pending.pop_back();
        delete command;
        --*budget;
    }
    return pending.empty();
}
