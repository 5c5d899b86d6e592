#include "Combination.h"
#include "GeometryGroup.h"
#include "Loading.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "Support.h"
#include "SwayCase.h"
#include "TestMain.h"

#include <QMetaMethod>
#include <QtTest>

#include <functional>

namespace {

// One setter call on a new object.
struct Change
{
    std::function<VaroObjectRef()> make;
    std::function<void(VaroObject*)> apply;
};

template <class T>
Change change(const std::function<void(T*)>& apply)
{
    return {[] { return VaroObject::share<VaroObject>(new T); }, [apply](VaroObject* object) { apply(static_cast<T*>(object)); }};
}

// Records the name of every signal of its sender, in order.
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    explicit SignalRecorder(QObject* sender)
    {
        const QMetaObject* meta = sender->metaObject();
        const int slot = metaObject()->indexOfSlot("record()");
        for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i)
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                QMetaObject::connect(sender, i, this, slot);
    }

    QStringList names;

public slots:
    void record() { names << QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name()); }
};

QStringList pair(const char* what)
{
    return {QStringLiteral("%1WillChange").arg(QLatin1String(what)), QStringLiteral("%1HasChanged").arg(QLatin1String(what))};
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestSignals : public QObject
{
    Q_OBJECT

private slots:
    void setterSignalsAndStamps_data();
    void setterSignalsAndStamps();
};

void TestSignals::setterSignalsAndStamps_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("signalNames");
    QTest::addColumn<bool>("stamps");

    const QStringList none;
    const NodeRef node(VaroObject::make<Node>());
    const LoadingRef loading(VaroObject::make<Loading>());

    QTest::newRow("Node::setPosition") << change<Node>([](Node* n) { n->setPosition(Vector3(1, 2, 3)); })
                                       << pair("Position") << true;
    QTest::newRow("Node::setPosition, same place") << change<Node>([](Node* n) { n->setPosition(Vector3()); })
                                                   << pair("Position") << true;
    QTest::newRow("Node::setSupport") << change<Node>([](Node* n) { n->setSupport(VaroObject::make<Support>()); })
                                      << pair("Support") << true;
    QTest::newRow("Node::setSupport, unchanged") << change<Node>([](Node* n) { n->setSupport(SupportRef()); })
                                                 << none << false;

    const QStringList orientation = {QStringLiteral("OrientationHasChanged")};
    QTest::newRow("Member::setNodeA") << change<Member>([node](Member* m) { m->setNodeA(node); }) << orientation
                                      << true;
    QTest::newRow("Member::swapEnds") << change<Member>([](Member* m) { m->swapEnds(); }) << orientation << true;
    QTest::newRow("Member::setSectionType")
        << change<Member>([](Member* m) { m->setSectionType(SectionTypeRef()); }) << none << true;

    QTest::newRow("MemberAxis::setAxis") << change<MemberAxis>([](MemberAxis* a) { a->setAxis(Axis()); })
                                         << pair("Axis") << true;

    QTest::newRow("GeometryGroup::setName")
        << change<GeometryGroup>([](GeometryGroup* g) { g->setName(QStringLiteral("Roof")); }) << pair("Name") << true;
    QTest::newRow("GeometryGroup::setAnalysisPurpose")
        << change<GeometryGroup>([](GeometryGroup* g) { g->setAnalysisPurpose(false); }) << pair("Value") << true;
    QTest::newRow("GeometryGroup::setColour")
        << change<GeometryGroup>([](GeometryGroup* g) { g->setColour(Qt::green); }) << pair("Value") << false;

    QTest::newRow("LoadCase::setColour") << change<Loading>([](Loading* l) { l->setColour(Qt::blue); }) << none
                                         << false;
    QTest::newRow("SuperLoadCase::setFactors")
        << change<Combination>([loading](Combination* c) { c->setFactors({{loading, 1.2}}); }) << pair("Value") << true;
    QTest::newRow("Combination::setSecondOrder")
        << change<Combination>([](Combination* c) { c->setSecondOrder(true); }) << pair("Value") << true;

    QTest::newRow("Load::setLoadCase") << change<PointLoad>([loading](PointLoad* l) { l->setLoadCase(loading); })
                                       << none << true;
    QTest::newRow("Load::setPositionedForces")
        << change<PointLoad>([](PointLoad* l) { l->setPositionedForces({{0.5, 1.0}}); }) << none << true;
}

void TestSignals::setterSignalsAndStamps()
{
    QFETCH(Change, change);
    QFETCH(QStringList, signalNames);
    QFETCH(bool, stamps);

    const VaroObjectRef object = change.make();
    const quint32 created = object->timeStamp();
    SignalRecorder recorder(object.data());
    const quint32 next = VaroObject::currentTimeStamp();
    change.apply(object.data());

    QCOMPARE(recorder.names, signalNames);
    if (stamps) {
        QCOMPARE(object->timeStamp(), next);
        QCOMPARE(VaroObject::currentTimeStamp(), next + 1);
    } else {
        QCOMPARE(object->timeStamp(), created);
        QCOMPARE(VaroObject::currentTimeStamp(), next);
    }
}

VARO_GUILESS_TEST_MAIN(TestSignals)
#include "tst_signals.moc"
