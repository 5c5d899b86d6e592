#include "ReportModel.h"

#include <QReadLocker>
#include <QSet>
#include <QWriteLocker>

#include <algorithm>

ReportModel::ReportModel(QObject* parent) : QObject(parent), lock(new QReadWriteLock) {}

ReportModel::~ReportModel() = default;

template <class F>
auto ReportModel::change(F work)
{
    QWriteLocker locker(lock.get());
    emit ReportsWillChange();
    struct Closing
    {
        ReportModel* model;
        ~Closing()
        {
            model->changeCounter.ref();
            emit model->ReportsHaveChanged();
        }
    } closing{this};
    return work();
}

QList<ReportRef> ReportModel::reports() const
{
    QReadLocker locker(lock.get());
    return reportList;
}

void ReportModel::appendReports(const QList<ReportRef>& reports)
{
    change([&] { reportList.append(reports); });
}

void ReportModel::removeReports(const QList<ReportRef>& reports)
{
    change([&] {
        const QSet<ReportRef> gone(reports.begin(), reports.end());
        reportList.erase(std::remove_if(reportList.begin(), reportList.end(),
                                        [&](const ReportRef& report) { return gone.contains(report); }),
                         reportList.end());
    });
}

void ReportModel::insertItemIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                       const Report::ReportItemRef& item, const Report::ReportItemRef& before)
{
    change([&] {
        if (block)
            block->insertItem(item, before);
    });
}

Report::ReportItemRef ReportModel::removeItemFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                                        const Report::ReportItemRef& item)
{
    return change([&] { return block ? block->removeItem(item) : Report::ReportItemRef(); });
}

void ReportModel::insertLoadCaseIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                           const LoadCaseRef& loadCase, const LoadCaseRef& before)
{
    change([&] {
        if (block)
            block->insertLoadCase(loadCase, before);
    });
}

LoadCaseRef ReportModel::removeLoadCaseFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                                  const LoadCaseRef& loadCase)
{
    return change([&] { return block ? block->removeLoadCase(loadCase) : LoadCaseRef(); });
}
