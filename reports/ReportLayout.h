#pragma once

#include "ModelRefs.h"
#include "Report.h"
#include "Vectors.h"

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QRect>
#include <QRectF>
#include <QSet>
#include <QSharedPointer>
#include <QString>

class AnalysisOutput;
class AnalysisResultCase;
class CurrentState;
class DocumentModel;
class ReportPictures;
class ViewPoint;

// One report of the document laid out as pages of plates. Plates are placed
// in fractions of the page's content area (x right, y down, both 0 to 1), so
// one layout serves every device. Besides the pages it keeps the sorted
// object lists, report numbers and the analysis output that the painters
// read, so that all pages show one state of the model. Read-only once
// layoutPages() has returned; the painters read the fields directly.
class ReportLayout : public QObject
{
    Q_OBJECT

public:
    class Plate
    {
    public:
        // The area mapped into a device rectangle; each edge and size rounded
        // half up on its own.
        QRect deviceFrame(const QRect& pageRect) const;

        QString chapter;
        QRectF area;
        GroupRef group;
        LoadCaseRef loadCase;
        VaroObjectRef object;
        QList<LoadRef> loads;
        QList<MemberRef> members;
        QList<NodeRef> nodes;
        QSharedPointer<AnalysisResultCase> resultCase;
    };
    typedef QList<Plate> Page;

    ReportLayout(const QSharedPointer<DocumentModel>& documentModel, const QSharedPointer<CurrentState>& currentState,
                 const QSharedPointer<ViewPoint>& viewPoint, const QSharedPointer<Report>& report,
                 QObject* parent = nullptr);
    ~ReportLayout() override;

    // Rebuilds everything from nothing and emits PagesLaidOut() once. GUI thread.
    void layoutPages();

    static bool isLoadLessThan(const LoadRef& a, const LoadRef& b);
    static bool isMemberLessThan(const MemberRef& a, const MemberRef& b);
    static bool isNodeLessThan(const NodeRef& a, const NodeRef& b);
    // Half up also for negative values.
    static int roundHalfUp(double d);

    QSharedPointer<AnalysisOutput> analysisOutput;
    QList<Plate> currentPage;
    QRectF lineCursor;
    QSharedPointer<CurrentState> currentState;
    QSharedPointer<DocumentModel> documentModel;
    QMap<LoadCaseRef, QList<LoadRef>> loadsByLoadCase;
    QSet<NodeRef> reportedNodes;
    QMap<MemberRef, int> memberNumbers;
    QMap<NodeRef, int> nodeNumbers;
    QList<Page> pages;
    QSharedPointer<Report> report;
    QList<LoadRef> selectedLoads;
    QList<MemberRef> selectedMembers;
    QList<NodeRef> selectedNodes;
    QList<LoadRef> loads;
    QList<MemberRef> members;
    QList<NodeRef> nodes;
    QList<LoadCaseRef> usedLoadCases;
    QList<GeometryGroupRef> usedGroups;
    QSharedPointer<ViewPoint> viewPoint;
    // The spheres the plates' pictures are fitted to: of all reported nodes,
    // and of the reported nodes of each used group. Worked out once for all
    // pages, since each means a pass over the whole structure.
    Vector4 reportSphere;
    QMap<const Group*, Vector4> groupSpheres;
    // Pictures the pages share; made as the pages are painted.
    QSharedPointer<ReportPictures> pictures;

signals:
    void PagesLaidOut();

private:
    void initialise();
    void measureSpheres();
    // Painting only reads the model's caches, so they are made valid here,
    // in the GUI thread under the document's read lock.
    void refreshCaches();
    void layoutBlock(const QSharedPointer<Report::ReportBlock>& block, const QSharedPointer<LoadCase>& loadCase,
                     const QSharedPointer<Group>& group, const QList<LoadRef>& loads, const QList<MemberRef>& members,
                     const QList<NodeRef>& nodes);
    bool needsPageBreak(const QString& next, const QString& previous) const;
    QRectF addAreaToPage(double width, double height);
    void addPageBreak();
    void addLineBreak();
    Plate& addPlate(const QString& chapter, double width, double height, const GroupRef& group);

    void layoutGroupCover(const GroupRef& group, const QList<MemberRef>& members, const QList<NodeRef>& nodes);
    void layoutLoadCaseCover(const LoadCaseRef& loadCase, const GroupRef& group, const QList<LoadRef>& loads,
                             const QList<MemberRef>& members, const QList<NodeRef>& nodes);
    void layoutLoadInput(const LoadRef& load, const LoadCaseRef& loadCase, const GroupRef& group);
    void layoutMemberInput(const MemberRef& member, const GroupRef& group);
    void layoutNodeInput(const NodeRef& node, const GroupRef& group);
    void layoutMemberGraphicalResults(const MemberRef& member, const QSharedPointer<AnalysisResultCase>& resultCase,
                                      const GroupRef& group);
    void layoutNodeGraphicalResults(const NodeRef& node, const QSharedPointer<AnalysisResultCase>& resultCase,
                                    const GroupRef& group);
    void layoutReactionsGraphical(const QSharedPointer<AnalysisResultCase>& resultCase, const QList<NodeRef>& nodes,
                                  const GroupRef& group);
    void layoutDeflectionsGraphical(const QSharedPointer<AnalysisResultCase>& resultCase,
                                    const QList<MemberRef>& members, const GroupRef& group);
    void layoutShearForcesGraphical(const QSharedPointer<AnalysisResultCase>& resultCase,
                                    const QList<MemberRef>& members, const GroupRef& group);
    void layoutBendingMomentsGraphical(const QSharedPointer<AnalysisResultCase>& resultCase,
                                       const QList<MemberRef>& members, const GroupRef& group);
    Plate& layoutOverview(const QString& chapter, const QSharedPointer<AnalysisResultCase>& resultCase,
                          const GroupRef& group);
    QSharedPointer<AnalysisResultCase> resultCaseFor(const LoadCaseRef& loadCase) const;
};

typedef QSharedPointer<ReportLayout> ReportLayoutRef;

Q_DECLARE_METATYPE(ReportLayoutRef)

// Lets a laid-out report travel through queued signals; called once at start-up.
void registerReportMetaTypes();
