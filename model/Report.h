#pragma once

#include "VaroObject.h"

#include <QList>
#include <QMetaType>
#include <QString>

// A report: a tree of blocks. A block holds chapter items and the load cases
// it is repeated for; an item holds a chapter code, a nested block, or both.
//
// Written as "Report" holding its root "Block"; a block holds
// <Item chapter="code"> elements (each may hold a "Block") and
// <LoadCase>id</LoadCase> elements.
class Report : public VaroObject
{
    Q_OBJECT

public:
    class ReportBlock;
    class ReportItem;
    typedef QSharedPointer<ReportBlock> ReportBlockRef;
    typedef QSharedPointer<ReportItem> ReportItemRef;

    class ReportItem
    {
    public:
        explicit ReportItem(const QString& chapter = QString(), const ReportBlockRef& block = ReportBlockRef());

        // Empty for an item that only carries a block.
        QString chapter;
        // Null for a plain chapter.
        ReportBlockRef block;
    };

    class ReportBlock
    {
    public:
        const QList<ReportItemRef>& items() const { return itemList; }
        const QList<LoadCaseRef>& loadCases() const { return loadCaseList; }
        // 1 once a load case has been inserted or read; nothing clears it.
        qint32 loadCaseMarker() const { return marker; }

        // Nothing for a null item or one already there; otherwise inserts it before
        // `before`, or appends it when `before` is null or absent.
        void insertItem(const ReportItemRef& item, const ReportItemRef& before);
        // The same on the load cases, and the marker becomes 1.
        void insertLoadCase(const LoadCaseRef& loadCase, const LoadCaseRef& before);
        // Each removes the entry and returns the one now at its index: null
        // when it was the last or was absent. The marker stays.
        ReportItemRef removeItem(const ReportItemRef& item);
        LoadCaseRef removeLoadCase(const LoadCaseRef& loadCase);

        bool hasOnlyOneEntry() const { return itemList.size() + loadCaseList.size() == 1; }
        bool isEmpty() const { return itemList.isEmpty() && loadCaseList.isEmpty(); }

    private:
        friend class Report;

        QList<ReportItemRef> itemList;
        QList<LoadCaseRef> loadCaseList;
        qint32 marker = 0;
    };

    // One empty root block.
    Report();

    // Never null.
    ReportBlockRef rootBlock() const { return root; }

    // The item whose block this is, searched from the root; null for the root block.
    ReportItemRef parentOf(const ReportBlockRef& block) const;
    // The block that directly holds the item, searched from `from` and then
    // depth first through the blocks of its items.
    ReportBlockRef parentOf(const ReportItemRef& item, const ReportBlockRef& from) const;

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    // The load cases named anywhere in the report, which must be written first.
    QList<VaroObjectRef> references() const override;

    // Chapter codes, compared by text.
    static const QString ChapterGroupCover;
    static const QString ChapterLoadCaseCover;
    static const QString ChapterLoadInput;
    static const QString ChapterMemberInput;
    static const QString ChapterNodeInput;
    static const QString ChapterMemberGraphicalResults;
    static const QString ChapterNodeGraphicalResults;
    static const QString ChapterReactionsGraphical;
    static const QString ChapterDeflectionsGraphical;
    static const QString ChapterShearForcesGraphical;
    static const QString ChapterBendingMomentsGraphical;

signals:
    void ReportWillChange();
    void ReportHasChanged();

private:
    void readBlock(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap, ReportBlock* block);
    static void writeBlock(QXmlStreamWriter& writer, const ReportBlock& block);

    ReportBlockRef root;
};

Q_DECLARE_METATYPE(ReportRef)
Q_DECLARE_METATYPE(Report::ReportBlockRef)
Q_DECLARE_METATYPE(Report::ReportItemRef)
