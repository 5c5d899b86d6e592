#include "ViewPoint.h"
#include "TestMain.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QtTest>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

const double pi = M_PI;
const double step = 1.0 / 65536.0;
const double angleStep = pi / 65536.0;
const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

struct Changes
{
    QSignalSpy will;
    QSignalSpy has;
    explicit Changes(ViewPoint* viewPoint)
        : will(viewPoint, &ViewPoint::ViewPointWillChange), has(viewPoint, &ViewPoint::ViewPointHasChanged)
    {
    }
    bool are(int n) const { return will.count() == n && has.count() == n; }
};

void compareVectors(const Vector3& actual, const Vector3& expected, double tolerance)
{
    for (int i = 0; i < 3; ++i)
        QVERIFY2(std::fabs(actual[i] - expected[i]) <= tolerance,
                 qPrintable(QStringLiteral("component %1: %2 instead of %3").arg(i).arg(actual[i]).arg(expected[i])));
}

QString written(const ViewPoint& viewPoint)
{
    QString xml;
    QXmlStreamWriter writer(&xml);
    viewPoint.writeXML(writer);
    return xml;
}

// Reads the first "ViewPoint" of the text and returns the name of the element
// after it, to show where the reader stopped.
QString readInto(ViewPoint* viewPoint, const QString& xml)
{
    QXmlStreamReader reader(QStringLiteral("<Content>") + xml + QStringLiteral("<After/></Content>"));
    reader.readNextStartElement();
    reader.readNextStartElement();
    viewPoint->readXML(reader);
    if (reader.hasError())
        return QStringLiteral("error");
    reader.readNextStartElement();
    return reader.name().toString();
}

void invokeFlightStep(ViewPoint* viewPoint, qreal s)
{
    QVERIFY(QMetaObject::invokeMethod(viewPoint, "updatePosition", Qt::DirectConnection, Q_ARG(qreal, s)));
}

} // namespace

class TestViewPoint : public QObject
{
    Q_OBJECT

private slots:
    void settersQuantise_data();
    void settersQuantise();
    void moveAlongRay_data();
    void moveAlongRay();
    void flightsInterpolateThenWrap();
    void transformsFollowTheAngles();
    void xmlRoundTripAndDamagedValues();
};

void TestViewPoint::settersQuantise_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("given");
    QTest::addColumn<double>("stored");

    QTest::newRow("azimuth π is −π") << "azimuth" << pi << -pi;
    QTest::newRow("azimuth 7π") << "azimuth" << 7 * pi << -pi;
    QTest::newRow("azimuth half a step below π") << "azimuth" << pi - angleStep * 0.6 << pi - angleStep;
    // 0.1 / π × 65536 = 2086.08
    QTest::newRow("azimuth 0.1") << "azimuth" << 0.1 << 2086 * angleStep;
    QTest::newRow("azimuth NaN ignored") << "azimuth" << notANumber << 0.0;
    QTest::newRow("distance below 1") << "distance" << 0.2 << 1.0;
    QTest::newRow("distance 2.0000001") << "distance" << 2.0000001 << 2.0;
    QTest::newRow("distance +∞ ignored") << "distance" << inf << 50.0;
    // 0.1 × 65536 = 6553.6
    QTest::newRow("focal x 0.1") << "x" << 0.1 << 6554 * step;
    QTest::newRow("focal x halves away from zero") << "x" << -1.5 * step << -2 * step;
    // A camera stays where a view can draw from: within 2^40 m, at most 2^44 m away.
    QTest::newRow("focal x largest finite") << "x" << -DBL_MAX << -std::ldexp(1.0, 40);
    QTest::newRow("distance largest finite") << "distance" << DBL_MAX << std::ldexp(1.0, 44);
    QTest::newRow("focal x 1e12 kept") << "x" << 1e12 << 1e12;
}

void TestViewPoint::settersQuantise()
{
    QFETCH(QString, value);
    QFETCH(double, given);
    QFETCH(double, stored);

    ViewPoint viewPoint;
    if (value == QLatin1String("azimuth")) {
        viewPoint.setAzimuth(given);
        QCOMPARE(viewPoint.azimuth(), stored);
    } else if (value == QLatin1String("distance")) {
        viewPoint.setDistance(given);
        QCOMPARE(viewPoint.distance(), stored);
    } else {
        viewPoint.setFocalPoint(Vector3(given, 0.25, -3));
        compareVectors(viewPoint.focalPoint(), Vector3(stored, 0.25, -3), 0.0);
    }
}

void TestViewPoint::moveAlongRay_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<Vector3>("direction");
    QTest::addColumn<Vector3>("focalPoint");
    QTest::addColumn<double>("distance");

    // From the focal point (1, 2, 3) at distance 50; the target of a unit
    // direction (0.6, 0.8, 0) is (31, 42, 3).
    QTest::newRow("halfway") << 0.5 << Vector3(0.6, 0.8, 0) << Vector3(16, 22, 3) << 25.0;
    QTest::newRow("all the way") << 1.0 << Vector3(0.6, 0.8, 0) << Vector3(31, 42, 3) << 1.0;
    QTest::newRow("backwards") << -1.0 << Vector3(0, 0, 1) << Vector3(1, 2, -47) << 100.0;
    QTest::newRow("zero direction") << 0.5 << Vector3(0, 0, 0) << Vector3(1, 2, 3) << 50.0;
    QTest::newRow("t NaN") << notANumber << Vector3(0, 0, 1) << Vector3(1, 2, 3) << 50.0;
}

void TestViewPoint::moveAlongRay()
{
    QFETCH(double, t);
    QFETCH(Vector3, direction);
    QFETCH(Vector3, focalPoint);

    ViewPoint viewPoint;
    viewPoint.setFocalPoint(Vector3(1, 2, 3));
    viewPoint.flyTo(viewPoint);
    viewPoint.moveAlongRay(Ray3(viewPoint.focalPoint(), direction), t);
    QCOMPARE(viewPoint.timeLine()->state(), QTimeLine::NotRunning);
    compareVectors(viewPoint.focalPoint(), focalPoint, step);
    QTEST(viewPoint.distance(), "distance");
}

void TestViewPoint::flightsInterpolateThenWrap()
{
    ViewPoint viewPoint;
    viewPoint.setAzimuth(3.0);
    viewPoint.flyTo(-3.0, 0.0, 10.0, Vector3(2, 0, 0));
    viewPoint.timeLine()->stop();
    const double start = viewPoint.azimuth();

    Changes changes(&viewPoint);
    invokeFlightStep(&viewPoint, 0.5);
    QCOMPARE(viewPoint.azimuth(), ViewPoint::quantiseAngle(0.5 * (start - 3.0)));
    QVERIFY(std::fabs(viewPoint.azimuth()) <= angleStep);
    QCOMPARE(viewPoint.distance(), 30.0);
    compareVectors(viewPoint.focalPoint(), Vector3(1, 0, 0), 0.0);
    invokeFlightStep(&viewPoint, 0.25);
    QCOMPARE(viewPoint.azimuth(), ViewPoint::quantiseAngle(0.75 * start - 0.75));
    invokeFlightStep(&viewPoint, 0.25);
    QVERIFY(changes.are(3)); // every step signals, also when nothing moved

    // A real flight ends on the quantised target.
    ViewPoint target;
    target.setAzimuth(-2.0);
    target.setElevation(0.7);
    target.setDistance(12.3);
    target.setFocalPoint(Vector3(-1, 5, 0.1));
    viewPoint.flyTo(target);
    // A setter whose value quantises to the stored one lets it fly on.
    viewPoint.setDistance(viewPoint.distance() + step / 4);
    QCOMPARE(viewPoint.timeLine()->state(), QTimeLine::Running);
    QTRY_COMPARE(viewPoint.timeLine()->state(), QTimeLine::NotRunning);
    QCOMPARE(written(viewPoint), written(target));
}

void TestViewPoint::transformsFollowTheAngles()
{
    // With the focal point at (1, 1, 1), eye = R (p − f); for A = π/6 and
    // E = π/4 the rows of R are (√3/2, 0, 1/2), (−√2/4, √2/2, √6/4) and
    // (−√2/4, −√2/2, √6/4).
    const double azimuth = pi / 6, elevation = pi / 4;
    const Vector3 world(1, 1, 2), eye(0.5, std::sqrt(6.0) / 4, std::sqrt(6.0) / 4);

    ViewPoint viewPoint;
    viewPoint.setFocalPoint(Vector3(1, 1, 1));
    viewPoint.setAzimuth(azimuth);
    viewPoint.setElevation(elevation);
    // The angles are quantised: π/6 and π/4 lie off the grid by up to half a step.
    const double tolerance = 4 * angleStep;
    compareVectors(viewPoint.transformWorldToEye(world), eye, tolerance);
    compareVectors(viewPoint.transformEyeToWorld(viewPoint.transformWorldToEye(world)), world, 1e-12);

    QCOMPARE(viewPoint.worldToEye()[2][3], -1.0);
}

void TestViewPoint::xmlRoundTripAndDamagedValues()
{
    ViewPoint viewPoint;
    viewPoint.setFocalPoint(Vector3(1.5, -2.25, 1000 + step));
    viewPoint.setAzimuth(1.0);
    viewPoint.setElevation(-0.5);
    viewPoint.setDistance(123.456);
    const QString xml = written(viewPoint);
    QVERIFY(xml.contains(QStringLiteral("<focalPoint>1.5,-2.25,1000.00001525879</focalPoint>")));

    ViewPoint read;
    QCOMPARE(readInto(&read, xml), QStringLiteral("After"));
    QCOMPARE(read.azimuth(), viewPoint.azimuth());
    QCOMPARE(written(read), xml);

    // Names in any case, values through the setters, damaged parts refused.
    Changes changes(&read);
    QCOMPARE(readInto(&read, QStringLiteral("<viewpoint><DISTANCE>0.5</DISTANCE>"
                                            "<Extra><azimuth>2</azimuth></Extra>"
                                            "</viewpoint>")),
             QStringLiteral("After"));
    QCOMPARE(read.distance(), 1.0);
    QCOMPARE(read.focalPoint()[2], viewPoint.focalPoint()[2]);
    QCOMPARE(read.azimuth(), viewPoint.azimuth());
    QVERIFY(changes.are(1));
    // A value that is not finite, or no number at all, is damage, which ends the reading.
    QCOMPARE(readInto(&read, QStringLiteral("<viewpoint><AZIMUTH>nan</AZIMUTH></viewpoint>")), QStringLiteral("error"));
    QCOMPARE(readInto(&read, QStringLiteral("<ViewPoint><focalPoint>1,abc,3</focalPoint></ViewPoint>")),
             QStringLiteral("error"));
    QCOMPARE(readInto(&read, QStringLiteral("<ViewPoint><focalPoint>1,2</focalPoint></ViewPoint>")),
             QStringLiteral("error"));

    // A copy takes the camera; assignment signals even when nothing changes.
    ViewPoint copy(read);
    QCOMPARE(written(copy), written(read));
    Changes copyChanges(&copy);
    copy = read;
    copy = read;
    QVERIFY(copyChanges.are(2));
}

VARO_TEST_MAIN(TestViewPoint)
#include "tst_viewpoint.moc"
