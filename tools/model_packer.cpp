// Packs the readable XML sources of the template and example models into
// native model files at build time, with the program's own writer, so that
// no binary model is kept in the repository.
// Usage: varo_model_packer <source.xml> <target>
#include "NativeContainer.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: varo_model_packer <source.xml> <target>\n");
        return 2;
    }
    QFile source(arguments.at(1));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot be read\n", qPrintable(arguments.at(1)));
        return 1;
    }
    const QByteArray text = source.readAll();
    // A typing error in a source stops the build instead of shipping a model that cannot open.
    QXmlStreamReader reader(text);
    while (!reader.atEnd() && !reader.hasError())
        reader.readNext();
    if (reader.hasError()) {
        std::fprintf(stderr, "%s:%lld: %s\n", qPrintable(arguments.at(1)), reader.lineNumber(),
                     qPrintable(reader.errorString()));
        return 1;
    }
    if (!NativeContainer::writeFile(arguments.at(2), text)) {
        std::fprintf(stderr, "%s: cannot be written\n", qPrintable(arguments.at(2)));
        return 1;
    }
    return 0;
}
