// Build-time tool: turns the section tables of resources/sections into the
// compressed data-stream tree that the section library reads from its
// resource. Usage:
//
//   varo_section_generator OUTPUT TABLE MATERIAL [TABLE MATERIAL]...
//
// MATERIAL is the first name of the standard material that every size of the
// TABLE carries. Any fault in a table stops the build with its file and line.

#include "CrossSection.h"
#include "SectionDataFormat.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <cmath>
#include <cstdio>

namespace {

struct TableNode
{
    CrossSection section;
    QString materialName;
    QVector<TableNode> children;
};

struct TableError
{
    QString text;
};

[[noreturn]] void fail(const QString& where, const QString& text)
{
    throw TableError{where + ": " + text};
}

qint32 shapeFromColumn(const QString& text, const QString& where)
{
    const CrossSection::Shape shape = CrossSection::shapeFromName(text.simplified());
    if (shape == CrossSection::Custom)
        fail(where, QString("unknown shape \"%1\"").arg(text));
    return shape;
}

double millimetres(const QString& text, const QString& column, const QString& where)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0.0)
        fail(where, QString("%1 \"%2\" is not a positive number").arg(column, text));
    return value / 1000.0;
}

TableNode* childNamed(TableNode* parent, const QStringList& names)
{
    for (TableNode& child : parent->children)
        if (child.section.names() == names)
            return &child;
    parent->children.append(TableNode());
    parent->children.last().section.setNames(names);
    return &parent->children.last();
}

void readTable(const QString& path, const QString& material, TableNode* root)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(path, "cannot be read");
    QTextStream in(&file);
    in.setCodec("UTF-8");

    const QStringList header = in.readLine().trimmed().split(',');
    const QStringList needed{"country", "category", "size", "shape", "depth_mm", "width_mm", "web_mm", "flange_mm"};
    QMap<QString, int> column;
    for (const QString& name : needed) {
        column[name] = header.indexOf(name);
        if (column[name] < 0)
            fail(path + ":1", QString("no column \"%1\"").arg(name));
    }

    for (int line = 2; !in.atEnd(); ++line) {
        const QString text = in.readLine().trimmed();
        if (text.isEmpty())
            continue;
        const QString where = QString("%1:%2").arg(path).arg(line);
        const QStringList fields = text.split(',');
        if (fields.size() != header.size())
            fail(where, QString("%1 fields, the header has %2").arg(fields.size()).arg(header.size()));
        auto field = [&](const QString& name) { return fields[column[name]].trimmed(); };

        const QString country = field("country"), category = field("category"), size = field("size");
        if (country.isEmpty() || category.isEmpty() || size.isEmpty())
            fail(where, "a name is empty");
        const qint32 shape = shapeFromColumn(field("shape"), where);

        TableNode* countryNode = childNamed(root, {country});
        TableNode* categoryNode = childNamed(countryNode, {country, category});
        if (categoryNode->children.isEmpty())
            categoryNode->section.setShape(shape);
        else if (categoryNode->section.shape() != shape)
            fail(where, QString("shape differs from the rest of category %1").arg(category));
        for (const TableNode& sibling : categoryNode->children)
            if (sibling.section.names().last() == size)
                fail(where, QString("size %1 appears twice in %2").arg(size, category));

        TableNode sizeNode;
        sizeNode.section.setNames({country, category, size});
        sizeNode.section.setShape(shape);
        sizeNode.materialName = material;
        SectionData::setStandardDimensions(&sizeNode.section,
                                           millimetres(field("depth_mm"), "depth_mm", where),
                                           millimetres(field("width_mm"), "width_mm", where),
                                           millimetres(field("web_mm"), "web_mm", where),
                                           millimetres(field("flange_mm"), "flange_mm", where));
        categoryNode->children.append(sizeNode);
    }
}

void writeNode(QDataStream& out, const TableNode& node)
{
    SectionData::writeRecord(out, node.section, node.materialName);
    out << qint32(node.children.size());
    for (const TableNode& child : node.children)
        writeNode(out, child);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.size() < 3 || arguments.size() % 2 == 0) {
        std::fprintf(stderr, "usage: varo_section_generator OUTPUT TABLE MATERIAL [TABLE MATERIAL]...\n");
        return 2;
    }

    try {
        TableNode root;
        for (int i = 1; i < arguments.size(); i += 2)
            readTable(arguments[i], arguments[i + 1], &root);

        QByteArray raw;
        QDataStream out(&raw, QIODevice::WriteOnly);
        out.setVersion(SectionData::streamVersion);
        out.setByteOrder(QDataStream::BigEndian);
        out << SectionData::magic << SectionData::formatVersion;
        writeNode(out, root);

        QSaveFile file(arguments[0]);
        if (!file.open(QIODevice::WriteOnly) || file.write(qCompress(raw, 9)) < 0 || !file.commit())
            fail(arguments[0], "cannot be written");
    } catch (const TableError& error) {
        std::fprintf(stderr, "varo_section_generator: %s\n", qPrintable(error.text));
        return 1;
    }
    return 0;
}
