#pragma once

// Helpers shared by the structure model tests.

#include "StructureModel.h"

#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QList>
#include <QThread>

inline NodeRef nodeAt(double x, double y = 0.0, double z = 0.0)
{
    const NodeRef node(new Node);
    node->setPosition(Vector3(x, y, z));
    return node;
}

inline QSharedPointer<PointLoad> pointLoad(const MemberRef& member, double position, double force)
{
    QSharedPointer<PointLoad> load(new PointLoad(member));
    load->setPositionedForces({Load::PositionedForce(position, force)});
    return load;
}

inline QSharedPointer<TorqueLoad> torqueLoad(const MemberRef& member, double position, double torque)
{
    QSharedPointer<TorqueLoad> load(new TorqueLoad(member));
    load->setPositionedForces({Load::PositionedForce(position, torque)});
    return load;
}

inline QSharedPointer<TrapezoidLoad> trapezoidLoad(const MemberRef& member, double a, double fA, double b, double fB)
{
    QSharedPointer<TrapezoidLoad> load(new TrapezoidLoad(member));
    load->setPositionedForces({Load::PositionedForce(a, fA), Load::PositionedForce(b, fB)});
    return load;
}

// Tells from inside an operation whether the structure's write lock is held:
// a reader started on another thread must not get in within a short wait.
// The readers are joined when the probe goes.
class LockProbe
{
public:
    explicit LockProbe(StructureModel* model) : model(model) {}
    ~LockProbe()
    {
        for (QThread* thread : qAsConst(readers)) {
            thread->wait();
            delete thread;
        }
    }
    LockProbe(const LockProbe&) = delete;
    LockProbe& operator=(const LockProbe&) = delete;

    bool readerIsKeptOut()
    {
        QThread* reader = QThread::create([this] { model->nodes(); });
        readers.append(reader);
        reader->start();
        return !reader->wait(20);
    }

private:
    StructureModel* model;
    QList<QThread*> readers;
};

// Counts the structure signals, and how many of them came while a reader
// was kept out by the write lock.
class SignalWatch
{
public:
    explicit SignalWatch(StructureModel* model, bool probeLock = false) : probe(model)
    {
        QObject::connect(model, &StructureModel::StructureWillChange, [this, probeLock] {
            ++will;
            if (probeLock && probe.readerIsKeptOut())
                ++lockedWill;
        });
        QObject::connect(model, &StructureModel::StructureHasChanged, [this, probeLock] {
            ++has;
            if (probeLock && probe.readerIsKeptOut())
                ++lockedHas;
        });
    }

    LockProbe probe;
    int will = 0;
    int has = 0;
    int lockedWill = 0;
    int lockedHas = 0;
};

struct Counters
{
    explicit Counters(const StructureModel& m)
        : loading(m.loadingCounter()), stiffness(m.stiffnessCounter()), topology(m.topologyCounter())
    {
    }
    int loading;
    int stiffness;
    int topology;
};
