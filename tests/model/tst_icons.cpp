#include "CrossSection.h"

#include <QPainter>
#include <QtTest>

namespace
{

// The list of every image with its pixel size, and whether a @2x copy exists.
struct Listed
{
    QSize size;
    bool doubled = false;
};

QMap<QString, Listed> imageList()
{
    QMap<QString, Listed> images;
    QFile file(QStringLiteral(VARO_SOURCE_DIR "/resources/icons/icons.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return images;
    const QRegularExpression entry(QStringLiteral("^(.+\\.png)\\s+(\\d+)x(\\d+)(\\s+@2x)?\\s*$"));
    while (!file.atEnd()) {
        const QRegularExpressionMatch match = entry.match(QString::fromUtf8(file.readLine()).trimmed());
        if (match.hasMatch() && !match.captured(1).startsWith(QLatin1Char('#')))
            images.insert(match.captured(1),
                          {QSize(match.captured(2).toInt(), match.captured(3).toInt()), match.capturedLength(4) > 0});
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
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (auto i = literal.globalMatch(text); i.hasNext();) {
                const QString name = i.next().captured(1);
                QString pattern = QRegularExpression::escape(name);
                pattern.replace(QRegularExpression(QStringLiteral("%\\d")), QStringLiteral(".+"));
                const QStringList expanded =
                    listed.filter(QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
                names << (expanded.isEmpty() ? QStringList{name} : expanded);
            }
        }
    }
    names.removeDuplicates();
    return names;
}

// Every shape a section of the model can have: each kind solid, and the two
// that come hollow as well.
QVector<CrossSection::Shape> modelShapes()
{
    QVector<CrossSection::Shape> shapes;
    for (int kind = CrossSection::Angle; kind <= CrossSection::TriPlate; ++kind)
        shapes << kind;
    shapes << (CrossSection::Oval | CrossSection::Hollow) << (CrossSection::Rectangle | CrossSection::Hollow);
    return shapes;
}

// All images side by side on a light and a dark ground, named underneath.
QImage contactSheet(const QStringList& names, int scale)
{
    const int cell = 96 * scale, label = 14 * scale, columns = 12;
    const int rows = (names.size() + columns - 1) / columns;
    QImage sheet(columns * cell, rows * (cell / 2 + label), QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(8 * scale);
    painter.setFont(font);
    for (int i = 0; i < names.size(); ++i) {
        QString name = names[i];
        if (scale == 2)
            name.replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
        QImage image(QStringLiteral(":/") + name);
        if (image.isNull())
            image = QImage(QStringLiteral(":/") + names[i]);
        // Key caps are stored at three times the size they are shown; the
        // print picture is larger than a tile.
        if (names[i].startsWith(QLatin1String("calculator")))
            image = image.scaled(image.size() * scale / 3, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (image.width() > cell / 2 || image.height() > cell / 2)
            image = image.scaled(cell / 2, cell / 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const int x = (i % columns) * cell, y = (i / columns) * (cell / 2 + label);
        for (int side = 0; side < 2; ++side) {
            const QRect tile(x + side * cell / 2, y, cell / 2, cell / 2);
            painter.fillRect(tile, side == 0 ? QColor(0xee, 0xee, 0xee) : QColor(0x66, 0x66, 0x66));
            painter.drawImage(tile.center() - QPoint(image.width() / 2, image.height() / 2), image);
        }
        painter.drawText(QRect(x, y + cell / 2, cell, label), Qt::AlignCenter, names[i]);
    }
    return sheet;
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private:
    QMap<QString, Listed> listed = imageList();

private slots:
    void everyImageLoadsAtItsSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QStringList names = namedInCode(listed.keys()) + listed.keys();
        names.removeDuplicates();
        for (const QString& name : names) {
            const Listed image = listed.value(name);
            QTest::newRow(qPrintable(name)) << name << image.size;
            if (image.doubled) {
                const QString doubled = QString(name).replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
                QTest::newRow(qPrintable(doubled)) << doubled << image.size * 2;
            }
        }
    }

    void everyImageLoadsAtItsSize()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QVERIFY2(size.isValid(), "named in the code but not in resources/icons/icons.txt");
        const QImage image(QStringLiteral(":/") + name);
        QVERIFY2(!image.isNull(), "does not load");
        QCOMPARE(image.size(), size);
    }

    // The calculator draws a cap into a canvas three times its key's icon
    // size and shrinks it by three: 42 x 22 in the five-column rows,
    // 33 x 16 in the six-column rows and 37 x 10 for the second functions.
    void keyCapsFitTheirKeys()
    {
        const QStringList sixColumn = {QStringLiteral("Sqrt"), QStringLiteral("Square"), QStringLiteral("Sin"),
                                       QStringLiteral("Cos"), QStringLiteral("Tan"), QStringLiteral("Shift"),
                                       QStringLiteral("Cancel")};
        const QStringList second = {QStringLiteral("Sin_shift"), QStringLiteral("Cos_shift"),
                                    QStringLiteral("Tan_shift")};
        QStringList fiveColumn = {QStringLiteral("Add"), QStringLiteral("Sub"), QStringLiteral("Mul"),
                                  QStringLiteral("Div"), QStringLiteral("Decimal"), QStringLiteral("Neg"),
                                  QStringLiteral("Recip"), QStringLiteral("AC"), QStringLiteral("C"),
                                  QStringLiteral("Del"), QStringLiteral("Equals"), QStringLiteral("Done")};
        for (int digit = 0; digit <= 9; ++digit)
            fiveColumn << QString::number(digit);
        const QList<QPair<QStringList, QSize>> groups = {
            {fiveColumn, QSize(126, 66)}, {sixColumn, QSize(99, 48)}, {second, QSize(111, 30)}};
        int caps = 0;
        for (const auto& group : groups)
            for (const QString& key : group.first) {
                const QString name = QStringLiteral("calculator%1.png").arg(key);
                QVERIFY2(listed.contains(name), qPrintable(name));
                QCOMPARE(listed.value(name).size, group.second);
                ++caps;
            }
        QCOMPARE(caps, 32);
    }

    void everyShapeHasItsPicture()
    {
        for (CrossSection::Shape shape : modelShapes()) {
            CrossSection section;
            section.setShape(shape);
            const QPixmap pixmap = section.shapePixmap();
            QVERIFY2(!pixmap.isNull(), qPrintable(CrossSection::nameOfShape(shape)));
            QCOMPARE(pixmap.size(), QSize(32, 24));
        }
    }

    // Written for a person to look at; the paths are printed.
    void cleanupTestCase()
    {
        const QString folder = QDir::temp().filePath(QStringLiteral("varo-icons"));
        QDir().mkpath(folder);
        for (int scale : {1, 2}) {
            const QString path = QStringLiteral("%1/contact-sheet-%2x.png").arg(folder).arg(scale);
            QVERIFY(contactSheet(listed.keys(), scale).save(path));
            qInfo("Contact sheet: %s", qPrintable(path));
        }
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
