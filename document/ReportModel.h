#pragma once

#include "Report.h"

#include <QAtomicInt>
#include <QList>
#include <QObject>
#include <QReadWriteLock>

#include <memory>

// The document's list of reports and the block edits that the report
// commands replay. Every change signals and counts once, also when it finds
// nothing to do; the signals are emitted under the write lock, so a slot
// connected directly to them must not call reports().
class ReportModel : public QObject
{
    Q_OBJECT

public:
    explicit ReportModel(QObject* parent = nullptr);
    ~ReportModel() override;

    QList<ReportRef> reports() const;
    // Raised by every change; the report layout compares it.
    int changeCount() const { return changeCounter.loadAcquire(); }

    // No test for reports already in the list.
    void appendReports(const QList<ReportRef>& reports);
    // Removes every entry that is one of the given reports.
    void removeReports(const QList<ReportRef>& reports);

    // The report names the owner of the block; the edit works on the block.
    // An entry already in the block is not inserted again; a null or absent
    // `before` appends.
    void insertItemIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                              const Report::ReportItemRef& item, const Report::ReportItemRef& before);
    // Returns the entry now standing where the removed one stood: inserting
    // before it puts the removed one back. Null when it was the last or absent.
    Report::ReportItemRef removeItemFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                               const Report::ReportItemRef& item);
    // Sets the block's load-case marker when it inserts.
    void insertLoadCaseIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                  const LoadCaseRef& loadCase, const LoadCaseRef& before);
    LoadCaseRef removeLoadCaseFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                         const LoadCaseRef& loadCase);

signals:
    void ReportsHaveChanged();
    void ReportsWillChange();

private:
    // Takes the write lock and runs the change between the two signals.
    template <class F>
    auto change(F work);

    std::unique_ptr<QReadWriteLock> lock;
    QList<ReportRef> reportList;
    QAtomicInt changeCounter = 0;
};
