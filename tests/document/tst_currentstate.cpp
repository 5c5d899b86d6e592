#include "CurrentState.h"
#include "GeometryGroup.h"
#include "Loading.h"
#include "ModelMetaTypes.h"
#include "Node.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// One spy per signal of the class, to tell what a call emitted and what not.
struct AllSignals
{
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    explicit AllSignals(CurrentState* state)
    {
        const QMetaObject& meta = CurrentState::staticMetaObject;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            if (meta.method(i).methodType() == QMetaMethod::Signal)
                spies.emplace_back(new QSignalSpy(state, QByteArray("2") + meta.method(i).methodSignature()));
    }
    // One name per emission, grouped by signal in declaration order.
    QStringList emitted() const
    {
        QStringList all;
        for (const auto& spy : spies)
            for (int n = 0; n < spy->count(); ++n)
                all.append(QString::fromLatin1(spy->signal()).section(QLatin1Char('('), 0, 0));
        return all;
    }
    void clear()
    {
        for (auto& spy : spies)
            spy->clear();
    }
};

QString written(const CurrentState& state)
{
    QString xml;
    QXmlStreamWriter writer(&xml);
    state.writeXML(writer);
    return xml;
}

// Reads the first "CurrentState" element of the text into the state and
// reports the element that follows it, to show where the reader stopped.
QString readInto(CurrentState* state, const QString& xml, QMap<QString, VaroObjectRef>* idMap)
{
    QXmlStreamReader reader(QStringLiteral("<Content>") + xml + QStringLiteral("<After/></Content>"));
    reader.readNextStartElement();
    reader.readNextStartElement();
    state->readXML(reader, idMap);
    reader.readNextStartElement();
    return reader.name().toString();
}

} // namespace

class TestCurrentState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void copiesAndXmlRoundTrip();
    void readingRefusesUnknownModes_data();
    void readingRefusesUnknownModes();
    void resetAndAssignmentSignals();
};

void TestCurrentState::initTestCase()
{
    registerModelMetaTypes();
}

void TestCurrentState::copiesAndXmlRoundTrip()
{
    const GroupRef group(new GeometryGroup);
    const LoadCaseRef loadCase(new Loading);
    const VaroObjectRef node(new Node);
    QMap<QString, VaroObjectRef> idMap = {
        {group->xmlId(), group}, {loadCase->xmlId(), loadCase}, {node->xmlId(), node}};

    CurrentState state;
    state.setGroup(group);
    state.setInterrogatorObject(node);
    state.setInterrogatorPosition(0.25);
    state.setLoadCase(loadCase);
    state.setMode(CurrentState::Loading);
    state.setResultMode(CurrentState::BendingMoment);
    state.setScaleDeflections(150);
    state.setScaleShearForces(2.5e-5);
    state.toggleDisplayOfSelectionBox();
    state.resizeSelectionBox(QRectF(0.1, 0.2, 0.3, 0.4));
    state.toggleRenderSolid();
    const QString xml = written(state);
    QVERIFY(xml.contains(QStringLiteral("<interrogatorPosition>0.250</interrogatorPosition>")));
    QVERIFY(xml.contains(QStringLiteral("<scaleBM>0.0001</scaleBM><scaleDf>150</scaleDf>")));

    // A copy takes every field, the selection box and its visibility included.
    const CurrentState copy(state, nullptr);
    QCOMPARE(written(copy), xml);
    QVERIFY(copy.isSelectionBoxVisible());
    QCOMPARE(copy.selectionBox(), QRectF(0.1, 0.2, 0.3, 0.4));
    QCOMPARE(copy.renderHints(), int(CurrentState::RenderSolid));

    // The ids are the objects' addresses, so equal text means the same objects.
    CurrentState read;
    QCOMPARE(readInto(&read, xml, &idMap), QStringLiteral("After"));
    QCOMPARE(read.group(), group);
    QCOMPARE(read.scaleSF(), 2.5e-5);
    QCOMPARE(written(read), xml);

    // Without an interrogated object the position is neither written nor read.
    CurrentState plain;
    plain.setInterrogatorPosition(0.9);
    QVERIFY(!written(plain).contains(QStringLiteral("interrogator")));
}

void TestCurrentState::readingRefusesUnknownModes_data()
{
    QTest::addColumn<QString>("children");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("resultMode");

    // Before reading, the state has mode 1 and result mode 2.
    QTest::newRow("both in range") << "<mode>2</mode><resultMode>3</resultMode>" << 2 << 3;
    QTest::newRow("names in capitals") << "<MODE>0</MODE><RESULTMODE>1</RESULTMODE>" << 0 << 1;
    QTest::newRow("one past the last") << "<mode>3</mode><resultMode>4</resultMode>" << 1 << 2;
    QTest::newRow("negative") << "<mode>-1</mode><resultMode>-7</resultMode>" << 1 << 2;
    QTest::newRow("huge") << "<mode>2147483647</mode><resultMode>99999999999</resultMode>" << 1 << 2;
    QTest::newRow("not numbers read as 0") << "<mode>abc</mode><resultMode>x</resultMode>" << 0 << 0;
    QTest::newRow("absent") << "" << 1 << 2;
}

void TestCurrentState::readingRefusesUnknownModes()
{
    QFETCH(QString, children);
    QFETCH(int, mode);
    QFETCH(int, resultMode);

    const LoadCaseRef loadCase(new Loading);
    const VaroObjectRef node(new Node);
    QMap<QString, VaroObjectRef> idMap = {{QStringLiteral("7"), loadCase}, {QStringLiteral("8"), node}};

    CurrentState state;
    state.setMode(CurrentState::Loading);
    state.setResultMode(CurrentState::BendingMoment);
    state.setGroup(GroupRef(new GeometryGroup));
    const QString xml = QStringLiteral("<CurrentState>") + children
        + QStringLiteral("<LOADCASE>7</LOADCASE><group>8</group><scaleBM>abc</scaleBM><Other><mode>2</mode></Other>"
                         "<scaleLD>3.5</scaleLD></CurrentState>");
    QCOMPARE(readInto(&state, xml, &idMap), QStringLiteral("After"));

    QCOMPARE(state.mode(), mode);
    QCOMPARE(state.resultMode(), resultMode);
    QCOMPARE(state.loadCase(), loadCase);
    QVERIFY(!state.group()); // the id names a node
    QCOMPARE(state.scaleBM(), 0.0);
    QCOMPARE(state.scaleLD(), 3.5);
}

void TestCurrentState::resetAndAssignmentSignals()
{
    CurrentState state;
    AllSignals spies(&state);
    state.reset();
    QCOMPARE(spies.emitted(), QStringList({"SelectionBoxHasChanged"}));

    CurrentState other;
    spies.clear();
    state = other;
    QCOMPARE(spies.emitted(), QStringList({"SelectionBoxVisibilityHasChanged", "SelectionBoxHasChanged"}));

    // Assignment carries the values over through the setters, and reset takes
    // them back, each with its own signal. A NaN never equals.
    other.setMode(CurrentState::Results);
    other.setScaleReactions(2);
    other.setScaleLoads(3);
    other.toggleDisplayOfSelectionBox();
    other.resizeSelectionBox(QRectF(0, 0, 1, 1));
    spies.clear();
    state = other;
    QVERIFY(state.isSelectionBoxVisible());
    QCOMPARE(state.selectionBox(), QRectF(0, 0, 1, 1));
    QCOMPARE(spies.emitted(), QStringList({"ModeHasChanged", "ScalesHaveChanged", "ScalesHaveChanged",
                                           "SelectionBoxVisibilityHasChanged", "SelectionBoxHasChanged"}));

    spies.clear();
    state.reset();
    QVERIFY(!state.isSelectionBoxVisible());
    QCOMPARE(state.selectionBox(), QRectF(0.25, 0.25, 0.5, 0.5));
    QCOMPARE(state.mode(), 0);
    QCOMPARE(state.scaleLD(), 1.0);
    QCOMPARE(spies.emitted(), QStringList({"ModeHasChanged", "ScalesHaveChanged", "ScalesHaveChanged",
                                           "SelectionBoxVisibilityHasChanged", "SelectionBoxHasChanged",
                                           "SelectionBoxHasChanged"}));

    spies.clear();
    state.setScaleLoads(std::nan(""));
    state.setScaleLoads(std::nan(""));
    state.setResultMode(7);
    QVERIFY(state.resultPixmap().isNull());
    QCOMPARE(spies.emitted(), QStringList({"ResultModeHasChanged", "ScalesHaveChanged", "ScalesHaveChanged"}));
}

QTEST_MAIN(TestCurrentState)
#include "tst_currentstate.moc"
