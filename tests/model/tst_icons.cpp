#include "CrossSection.h"
#include "TestMain.h"

#include <QPainter>
#include <QtTest>

namespace
{

// Every image of the list with its pixel size, its @2x copy included.
QMap<QString, QSize> imageList()
{
    QMap<QString, QSize> images;
    QFile file(QStringLiteral(VARO_SOURCE_DIR "/resources/icons/icons.txt"));
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    const QRegularExpression entry(QStringLiteral("^([^#].*)\\.png\\s+(\\d+)x(\\d+)(\\s+@2x)?\\s*$"));
    while (!file.atEnd()) {
        const QRegularExpressionMatch match = entry.match(QString::fromUtf8(file.readLine()).trimmed());
        const QSize size(match.captured(2).toInt(), match.captured(3).toInt());
        if (match.hasMatch())
            images.insert(match.captured(1) + QStringLiteral(".png"), size);
        if (match.capturedLength(4) > 0)
            images.insert(match.captured(1) + QStringLiteral("@2x.png"), size * 2);
    }
    return images;
}

// Every ":/<name>.png" the program's sources name; a %1 pattern stands for
// every listed image it matches.
QStringList namedInCode(const QStringList& listed)
{
    QStringList names;
    const QRegularExpression literal(QStringLiteral("\":/([^\"]*\\.png)\""));
    for (const QString& folder : QStringLiteral(VARO_SUBSYSTEMS).split(QLatin1Char(','))) {
        QDirIterator files(QStringLiteral(VARO_SOURCE_DIR "/") + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            file.open(QIODevice::ReadOnly);
            for (auto i = literal.globalMatch(QString::fromUtf8(file.readAll())); i.hasNext();) {
                const QString name = i.next().captured(1);
                const QString pattern = QRegularExpression::escape(name).replace(QRegularExpression(QStringLiteral("\\\\%\\d")),
                                                                                 QStringLiteral(".+"));
                const QStringList expanded = listed.filter(QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
                names << (expanded.isEmpty() ? QStringList{name} : expanded);
            }
        }
    }
    return names;
}

// The images at one scale on a light and a dark ground, named underneath;
// key caps are shrunk by three as the calculator shows them.
QImage contactSheet(const QStringList& names, int scale)
{
    const int tile = 48 * scale, label = 14 * scale, columns = 12;
    QImage sheet(columns * 2 * tile, (names.size() + columns - 1) / columns * (tile + label), QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(8 * scale);
    painter.setFont(font);
    for (int i = 0; i < names.size(); ++i) {
        const QString scaled = QString(names[i]).replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
        QImage image(QStringLiteral(":/") + (scale == 2 && QFile::exists(QStringLiteral(":/") + scaled) ? scaled : names[i]));
        image.setDevicePixelRatio(1); // a @2x file loads as half its pixel size
        if (names[i].startsWith(QLatin1String("calculator")))
            image = image.scaled(image.size() * scale / 3, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (image.width() > tile || image.height() > tile)
            image = image.scaled(tile, tile, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QPoint corner((i % columns) * 2 * tile, (i / columns) * (tile + label));
        for (int side = 0; side < 2; ++side) {
            const QRect ground(corner + QPoint(side * tile, 0), QSize(tile, tile));
            painter.fillRect(ground, side == 0 ? QColor(0xee, 0xee, 0xee) : QColor(0x66, 0x66, 0x66));
            painter.drawImage(ground.center() - QPoint(image.width() / 2, image.height() / 2), image);
        }
        painter.drawText(QRect(corner + QPoint(0, tile), QSize(2 * tile, label)), Qt::AlignCenter, names[i]);
    }
    return sheet;
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private:
    const QMap<QString, QSize> listed = imageList();

private slots:
    void everyImageLoadsAtItsSize_data()
    {
        QTest::addColumn<QString>("name");
        QStringList names = namedInCode(listed.keys()) + listed.keys();
        names.removeDuplicates();
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name;
    }

    void everyImageLoadsAtItsSize()
    {
        QFETCH(QString, name);
        QVERIFY2(listed.contains(name), "named in the code but not in resources/icons/icons.txt");
        const QImage image(QStringLiteral(":/") + name);
        QVERIFY2(!image.isNull(), "does not load");
        QCOMPARE(image.size(), listed.value(name));
    }

    // The calculator draws a cap into a canvas three times its key's icon
    // size and shrinks it by three: 42 x 22 in the five-column rows,
    // 33 x 16 in the six-column rows and 37 x 10 for the second functions.
    void keyCapsFitTheirKeys()
    {
        const QList<QPair<QString, QSize>> groups = {
            {QStringLiteral("0 1 2 3 4 5 6 7 8 9 Add Sub Mul Div Decimal Neg Recip AC C Del Equals Done"), {126, 66}},
            {QStringLiteral("Sqrt Square Sin Cos Tan Shift Cancel"), {99, 48}},
            {QStringLiteral("Sin_shift Cos_shift Tan_shift"), {111, 30}}};
        int caps = 0;
        for (const auto& group : groups)
            for (const QString& key : group.first.split(QLatin1Char(' '))) {
                QCOMPARE(listed.value(QStringLiteral("calculator%1.png").arg(key)), group.second);
                ++caps;
            }
        QCOMPARE(caps, 32);
    }

    // Each kind solid, and the two kinds the model also has hollow.
    void everyShapeHasItsPicture()
    {
        QVector<CrossSection::Shape> shapes{CrossSection::Oval | CrossSection::Hollow,
                                            CrossSection::Rectangle | CrossSection::Hollow};
        for (int kind = CrossSection::Angle; kind <= CrossSection::TriPlate; ++kind)
            shapes << kind;
        for (CrossSection::Shape shape : shapes) {
            CrossSection section;
            section.setShape(shape);
            QCOMPARE(section.shapePixmap().size(), QSize(32, 24));
        }
    }

    // For a person to look at.
    void cleanupTestCase()
    {
        const QStringList names = listed.keys().filter(QRegularExpression(QStringLiteral("^(?!.*@2x)")));
        for (int scale : {1, 2})
            keepForReview(contactSheet(names, scale), QStringLiteral("icons/contact-sheet-%1x.png").arg(scale));
    }
};

VARO_TEST_MAIN(TestIcons)
#include "tst_icons.moc"
