#include "GLHelpers.h"
#include "Graphics.h"
#include "PaintHelpers.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>
#include <limits>

// The glyph laws, meshes and switch cache are plain data and arithmetic:
// none of these cases needs a GL context.
class TestGlyphs : public QObject
{
    Q_OBJECT

private slots:
    void laws_data();
    void laws();
    void meshes();
    void shadowState();
    void pickingColours_data();
    void pickingColours();
};

typedef double (*Law)(double, double);
Q_DECLARE_METATYPE(Law)

void TestGlyphs::laws_data()
{
    QTest::addColumn<Law>("law");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("expected");
    // √4096 / 64 = 1, so 4096 N at scale 1 is an arrow of 1.1 and an arc of radius 1.5.
    QTest::newRow("no force, minimum length") << Law(Graphics::givenForceGiveLength) << 0.0 << 1.0 << 0.1;
    QTest::newRow("-0 points the other way") << Law(Graphics::givenForceGiveLength) << -0.0 << 1.0 << -0.1;
    QTest::newRow("force") << Law(Graphics::givenForceGiveLength) << 4096.0 << 1.0 << 1.1;
    QTest::newRow("scaled force") << Law(Graphics::givenForceGiveLength) << -1024.0 << 4.0 << -1.1;
    QTest::newRow("length back") << Law(Graphics::givenLengthGiveForce) << 1.1 << 1.0 << 4096.0;
    QTest::newRow("scaled length back") << Law(Graphics::givenLengthGiveForce) << -1.1 << 2.0 << -2048.0;
    QTest::newRow("length within minimum") << Law(Graphics::givenLengthGiveForce) << 0.05 << 1.0 << 0.0;
    QTest::newRow("radius") << Law(Graphics::givenTorqueGiveRadius) << 4096.0 << 1.0 << 1.5;
    QTest::newRow("radius back") << Law(Graphics::givenRadiusGiveTorque) << -1.5 << 1.0 << -4096.0;
    QTest::newRow("radius within minimum") << Law(Graphics::givenRadiusGiveTorque) << 0.3 << 1.0 << 0.0;
    QTest::newRow("angle") << Law(Graphics::givenTorqueGiveAngle) << 4096.0 << 1.0 << 4.0 / (7.0 * M_PI);
    QTest::newRow("angle capped") << Law(Graphics::givenTorqueGiveAngle) << -1e9 << 1.0 << -1.0;
    QTest::newRow("NaN angle") << Law(Graphics::givenTorqueGiveAngle) << std::numeric_limits<double>::quiet_NaN()
                               << 1.0 << 1.0;
}

void TestGlyphs::laws()
{
    QFETCH(Law, law);
    QFETCH(double, value);
    QFETCH(double, scale);
    QFETCH(double, expected);
    const double result = law(value, scale);
    QVERIFY2(std::fabs(result - expected) <= 1e-9 * std::max(1.0, std::fabs(expected)), qPrintable(QString::number(result)));
    QCOMPARE(std::signbit(result), std::signbit(expected));
}

void TestGlyphs::meshes()
{
    iGL::ConeObject cone;
    cone.create(18);
    QCOMPARE(cone.mesh.vertices.size(), 37);
    QCOMPARE(cone.mesh.normals.size(), 37);
    QCOMPARE(cone.sideTriangles.indices.size(), 54);
    QCOMPARE(cone.baseFan.indices.size(), 20);
    // Every side triangle has its own apex and closes on the first rim vertex.
    QCOMPARE(cone.sideTriangles.indices.mid(51), QVector<GLuint>() << 34 << 1 << 35);

    iGL::SphereObject sphere;
    sphere.create(12);
    QCOMPARE(sphere.mesh.vertices.size(), 62);
    QCOMPARE(sphere.topFan.indices.size(), 14);
    QCOMPARE(sphere.bottomFan.indices.size(), 14);
    QCOMPARE(sphere.bands.indices.size(), 4 * 26);
    for (const QVector3D& v : qAsConst(sphere.mesh.vertices))
        QVERIFY(std::fabs(v.length() - 1.0f) < 1e-6f);
    // The bottom fan starts at the south pole and closes on the last ring's last vertex.
    QCOMPARE(sphere.mesh.vertices[61], QVector3D(0, -1, 0));
    QCOMPARE(sphere.bottomFan.indices.first(), GLuint(61));
    QCOMPARE(sphere.bottomFan.indices.last(), GLuint(60));
}

void TestGlyphs::shadowState()
{
    iGL::ShadowState s;
    QCOMPARE(s.enableLighting(true), false);
    QCOMPARE(s.enableLighting(true), true);
    s.save();
    QCOMPARE(s.savedStates.last(), quint32(0x100));
    s.enableDepthTest(true);
    s.enableLighting(false);
    s.enableVertexArray(true);
    s.restore();
    QVERIFY(!s.depthTest && s.lighting && !s.normalArray && !s.vertexArray);
    QVERIFY(s.savedStates.isEmpty());
    s.restore();
    QVERIFY(s.lighting);
}

void TestGlyphs::pickingColours_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<uint>("rgb");
    QTest::newRow("black") << 0 << 0x000000u;
    QTest::newRow("bit 0 to blue") << 1 << 0x000001u;
    QTest::newRow("bit 1 to green") << 2 << 0x000100u;
    QTest::newRow("bit 2 to red") << 4 << 0x010000u;
    QTest::newRow("bit 3 to blue bit 1") << 8 << 0x000002u;
    QTest::newRow("white") << 0xFFFFFF << 0xFFFFFFu;
}

void TestGlyphs::pickingColours()
{
    QFETCH(int, index);
    QFETCH(uint, rgb);
    QCOMPARE(iQColour::rgbForIndex(index), rgb);
    QCOMPARE(iQColour::indexForRgb(rgb | 0xFF000000u), index);
}

VARO_TEST_MAIN(TestGlyphs)
#include "tst_glyphs.moc"
