#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstring>
#include <vector>

// What the reading budget knows of a model text, taken once from the forms
// that the writers state (DocumentXml::contentForm and all below it): for
// each place the reader stands in, what each element name is there, what
// reading it costs, how its text is written and what the writer adds where
// the text left a field out. Built at its first use.
namespace BudgetLayout {

// The longest element name of the layout.
constexpr int longestName = 23;

// How the writer writes the text of an element: not at all, as the reader
// took it (a number, a flag, a name), at most as long as its longest however
// it reads (a reference's digits, a number in fixed places), or as a factor,
// which the reader rounds.
enum class Text : quint8 { None, Plain, Fixed, Factor };

constexpr quint8 noBit = 0xFF;

// What the writer writes for a field that the text left out, or the least it
// writes for an object: a text of `base` characters and `lines` lines, each
// indented as deep as the field's own.
struct Lines
{
    qint32 base = 0;
    qint32 lines = 0;
    qint64 at(int depth) const { return base + qint64(lines) * depth; }
};

struct LeftOut
{
    Lines most;
    // What reading the elements the writer adds costs, their values included.
    qint32 cost = 0;
    // How many levels below its parent the deepest of them stands.
    qint32 nesting = 0;
};

// An element where it stands.
struct Entry
{
    // Where its children are read.
    quint16 context = 0;
    quint8 cost = 0;
    Text text = Text::None;
    // The longest a Fixed text is written.
    qint16 longest = 0;
    // The kind of object it is, counted, or -1.
    qint8 kind = -1;
    // Its bit among its parent's fields.
    quint8 bit = noBit;
    // Written again (what the writer does not know it drops).
    bool written = false;
    // An object that its list writes whatever names it.
    bool standalone = false;
    // The "Document" element.
    bool document = false;
    // Written before each element of the next field.
    bool leads = false;
    // A field that the writer writes before each of these, or -1.
    qint16 leader = -1;
    // What an empty element of a value grows by written again, with its
    // value at its longest and its end tag.
    qint32 emptyMost = 0;
    // Its end tag, "</name>".
    qint16 endTag = 0;
};

struct Attribute
{
    const char* name;
    int length;
    quint8 bit;
    Text text;
    qint16 longest;
};

// A place the reader stands in: inside one kind of element.
struct Context
{
    // Its reader descends into elements it does not know.
    bool walked = false;
    // Its unknown children, and what reading them costs.
    quint16 unknown = 0;
    // Fields written whatever the object holds, as bits, attributes among them.
    quint64 always = 0;
    // Fields written where the one before them is: the bits of both.
    std::vector<std::pair<quint8, quint8>> followers;
    // By bit.
    std::vector<LeftOut> leftOut;
    std::vector<Attribute> attributes;
    // What its attributes add to its start tag at most, written in full.
    qint32 attributesMost = 0;
    // The least the writer writes of the element itself, with its fields at their shortest.
    Lines least;
};

struct Kind
{
    const char* one;
    const char* several;
};

struct Layout
{
    std::vector<Context> contexts;
    std::vector<Entry> entries;
    // The entry of each name in each context, 0 for none: contexts x names.
    std::vector<quint16> byName;
    int names = 0;
    // Kinds of object as a user counts them; the first is all the rest.
    std::vector<Kind> kinds;
    quint16 top = 0;
    // The fields of the leading fields, by entry's leader.
    std::vector<LeftOut> leaders;

    // The names, and their ids by length and first letter, each a few at most.
    std::vector<QByteArray> nameTexts;
    std::vector<const char*> nameLetters;
    std::vector<quint16> cellStart;
    std::vector<quint16> cellNames;

    quint16 entryOf(quint16 context, int name) const
    {
        const quint16 at = name < 0 ? 0 : byName[size_t(context) * size_t(names) + size_t(name)];
        return at ? at : contexts[context].unknown;
    }
    // The id of a name of small ASCII letters, or -1.
    int nameId(const char* name, int length) const
    {
        if (length < 1 || length > longestName)
            return -1;
        const int cell = length * 26 + (name[0] - 'a');
        for (int i = cellStart[size_t(cell)]; i < cellStart[size_t(cell) + 1]; ++i)
            if (std::memcmp(nameLetters[cellNames[size_t(i)]], name, size_t(length)) == 0)
                return cellNames[size_t(i)];
        return -1;
    }
};

const Layout& layout();

// The kind counted for objects of the form, or -1.
int kindOf(const char* several);

} // namespace BudgetLayout
