#include "CurrentState.h"
#include "GeometryGroup.h"
#include "Loading.h"
#include "ModelMetaTypes.h"
#include "Node.h"
#include "TestMain.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QtTest>

namespace {

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
};

void TestCurrentState::initTestCase()
{
    registerModelMetaTypes();
}

void TestCurrentState::copiesAndXmlRoundTrip()
{
    const GroupRef group(VaroObject::make<GeometryGroup>());
    const LoadCaseRef loadCase(VaroObject::make<Loading>());
    const VaroObjectRef node(VaroObject::make<Node>());
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
    QTest::newRow("one past the last") << "<mode>3</mode><resultMode>4</resultMode>" << 1 << 2;
    QTest::newRow("negative") << "<mode>-1</mode><resultMode>-7</resultMode>" << 1 << 2;
    QTest::newRow("not numbers read as 0") << "<mode>abc</mode><resultMode>x</resultMode>" << 0 << 0;
}

void TestCurrentState::readingRefusesUnknownModes()
{
    QFETCH(QString, children);
    QFETCH(int, mode);
    QFETCH(int, resultMode);

    const LoadCaseRef loadCase(VaroObject::make<Loading>());
    const VaroObjectRef node(VaroObject::make<Node>());
    QMap<QString, VaroObjectRef> idMap = {{QStringLiteral("7"), loadCase}, {QStringLiteral("8"), node}};

    CurrentState state;
    state.setMode(CurrentState::Loading);
    state.setResultMode(CurrentState::BendingMoment);
    state.setGroup(GroupRef(VaroObject::make<GeometryGroup>()));
    const QString xml = QStringLiteral("<CurrentState>") + children
        + QStringLiteral("<LOADCASE>7</LOADCASE><group>8</group><Other><mode>2</mode></Other>"
                         "<scaleLD>3.5</scaleLD></CurrentState>");
    QCOMPARE(readInto(&state, xml, &idMap), QStringLiteral("After"));

    QCOMPARE(state.mode(), mode);
    QCOMPARE(state.resultMode(), resultMode);
    QCOMPARE(state.loadCase(), loadCase);
    QVERIFY(!state.group()); // the id names a node
    QCOMPARE(state.scaleLD(), 3.5);
}

VARO_TEST_MAIN(TestCurrentState)
#include "tst_currentstate.moc"
