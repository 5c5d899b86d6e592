#pragma once

#include "HistoryCommand.h"
#include "ReportModel.h"

// The report edits. They go on the document's report stack, which nothing
// undoes: it records the edits for the modified state only.

class ReportModelCommand : public HistoryCommand
{
public:
    explicit ReportModelCommand(const QSharedPointer<ReportModel>& reportModel) : reportModel(reportModel) {}

    void redo() override = 0;
    void undo() override = 0;

protected:
    const QSharedPointer<ReportModel> reportModel;
};

// Whole reports: one operation and its inverse.
template <void (ReportModel::*Do)(const QList<ReportRef>&), void (ReportModel::*Undo)(const QList<ReportRef>&)>
class ReportListCommand : public ReportModelCommand
{
public:
    ReportListCommand(const QSharedPointer<ReportModel>& reportModel, const QList<ReportRef>& reports)
        : ReportModelCommand(reportModel), reports(reports)
    {
    }

    void redo() override { (reportModel.data()->*Do)(reports); }
    void undo() override { (reportModel.data()->*Undo)(reports); }
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, reports); }

private:
    QList<ReportRef> reports;
};

class CommandAppendReports : public ReportListCommand<&ReportModel::appendReports, &ReportModel::removeReports>
{
public:
    using ReportListCommand::ReportListCommand;
};

class CommandRemoveReports : public ReportListCommand<&ReportModel::removeReports, &ReportModel::appendReports>
{
public:
    using ReportListCommand::ReportListCommand;
};

// Entries of a block (chapter items or load cases) are inserted before
// another entry and removed returning the entry that followed them.
template <class Entry>
struct ReportEntryOperations
{
    typedef void (ReportModel::*Insert)(const ReportRef&, const Report::ReportBlockRef&, const Entry&, const Entry&);
    typedef Entry (ReportModel::*Remove)(const ReportRef&, const Report::ReportBlockRef&, const Entry&);
};

template <class Entry, typename ReportEntryOperations<Entry>::Insert Insert,
          typename ReportEntryOperations<Entry>::Remove Remove>
class ReportEntryInsertCommand : public ReportModelCommand
{
public:
    ReportEntryInsertCommand(const QSharedPointer<ReportModel>& reportModel, const ReportRef& report,
                             const Report::ReportBlockRef& block, const Entry& entry, const Entry& before)
        : ReportModelCommand(reportModel), report(report), block(block), entry(entry), before(before)
    {
    }

    void redo() override { (reportModel.data()->*Insert)(report, block, entry, before); }
    void undo() override { (reportModel.data()->*Remove)(report, block, entry); }
    bool releaseSome(int*) override { return true; }

private:
    const ReportRef report;
    const Report::ReportBlockRef block;
    const Entry entry;
    const Entry before;
};

// The undo inserts the entry before the one that followed it, or at the end.
template <class Entry, typename ReportEntryOperations<Entry>::Insert Insert,
          typename ReportEntryOperations<Entry>::Remove Remove>
class ReportEntryRemoveCommand : public ReportModelCommand
{
public:
    ReportEntryRemoveCommand(const QSharedPointer<ReportModel>& reportModel, const ReportRef& report,
                             const Report::ReportBlockRef& block, const Entry& entry)
        : ReportModelCommand(reportModel), report(report), block(block), entry(entry)
    {
    }

    void redo() override { next = (reportModel.data()->*Remove)(report, block, entry); }
    void undo() override
    {
        (reportModel.data()->*Insert)(report, block, entry, next);
        next.reset();
    }
    bool releaseSome(int*) override { return true; }

private:
    const ReportRef report;
    const Report::ReportBlockRef block;
    const Entry entry;
    Entry next;
};

class CommandInsertItemIntoReport
    : public ReportEntryInsertCommand<Report::ReportItemRef, &ReportModel::insertItemIntoReport,
                                      &ReportModel::removeItemFromReport>
{
public:
    using ReportEntryInsertCommand::ReportEntryInsertCommand;
};

class CommandRemoveItemFromReport
    : public ReportEntryRemoveCommand<Report::ReportItemRef, &ReportModel::insertItemIntoReport,
                                      &ReportModel::removeItemFromReport>
{
public:
    using ReportEntryRemoveCommand::ReportEntryRemoveCommand;
};

class CommandInsertLoadCaseIntoReport
    : public ReportEntryInsertCommand<LoadCaseRef, &ReportModel::insertLoadCaseIntoReport,
                                      &ReportModel::removeLoadCaseFromReport>
{
public:
    using ReportEntryInsertCommand::ReportEntryInsertCommand;
};

class CommandRemoveLoadCaseFromReport
    : public ReportEntryRemoveCommand<LoadCaseRef, &ReportModel::insertLoadCaseIntoReport,
                                      &ReportModel::removeLoadCaseFromReport>
{
public:
    using ReportEntryRemoveCommand::ReportEntryRemoveCommand;
};
