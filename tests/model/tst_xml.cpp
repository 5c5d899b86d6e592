#include "XmlTesting.h"
#include "Combination.h"
#include "CrossSection.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "LoadAxis.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "ModelXml.h"
#include "Node.h"
#include "PointLoad.h"
#include "Report.h"
#include "SectionType.h"
#include "Support.h"
#include "SwayCase.h"
#include "Titles.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "VisualConstants.h"
#include "TestMain.h"

#include <QRegularExpression>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

// Writes the objects, and what they refer to, the way a document does: one
// written-id set for the whole element.
QString writeObjects(const QList<VaroObjectRef>& objects)
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("Objects"));
    QSet<QString> written;
    for (const VaroObjectRef& object : objects)
        object->writeRecursiveXML(writer, &written);
    writer.writeEndElement();
    writer.writeEndDocument();
    return text;
}

// Reads the elements back the way a document does: each object is made by
// its element name, reads itself, and only then enters the id map.
bool readObjects(const QString& text, QList<VaroObjectRef>* objects, QString* error = nullptr)
{
    QXmlStreamReader reader(text);
    QMap<QString, VaroObjectRef> idMap;
    reader.readNextStartElement();
    while (reader.readNextStartElement()) {
        const QString ref = reader.attributes().value(QStringLiteral("ref")).toString();
        const VaroObjectRef object = makeObjectForElement(reader.name().toString());
        if (!object) {
            reader.skipCurrentElement();
            continue;
        }
        object->readXML(reader, &idMap);
        if (reader.hasError())
            break;
        idMap.insert(ref, object);
        objects->append(object);
    }
    if (error)
        *error = reader.errorString();
    return !reader.hasError();
}


// A factor map is ordered by the addresses of its load cases, which the
// read objects do not share with the written ones: sort each run of factors.
QString comparable(const QString& text)
{
    QStringList lines = withNumberedIds(text).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size();) {
        int end = i;
        while (end < lines.size() && lines[end].trimmed().startsWith(QLatin1String("<Factor ")))
            ++end;
        std::sort(lines.begin() + i, lines.begin() + end);
        i = std::max(end, i + 1);
    }
    return lines.join(QLatin1Char('\n'));
}

template <class T>
QSharedPointer<T> firstOf(const QList<VaroObjectRef>& objects)
{
    for (const VaroObjectRef& object : objects)
        if (const QSharedPointer<T> cast = qSharedPointerObjectCast<T>(object))
            return cast;
    return QSharedPointer<T>();
}

// One object of every kind, listed so that each stands after what it refers to.
QList<VaroObjectRef> everyKind()
{
    const GeometryGroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("Frame <A> & \"B\"")));
    group->setColour(QColor(10, 20, 30, 40));
    group->setAnalysisPurpose(false);
    const LoadingRef dead(VaroObject::make<Loading>(QStringLiteral("Dead")));
    dead->setColour(QColor(Qt::red));
    const LoadingRef live(VaroObject::make<Loading>(QStringLiteral("Live")));
    const GravityCaseRef gravity(VaroObject::make<GravityCase>(QStringLiteral("Gravity")));
    gravity->setAcceleration(9.80665);
    gravity->setAxis(Axis(Vector3(0, 0, 1), NodeRef(), true, false));
    const SwayCaseRef sway(VaroObject::make<SwayCase>(QStringLiteral("Sway")));
    sway->addFactor(dead, 1.5);
    sway->addFactor(gravity, -0.35);
    sway->setTakeComponent(SwayCase::Z);
    sway->setApplyComponent(SwayCase::Y);
    const CombinationRef combination(VaroObject::make<Combination>(QStringLiteral("ULS")));
    combination->setFactors({{dead, 1.4}, {live, 1.6}, {sway, 1.0}});
    combination->setSecondOrder(true);

    const SupportRef support(VaroObject::make<Support>(QStringLiteral("Pinned"), 7));
    const NodeRef n1(VaroObject::make<Node>()), n2(VaroObject::make<Node>()), n3(VaroObject::make<Node>());
    n1->setPosition(Vector3(0.1, -2.5e-7, 1.0 / 3.0));
    n1->setSupport(support);
    n1->setGeometryGroup(group);
    n2->setPosition(Vector3(3, 4, 0));
    n3->setPosition(Vector3(0, 0, 5));
    const MemberAxisRef towardsN3(VaroObject::make<MemberAxis>(Axis(Vector3(), n3, true, false), QStringLiteral("Towards N3")));
    const CrossSectionRef section(new CrossSection);
    section->setArea(0.0016);
    const MaterialRef steel(new Material({QStringLiteral("Steel")}, 2.05e11, 7.9e10, 7850, 1.2e-5));
    const SectionTypeRef sectionType(VaroObject::make<SectionType>(section, steel));
    const MemberRef member(VaroObject::make<Member>(n1, n2));
    member->setAxis(towardsN3);
    member->setSectionType(sectionType);
    member->setGeometryGroup(group);
    member->setPinAtB(true);

    const LoadAxisRef localZ(VaroObject::make<LoadAxis>(Axis(Vector3(0, 0, 1), NodeRef(), false, true), QStringLiteral("Local z")));
    const QSharedPointer<PointLoad> point(VaroObject::make<PointLoad>(member));
    point->setAxis(localZ);
    point->setLoadCase(dead);
    point->setPositionedForces({{1.0 / 3.0, -12.5}});
    const QSharedPointer<TorqueLoad> torque(VaroObject::make<TorqueLoad>(member));
    torque->setAxis(localZ);
    torque->setLoadCase(live);
    torque->setPositionedForces({{0.75, 1e-300}});
    const QSharedPointer<TrapezoidLoad> trapezoid(VaroObject::make<TrapezoidLoad>(member));
    trapezoid->setLoadCase(dead);
    trapezoid->setPositionedForces({{0.2, -1.0}, {0.9, -3.25}});

    const ReportRef report(VaroObject::make<Report>());
    const Report::ReportBlockRef nested(new Report::ReportBlock);
    nested->insertItem(Report::ReportItemRef(new Report::ReportItem(Report::ChapterMemberInput)), {});
    nested->insertLoadCase(dead, {});
    nested->insertLoadCase(combination, {});
    report->rootBlock()->insertItem(Report::ReportItemRef(new Report::ReportItem(Report::ChapterGroupCover)), {});
    report->rootBlock()->insertItem(Report::ReportItemRef(new Report::ReportItem(QString(), nested)), {});

    return {group, dead, live, gravity, sway, combination, support, n1, n2, n3, towardsN3, sectionType,
            member, localZ, point, torque, trapezoid, report};
}

} // namespace

class TestXml : public QObject
{
    Q_OBJECT

private slots:
    void everyKindRoundTripsExactly();
    void readObjectsKeepTheirValues();
    void sharedReferenceIsWrittenOnceAndReadAsOne();
    void referencesAreWrittenFirst();
    void refusedReads_data();
    void refusedReads();
    void readingIsLenientAboutNamesAndChildren();
    void titlesRoundTrip_data();
    void titlesRoundTrip();
    void everyKindGoesInTheThreadItLivesIn();
};

void TestXml::everyKindRoundTripsExactly()
{
    const QString first = writeObjects(everyKind());
    QList<VaroObjectRef> read;
    QString error;
    QVERIFY2(readObjects(first, &read, &error), qPrintable(error));
    QCOMPARE(read.size(), everyKind().size());
    const QString second = writeObjects(read);
    QCOMPARE(comparable(second), comparable(first));
    QVERIFY(second != first); // new objects, new ids
}

void TestXml::readObjectsKeepTheirValues()
{
    // The text comparison above cannot see whether a reference resolves to
    // the right object, nor whether a number lost bits on both writes.
    QList<VaroObjectRef> read;
    QVERIFY(readObjects(writeObjects(everyKind()), &read));
    const NodeRef node = firstOf<Node>(read);
    QCOMPARE(node->position().z(), 1.0 / 3.0);
    const MemberRef member = firstOf<Member>(read);
    QCOMPARE(member->nodeA(), node);
    QCOMPARE(member->group(), node->group());
    QCOMPARE(member->axis()->axis().node(), read[9].staticCast<Node>());
    const SwayCaseRef sway = firstOf<SwayCase>(read);
    QCOMPARE(firstOf<Combination>(read)->factorForLoadCase(sway), 1.0);
    QCOMPARE(sway->factorForLoadCase(firstOf<GravityCase>(read)), -0.35);
    QCOMPARE(firstOf<TorqueLoad>(read)->axis(), firstOf<PointLoad>(read)->axis());
    QCOMPARE(firstOf<TorqueLoad>(read)->positionedForces().first().second, 1e-300);
    const Report::ReportBlockRef nested = firstOf<Report>(read)->rootBlock()->items()[1]->block;
    QCOMPARE(nested->loadCases(), QList<LoadCaseRef>({firstOf<Loading>(read), firstOf<Combination>(read)}));
    QCOMPARE(nested->loadCaseMarker(), 1);
    QCOMPARE(firstOf<Report>(read)->rootBlock()->loadCaseMarker(), 0);
}

void TestXml::sharedReferenceIsWrittenOnceAndReadAsOne()
{
    const SupportRef support(VaroObject::make<Support>(QStringLiteral("Fixed"), 63));
    const NodeRef a(VaroObject::make<Node>()), b(VaroObject::make<Node>());
    a->setSupport(support);
    b->setSupport(support);
    const QString text = writeObjects({a, b});
    QCOMPARE(text.count(QStringLiteral("<Support ")), 1);

    QList<VaroObjectRef> read;
    QVERIFY(readObjects(text, &read));
    QCOMPARE(read.size(), 3);
    const NodeRef readA = read[1].staticCast<Node>();
    const NodeRef readB = read[2].staticCast<Node>();
    QVERIFY(readA->support());
    QCOMPARE(readA->support(), readB->support());
    QCOMPARE(readA->support()->name(), QStringLiteral("Fixed"));
}

void TestXml::referencesAreWrittenFirst()
{
    // Only the loads are handed over; everything they reach must come out
    // in an order a single pass can read, member axes towards a node too.
    const QList<VaroObjectRef> all = everyKind();
    QList<VaroObjectRef> loads;
    for (const VaroObjectRef& object : all)
        if (qSharedPointerObjectCast<Load>(object))
            loads << object;
    QList<VaroObjectRef> read;
    QString error;
    QVERIFY2(readObjects(writeObjects(loads), &read, &error), qPrintable(error));
    const QSharedPointer<PointLoad> point = firstOf<PointLoad>(read);
    QCOMPARE(point->member()->axis()->axis().node()->position(), Vector3(0, 0, 5));
    QCOMPARE(point->loadCase()->name(), QStringLiteral("Dead"));
}

void TestXml::refusedReads_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("error"); // a part of the reader's message; empty: any
    const auto row = [](const char* name, const char* element, const char* error = "") {
        QTest::newRow(name) << QString(element) << QString(error);
    };

    row("node support", "<Node ref=\"2\"><Support>99</Support></Node>", "unknown");
    row("member end", "<Member ref=\"2\"><NodeA>99</NodeA></Member>", "unknown");
    row("load member", "<PointLoad ref=\"2\"><Member>99</Member></PointLoad>", "unknown");
    row("factor", "<Combination ref=\"2\"><Factor ref=\"99\">1.5</Factor></Combination>", "unknown");
    row("report load case", "<Report ref=\"2\"><Block><LoadCase>99</LoadCase></Block></Report>", "unknown");
    // An id naming an object of another class is no better than none.
    row("wrong class", "<Node ref=\"2\"><Support>1</Support></Node>", "unknown");
    // A damaged value must not turn silently into a default.
    row("number", "<GravityCase ref=\"3\"><Acceleration>9,81</Acceleration></GravityCase>");
    row("vector parts", "<Node ref=\"3\"><Position>1,2</Position></Node>");
    row("vector number", "<Node ref=\"3\"><Position>1,x,2</Position></Node>");
    row("flag", "<Support ref=\"3\"><Dof>all</Dof></Support>");
    row("colour", "<GeometryGroup ref=\"3\"><Colour>reddish</Colour></GeometryGroup>");
    row("pair position", "<PointLoad ref=\"3\"><Pair position=\"half\">10</Pair></PointLoad>");
    row("escape", "<Support ref=\"3\"><Name escaped=\"true\">a\\u12</Name></Support>");
    row("load force not finite", "<PointLoad ref=\"3\"><Pair position=\"0.5\">nan</Pair></PointLoad>");
    row("load position not finite", "<PointLoad ref=\"3\"><Pair position=\"inf\">10</Pair></PointLoad>");
    row("load position missing", "<PointLoad ref=\"3\"><Pair>10</Pair></PointLoad>");
    row("factor not finite", "<Combination ref=\"3\"><Factor ref=\"1\">-inf</Factor></Combination>");
}

// The file is refused: its objects are not taken with a part missing.
void TestXml::refusedReads()
{
    QFETCH(QString, element);
    QFETCH(QString, error);
    const QString text = QStringLiteral("<Objects><LoadCase ref=\"1\"><Name>L</Name></LoadCase>%1</Objects>").arg(element);
    QList<VaroObjectRef> read;
    QString message;
    QVERIFY(!readObjects(text, &read, &message));
    QVERIFY2(message.contains(error), qPrintable(message));
}

void TestXml::readingIsLenientAboutNamesAndChildren()
{
    const QString text = QStringLiteral(
        "<objects><SUPPORT ref=\"1\"><name>Roller</name><DOF>2</DOF></SUPPORT>"
        "<node ref=\"2\"><POSITION>1,2,3</POSITION><support>1</support></node>"
        "<GravityCase ref=\"3\"><Future><Axis><Vector>9,9,9</Vector></Axis></Future></GravityCase>"
        "<GeometryGroup ref=\"4\"><Colour>#80ff0000</Colour></GeometryGroup></objects>");
    QList<VaroObjectRef> read;
    QVERIFY(readObjects(text, &read));
    QCOMPARE(read.size(), 4);
    const NodeRef node = read[1].staticCast<Node>();
    QCOMPARE(node->position(), Vector3(1, 2, 3));
    QCOMPARE(node->support()->dof().mask, 2);
    const GravityCaseRef gravity = read[2].staticCast<GravityCase>();
    QCOMPARE(gravity->acceleration(), 9.81);
    QCOMPARE(gravity->axis(), GravityCase().axis());
    QCOMPARE(gravity->colour(), Colours::loadLinear);
    QCOMPARE(read[3].staticCast<GeometryGroup>()->colour(), QColor(255, 0, 0, 128));
    QVERIFY(read[3].staticCast<GeometryGroup>()->hasAnalysisPurpose());
    // A loading is written as LoadCase; titles have no ref and make no object.
    QCOMPARE(QString::fromLatin1(makeObjectForElement("loadcase")->metaObject()->className()), QString("Loading"));
    QVERIFY(!makeObjectForElement("Titles"));
}

void TestXml::titlesRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("markup") << "Footbridge <east> & west";
    QTest::newRow("line feed") << "Line one\nline two";
    QTest::newRow("carriage return") << "Line one\r\nline two\r";
    QTest::newRow("control characters") << QString("bell \a, tab \t, escape \x1b, nul ") + QChar(0);
    QTest::newRow("backslashes beside a control character") << "C:\\u0041\\ \x01";
    QTest::newRow("backslashes alone") << "C:\\u0041\\";
    QTest::newRow("non-characters and a lone surrogate") << QString("x") + QChar(0xFFFF) + QChar(0xFFFE) + QChar(0xD800);
}

// Every character a user can type comes back, as titles and as a name.
void TestXml::titlesRoundTrip()
{
    QFETCH(QString, text);
    const LoadingRef loading(VaroObject::make<Loading>(text));
    QList<VaroObjectRef> objects;
    QVERIFY(readObjects(writeObjects({loading}), &objects));
    QCOMPARE(objects.value(0).objectCast<Loading>()->name(), text);

    Titles titles;
    titles.setTitle(0, 1, text);
    titles.setNote(text);
    QString written;
    QXmlStreamWriter writer(&written);
    titles.writeXML(writer);

    Titles read;
    read.setTitle(5, 0, QStringLiteral("replaced by what is read"));
    QXmlStreamReader reader(written);
    reader.readNextStartElement();
    read.readXML(reader);
    QVERIFY(!reader.hasError());
    QVERIFY(read == titles);
}

// Whichever thread lets go of a model object last, the object goes in the
// thread it lives in, where others may be using it: every kind the reader
// makes, and a copy of each load.
void TestXml::everyKindGoesInTheThreadItLivesIn()
{
    QList<VaroObjectRef> objects;
    QVERIFY(readObjects(writeObjects(everyKind()), &objects));
    for (const VaroObjectRef& object : everyKind())
        if (const auto* load = qobject_cast<const Load*>(object.data()))
            objects << load->clone();
    QObject recorder;
    std::atomic<int> inItsThread{0}, elsewhere{0};
    for (const VaroObjectRef& object : qAsConst(objects))
        connect(
            object.data(), &QObject::destroyed, &recorder,
            [&] { ++(QThread::currentThread() == recorder.thread() ? inItsThread : elsewhere); },
            Qt::DirectConnection);
    const int count = objects.size();
    std::thread([&objects] { objects.clear(); }).join();
    QCOMPARE(inItsThread + elsewhere, 0);
    QTRY_COMPARE(inItsThread.load(), count);
    QCOMPARE(elsewhere.load(), 0);
}

VARO_GUILESS_TEST_MAIN(TestXml)
#include "tst_xml.moc"
