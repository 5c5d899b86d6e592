#pragma once

#include "AnalysisInput.h"
#include "AnalysisLink.h"
#include "AnalysisSource.h"
#include "BandedSystem.h"
#include "ModelRefs.h"
#include "VaroObject.h"

#include <QMap>
#include <QMutex>
#include <QReadWriteLock>
#include <QSharedPointer>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

#include <functional>

class AnalysisDocument;
class AnalysisLoadCase;
class AnalysisOutput;
class AnalysisResultCase;

// The background analysis of one document. It polls the document's three
// staleness sums every 50 ms, reruns only the phases a change invalidated
// (topology, stiffness, loading with solution), and publishes one immutable
// output with an operating state and a status. Signals are emitted while
// the state lock is held: receivers must be connected queued.
class AnalysisModel : public QThread, public AnalysisLink
{
    Q_OBJECT

public:
    // The steps of the thread's loop, numbered as the phase table numbers them.
    enum Phase { Watch = 0, Topology = 2, Stiffness = 3, Solution = 4, Publish = 6 };

    // Computing time of the last run of each phase, and how often each ran
    // to its end.
    struct PhaseTimes
    {
        double topology = 0.0, stiffness = 0.0, solver = 0.0, compilation = 0.0; // seconds
        int topologyRuns = 0, stiffnessRuns = 0, solverRuns = 0;
    };

    // Throws ExceptionCannotAllocate without a document. The document must
    // outlive the thread; a shared one is kept for as long as the model lives.
    explicit AnalysisModel(const AnalysisDocument* document, QObject* parent = nullptr);
    explicit AnalysisModel(const QSharedPointer<const AnalysisDocument>& document, QObject* parent = nullptr);

    void stop() override;

    // For tests: when set, called in the analysis's thread at every stop
    // check of the elimination and of the loading pass, with the phase; set
    // only while no analysis runs.
    static std::function<void(Phase)> _atStopCheck;

    OperatingState operatingState() const override;
    QSharedPointer<AnalysisOutput> output() const override;
    QString statusMessage() const override;
    // The three together, as one look under the state lock sees them: the
    // thread may change each between two separate reads.
    struct Published
    {
        OperatingState state;
        QString status;
        QSharedPointer<AnalysisOutput> output;
    };
    Published published() const;
    VaroObjectRef statusObject() const override;
    PhaseTimes phaseTimes() const;
    int halfBandWidth() const { return input.halfBandWidth(); }
    // Multiply-adds of the last elimination.
    double eliminationMultiplyAdds() const { return stiffness.eliminationMultiplyAdds(); }

    bool isTopologyValid() const;
    bool isStiffnessValid() const;
    bool isLoadingValid() const;

    bool performTopology();
    bool performStiffness();
    bool performSolver();

    // The piece's local matrix; a failed release names the model member.
    void computeMemberLocalStiffnessMatrix(const QSharedPointer<AnalysisMember>& m, Matrix12x12* k) const;
    bool buildStiffnessMatrix();
    bool eliminate();
    bool buildLoadCases();
    bool buildLoadCase(const QSharedPointer<AnalysisLoadCase>& loadCase);
    void addLocalEndForcesToGlobalP(const QSharedPointer<AnalysisSourceMember>& member, const Vector6& end1,
                                    const Vector6& end2, QVector<double>* p) const;
    bool solveForDisplacements();
    bool solveLoadCase(const QSharedPointer<AnalysisLoadCase>& loadCase);

    void compileFirstOrderResults();
    QSharedPointer<AnalysisResultCase>
    compileResultsForFirstOrderLoadCase(const QSharedPointer<AnalysisLoadCase>& loadCase,
                                        const QList<QSharedPointer<AnalysisSourceNode>>& nodes,
                                        const QList<QSharedPointer<AnalysisSourceMember>>& members) const;
    void computeLocalEndForcesDueToEndDisplacement(const QSharedPointer<AnalysisMember>& member,
                                                   const QVector<double>& displacements, Vector12* endForces) const;

signals:
    void OperatingStateChanged();
    void OutputChanged();
    void StatusChanged();

protected:
    void run() override;

private:
    void setOperatingState(OperatingState state);
    void setOutput(const QSharedPointer<AnalysisOutput>& output);
    void clearOutput();
    void setStatus(const QString& message, const VaroObjectRef& object);
    bool keepRunningNow() const;
    // Whether the loading pass under way is still wanted: its stop check.
    bool isLoadingWanted() const;
    // Frees what the thread built, before it ends, a piece at a time; the
    // rest stays when the program is ending. Who lets go of what, and where:
    // AnalysisDisposal.
    void releaseHoldings();
    // Destroys the loads of this thread that others let go of: a slice, and
    // the rest while nothing else is wanted of it.
    void destroyHandedBack(VaroObject::Keeping* keeping);
    void waitFor(unsigned long ms);
    bool busy() const;
    // The model node owning a free row, or the one its bridge node stands at.
    NodeRef nodeOfRow(int row) const;
    // The six displacements of a node, global axes.
    Vector6 displacementOf(const AnalysisNode& node, const QVector<double>& displacements) const;
    // The twelve end displacements of a member in its axes.
    Vector12 localEndDisplacements(const Matrix3x3& axes, const AnalysisNode& end1, const AnalysisNode& end2,
                                   const QVector<double>& displacements) const;

    mutable QMutex flagMutex;
    bool stopRequested = false;
    AnalysisInput input;
    bool keepRunning = false;
    QWaitCondition wakeUp;
    QMutex waitMutex;
    BandedSystem stiffness;
    OperatingState state = NoResults;
    QSharedPointer<AnalysisOutput> outputValue;
    mutable QReadWriteLock stateLock;
    QMap<QSharedPointer<AnalysisLoadCase>, QVector<double>> loadVectors;
    QMap<QSharedPointer<AnalysisLoadCase>, QVector<double>> displacementVectors;
    AnalysisSource source;
    QString message = QStringLiteral("Not analysed");
    VaroObjectRef object;
    const QSharedPointer<const AnalysisDocument> sharedDocument;
    const AnalysisDocument* document;
    bool stiffnessValid = false;
    bool topologyValid = false;
    int loadingStamp = 0;
    int stiffnessStamp = 0;
    int topologyStamp = 0;
    // Per-phase timing, written by the analysis thread.
    PhaseTimes times;
    // Rows and the model view of the numbered input, taken once per stiffness phase.
    QVector<int> rows;
    int F = 0;
    int R = 0;
};
