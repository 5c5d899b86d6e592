#include "ReadingBudget.h"

#include "FileUtilities.h"

#include <QCoreApplication>

#include <cstring>

namespace {

// What an element is to the document reader, by its name.
enum class Kind : quint8 {
    Other,
    Document,
    Structure,
    DetachedNodes,
    Selection,
    Reports,
    Titles,
    ViewPointMemory,
    ViewPoint,
    CurrentState,
    Index,
    Ref,
    GroupEntry,
    LoadCaseEntry, // the four kinds of load case
    Node,
    Member,
    Load,
    Support,
    SectionType,
    Axis, // load and member axes
    Report,
    Block,
    Item,
    // Fields that the writer writes as references, or whether or not a
    // file has them.
    NodeA,
    NodeB,
    Group,
    AxisField, // a member's axis, or the axis of a named axis or gravity case
    Position,
    PinA,
    PinB,
    Name,
    Dof,
    Colour,
    Purpose,
    Factor,
    Vector,
    Global,
    Orthogonal,
};

// What reading one element of a kind takes, in units of about 50 bytes of
// memory, or of the time that reading 50 bytes' worth of a node takes,
// whichever is more. An element whose text the reader turns into a number, a
// vector or a reference takes as long as three units; any other, one that
// the reader passes over or descends into, as long as two, about what the XML
// reader itself takes. An object costs the peak memory of reading a file of
// many such objects as the program writes them, over that of as many nodes,
// or the time of building one where that is more ("time" below). An unknown
// element builds nothing, a reference or a factor a few bytes, a name what
// its text holds (which the length of a model text bounds).
namespace Cost {
constexpr int element = 2;
constexpr int field = 3;
constexpr int node = 10;         // 490 bytes with its position and support; time
constexpr int member = 18;       // 1110 bytes with its five children
constexpr int load = 15;         // 840 bytes with member, load case and one pair; time
constexpr int support = 10;      // 460 bytes with name and freedoms; time
constexpr int sectionType = 24;  // 1720 bytes with its section, material and 25 values
constexpr int axis = 10;         // 510 bytes with its five children; time
// 850 bytes for a load case or group, which its name and colour bring to
// 23 units; read, 1.75 million take about as long as a budget of nodes.
constexpr int libraryEntry = 17;
constexpr int report = 8;        // 460 bytes with its first block
constexpr int block = 2;         // 55 bytes
constexpr int item = 4;          // 190 bytes with its chapter
constexpr int viewPoint = 27;    // 1350 bytes: a stored view is a camera with its own timer
constexpr int selected = 6;      // 270 bytes: a selected object with its copy count
constexpr int attribute = 1;     // each past two: kept while the element is read, and compared
} // namespace Cost

struct Name
{
    const char* text;
    int length;
    Kind kind;
};
#define NAME(text, kind) {text, int(sizeof(text)) - 1, Kind::kind}
constexpr Name names[] = {
    NAME("document", Document),
    NAME("structure", Structure),
    NAME("detachednodes", DetachedNodes),
    NAME("selection", Selection),
    NAME("reports", Reports),
    NAME("titles", Titles),
    NAME("viewpointmemory", ViewPointMemory),
    NAME("viewpoint", ViewPoint),
    NAME("currentstate", CurrentState),
    NAME("index", Index),
    NAME("ref", Ref),
    NAME("geometrygroup", GroupEntry),
    NAME("loadcase", LoadCaseEntry),
    NAME("gravitycase", LoadCaseEntry),
    NAME("swaycase", LoadCaseEntry),
    NAME("combination", LoadCaseEntry),
    NAME("node", Node),
    NAME("member", Member),
    NAME("pointload", Load),
    NAME("torqueload", Load),
    NAME("trapezoidload", Load),
    NAME("support", Support),
    NAME("sectiontype", SectionType),
    NAME("loadaxis", Axis),
    NAME("memberaxis", Axis),
    NAME("report", Report),
    NAME("block", Block),
    NAME("item", Item),
    NAME("nodea", NodeA),
    NAME("nodeb", NodeB),
    NAME("group", Group),
    NAME("axis", AxisField),
    NAME("position", Position),
    NAME("pina", PinA),
    NAME("pinb", PinB),
    NAME("name", Name),
    NAME("dof", Dof),
    NAME("colour", Colour),
    NAME("purpose", Purpose),
    NAME("factor", Factor),
    NAME("vector", Vector),
    NAME("global", Global),
    NAME("orthogonal", Orthogonal),
};
#undef NAME

// The names of each length and first letter: two at most, looked up for
// every element.
struct NameIndex
{
    qint8 at[16][26][2];
    constexpr NameIndex() : at()
    {
        for (auto& length : at)
            for (auto& letter : length)
                letter[0] = letter[1] = -1;
        for (int i = 0; i < int(sizeof names / sizeof names[0]); ++i) {
            qint8* cell = at[names[i].length][names[i].text[0] - 'a'];
            // A third name would fall past the cell, which no compiler lets pass.
            cell[cell[0] < 0 ? 0 : cell[1] < 0 ? 1 : 2] = qint8(i);
        }
    }
};
constexpr NameIndex nameIndex;

// A name of small ASCII letters, as the budget keeps them, of up to 15.
inline Kind kindOf(const char* name, int length)
{
    if (length < 3)
        return Kind::Other;
    for (const qint8 i : nameIndex.at[length][name[0] - 'a']) {
        if (i < 0)
            break;
        int same = 1;
        while (same < length && names[i].text[same] == name[same])
            ++same;
        if (same == length)
            return names[i].kind;
    }
    return Kind::Other;
}

// Whether [p, end) is all white space, as indentation is.
inline bool isBlank(const char* p, const char* end)
{
    for (; p < end; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r')
            return false;
    return true;
}

// The first `c` in [p, end), or null. Markup comes every few bytes, where a
// call of memchr would cost more than the search.
inline const char* find(const char* p, const char* end, char c)
{
    for (const char* near = p + qMin<qint64>(end - p, 32); p < near; ++p)
        if (*p == c)
            return p;
    return p < end ? static_cast<const char*>(std::memchr(p, c, size_t(end - p))) : nullptr;
}

// What the reader standing in an element does with the elements inside it.
enum Context : quint8 { Top, InDocument, InStructure, InSelection, InReports, InReport, InViewPoints, Fields };

// Each ASCII letter in small, zero for every other byte.
struct SmallLetters
{
    char table[256] = {};
    constexpr SmallLetters()
    {
        for (int c = 'a'; c <= 'z'; ++c)
            table[c] = table[c - 'a' + 'A'] = char(c);
    }
    char operator[](int byte) const { return table[byte]; }
};
constexpr SmallLetters smallLetters;

// The bytes that end an element name: white space, '/', '>' and (in damage) '<'.
struct NameEnds
{
    bool table[256] = {};
    constexpr NameEnds()
    {
        for (const char c : {' ', '\t', '\n', '\r', '/', '>', '<'})
            table[int(c)] = true;
    }
    bool operator[](int byte) const { return table[byte]; }
};
constexpr NameEnds nameEnds;

} // namespace

XmlTextBudget::XmlTextBudget(bool countPastTheCostLimit) : countPastTheCostLimit(countPastTheCostLimit)
{
    contexts[0] = Context::Top;
    owners[0] = Part::Other;
    holdsElements[0] = false;
    objectStarts[0] = -1;
    values[0] = Value::None;
}

void XmlTextBudget::exceed(Limit limit)
{
    // Counting on past the cost, what stops the count says more than the cost so far.
    if (exceeded == Limit::None || exceeded == Limit::Cost)
        exceeded = limit;
}

namespace {

typedef XmlTextBudget::Part Part;

// A library entry in any list that takes one: a load case or a geometry group.
inline bool isLibraryEntry(Kind kind, int* cost, Part* part)
{
    if (kind != Kind::GroupEntry && kind != Kind::LoadCaseEntry)
        return false;
    *cost = Cost::libraryEntry;
    *part = kind == Kind::GroupEntry ? Part::GeometryGroup : Part::LoadCase;
    return true;
}

// Where an element of the kind leads in the reader standing in the context,
// what the element costs there and, when the reader makes an object of it,
// the part of the model it is. The readers descend into elements they do not
// handle, so an unknown element keeps its parent's context; an object's own
// reader takes all it holds as its values, and builds nothing more from it
// but the blocks and items of a report.
inline Context enter(Context context, Kind kind, int* cost, Part* part)
{
    *cost = Cost::element;
    *part = Part::Other;
    switch (context) {
    case Context::Fields:
        *cost = Cost::field;
        return context;
    case Context::InReport:
        // Besides its blocks and items, a report block holds load cases by reference.
        *cost = kind == Kind::Block ? Cost::block : kind == Kind::Item ? Cost::item : Cost::field;
        return context;
    case Context::Top:
        if (kind == Kind::Document)
            return Context::InDocument;
        if (kind == Kind::ViewPoint || kind == Kind::CurrentState)
            return Context::Fields; // the window's own, read into objects that exist
        return context;
    case Context::InDocument:
        if (isLibraryEntry(kind, cost, part))
            return Context::Fields;
        switch (kind) {
        case Kind::Structure:
            return Context::InStructure;
        case Kind::Selection:
            return Context::InSelection;
        case Kind::Reports:
            return Context::InReports;
        case Kind::Titles:
            return Context::Fields;
        case Kind::ViewPointMemory:
            return Context::InViewPoints;
        default:
            return context;
        }
    case Context::InStructure:
        if (isLibraryEntry(kind, cost, part))
            return Context::Fields;
        switch (kind) {
        case Kind::Node:
            *cost = Cost::node;
            *part = Part::Node;
            break;
        case Kind::Member:
            *cost = Cost::member;
            *part = Part::Member;
            break;
        case Kind::Load:
            *cost = Cost::load;
            *part = Part::Load;
            break;
        case Kind::Support:
            *cost = Cost::support;
            *part = Part::Support;
            break;
        case Kind::SectionType:
            *cost = Cost::sectionType;
            *part = Part::SectionType;
            break;
        case Kind::Axis:
            *cost = Cost::axis;
            *part = Part::Axis;
            break;
        default:
            return context;
        }
        return Context::Fields;
    case Context::InSelection:
        if (kind != Kind::Ref)
            return context;
        *cost = Cost::selected;
        *part = Part::Selected;
        return Context::Fields;
    case Context::InReports:
        if (kind == Kind::Report) {
            *cost = Cost::report;
            *part = Part::Report;
            return Context::InReport;
        }
        if (isLibraryEntry(kind, cost, part))
            return Context::Fields;
        return context;
    case Context::InViewPoints:
        if (kind == Kind::Index) {
            *cost = Cost::field;
            return Context::Fields;
        }
        if (kind != Kind::ViewPoint)
            return context;
        *cost = Cost::viewPoint;
        *part = Part::StoredView;
        return Context::Fields;
    }
    return context;
}

// How the writer writes the text of an element of the kind, met where the
// reader takes the elements as values (inside an object, a setting of the
// window, a report block or a stored view's slot).
inline XmlTextBudget::Value valueOf(Kind kind)
{
    typedef XmlTextBudget::Value Value;
    switch (kind) {
    case Kind::Block:
    case Kind::Item:
        return Value::None;
    case Kind::NodeA:
    case Kind::NodeB:
    case Kind::Group:
    case Kind::AxisField:
    case Kind::GroupEntry:
    case Kind::LoadCaseEntry:
    case Kind::Node:
    case Kind::Member:
    case Kind::Support:
    case Kind::SectionType:
    case Kind::Axis:
        return Value::Reference;
    case Kind::Factor:
        return Value::Factor;
    default:
        return Value::Plain;
    }
}

// Fields that the writer writes whether or not the text has them, as bits of
// what an object has read; the object's reference attribute is the first.
enum Field : quint16 {
    HasReference = 1,
    HasPosition = 2,
    HasPinA = 4,
    HasPinB = 8,
    HasName = 16,
    HasDof = 32,
    HasColour = 64,
    HasPurpose = 128,
    HasAxis = 256,
    // Inside the axis of a member or load axis.
    HasVector = 512,
    HasGlobal = 1024,
    HasOrthogonal = 2048,
};

// A field of an object, or of the axis inside one.
inline quint16 fieldOf(Kind kind, bool inAxis)
{
    if (inAxis)
        return kind == Kind::Vector ? HasVector
               : kind == Kind::Global ? HasGlobal
               : kind == Kind::Orthogonal ? HasOrthogonal
                                          : 0;
    switch (kind) {
    case Kind::AxisField:
        return HasAxis;
    case Kind::Position:
        return HasPosition;
    case Kind::PinA:
        return HasPinA;
    case Kind::PinB:
        return HasPinB;
    case Kind::Name:
        return HasName;
    case Kind::Dof:
        return HasDof;
    case Kind::Colour:
        return HasColour;
    case Kind::Purpose:
        return HasPurpose;
    default:
        return 0;
    }
}

// The longest the writers in model/ write each kind of object when the text
// gives them nothing, at a depth: every field at its longest, names empty,
// lists of pairs and factors left to what the text holds.
namespace Longest {
constexpr int reference = 20;  // the digits of an address
constexpr int number = 24;     // "-2.2250738585072014e-308"
constexpr int vector = 3 * number + 2;
constexpr int flag = 5;        // "false"
constexpr int whole = 11;      // "-2147483648"
constexpr int colour = 9;      // "#AARRGGBB"
constexpr int viewNumber = 22; // a number of a stored view has 15 figures
// Each line: its tabs, the marks of its tags and its new line.
constexpr qint64 text(int depth, int name, int value)
{
    return depth + 2 * name + value + 6; // <N>value</N>
}
constexpr qint64 open(int depth, int name)
{
    return depth + name + 3; // <N>
}
constexpr qint64 close(int depth, int name)
{
    return depth + name + 4; // </N>, or <N/>
}
constexpr qint64 object(int depth, int name)
{
    return open(depth, name) + 7 + reference; // <N ref="...">
}
constexpr qint64 axis(int depth) // Vector, Node, Global, Orthogonal
{
    return open(depth, 4) + text(depth + 1, 6, vector) + text(depth + 1, 4, reference) + text(depth + 1, 6, flag)
        + text(depth + 1, 10, flag) + close(depth, 4);
}
constexpr qint64 node(int depth) // Position, Support, Group
{
    return object(depth, 4) + text(depth + 1, 8, vector) + text(depth + 1, 7, reference)
        + text(depth + 1, 5, reference) + close(depth, 4);
}
constexpr qint64 member(int depth) // NodeA, NodeB, Axis, SectionType, Group, PinA, PinB
{
    return object(depth, 6) + 2 * text(depth + 1, 5, reference) + text(depth + 1, 4, reference)
        + text(depth + 1, 11, reference) + text(depth + 1, 5, reference) + 2 * text(depth + 1, 4, flag)
        + close(depth, 6);
}
constexpr qint64 load(int depth) // TrapezoidLoad: Member, LoadAxis, LoadCase
{
    return object(depth, 13) + text(depth + 1, 6, reference) + 2 * text(depth + 1, 8, reference) + close(depth, 13);
}
constexpr qint64 support(int depth) // Name, Dof
{
    return object(depth, 7) + text(depth + 1, 4, 0) + text(depth + 1, 3, whole) + close(depth, 7);
}
constexpr qint64 group(int depth) // GeometryGroup: Name, Colour, Purpose
{
    return object(depth, 13) + text(depth + 1, 4, 0) + text(depth + 1, 6, colour) + text(depth + 1, 7, whole)
        + close(depth, 13);
}
constexpr qint64 namedAxis(int depth) // MemberAxis: Name, Axis
{
    return object(depth, 10) + text(depth + 1, 4, 0) + axis(depth + 1) + close(depth, 10);
}
// All that any of the four kinds writes: a combination's secondOrder="false",
// Name, Colour, a gravity case's Acceleration and Axis, a sway case's Take and Apply.
constexpr qint64 loadCase(int depth)
{
    return object(depth, 11) + 20 + text(depth + 1, 4, 0) + text(depth + 1, 6, colour)
        + text(depth + 1, 12, number) + axis(depth + 1) + text(depth + 1, 4, whole) + text(depth + 1, 5, whole)
        + close(depth, 11);
}
// CrossSection: Shape, Names, eight dimensions (names of 21 letters at most),
// Rotated, eight properties (4 at most); Material: Names, CTE, Density, E, G.
constexpr qint64 sectionType(int depth)
{
    return object(depth, 11) + open(depth + 1, 12) + text(depth + 2, 5, whole) + text(depth + 2, 5, 0)
        + 8 * text(depth + 2, 21, number) + text(depth + 2, 7, flag) + 8 * text(depth + 2, 4, number)
        + close(depth + 1, 12) + open(depth + 1, 8) + text(depth + 2, 5, 0) + 4 * text(depth + 2, 7, number)
        + close(depth + 1, 8) + close(depth, 11);
}
constexpr qint64 report(int depth) // its root Block
{
    return object(depth, 6) + close(depth + 1, 5) + close(depth, 6);
}
constexpr qint64 storedView(int depth) // its index, focalPoint, azimuth, elevation, distance
{
    return text(depth, 5, whole) + open(depth, 9) + text(depth + 1, 10, 3 * viewNumber + 2)
        + 3 * text(depth + 1, 9, viewNumber) + close(depth, 9);
}
// Any value the writer writes as the reader took it, empty or absent: a
// colour in its nine characters, an element in its start and end tags.
constexpr int emptyValue = 26 + reference;
// Each byte of a text the reader takes whole, unread by the budget: what
// the writer may make of it, a number from each and six bytes for each
// character, and the start of a part.
constexpr qint64 unread(qint64 bytes)
{
    return (number + 5) * bytes + number + 20;
}
} // namespace Longest

constexpr quint64 powerOfFive(int n)
{
    return n == 0 ? 1 : 5 * powerOfFive(n - 1);
}

} // namespace

// Why a value's text bounds what the writer makes of it: the writer writes each
// value again from what the reader took of it, and the reader takes the text
// with its character references and entities decoded. A reference to an object
// becomes the digits of an address, twenty at most. Any other value is split at
// its commas, a comma that a character reference stands for among them (the
// parts of a vector). A part without a digit is a name or a flag, written as it
// reads, or a colour, in nine characters. A part with digits is a number,
// written in 24 characters at most, or no longer than it reads where its
// figures give back the same double (then in five at most, as "0" may be a flag
// read as "false"); a whole number or a mask is never written longer than it
// reads. A name keeps its characters, each of '"', '&', '<', '>' and '\\'
// growing by five at most, and a carriage return that a character reference
// keeps is written as an escape of six that marks the whole name as escaped.
int XmlTextBudget::ValueText::takeCharacterReference(char c)
{
    if (++characterBytes == 1) { // its '&'
        referenceKind = Named;
        characterCode = 0;
        return -1;
    }
    if (c != ';') {
        if (characterBytes == 2) {
            referenceKind = c == '#' ? Decimal : Named;
            characterCode = c == '#' ? 0 : quint32(uchar(c));
        } else if (characterBytes == 3 && referenceKind == Decimal && c == 'x') {
            referenceKind = Hexadecimal;
        } else if (referenceKind != Named) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : 0;
            const quint32 base = referenceKind == Decimal ? 10 : 16;
            // Past the last character, which the reader refuses anyway.
            characterCode = qMin<quint32>(0x110000, characterCode * base + quint32(digit));
        }
        return -1;
    }
    if (referenceKind != Named)
        return characterCode < 0x80 ? int(characterCode) : 0x80;
    // The five names the reader knows; it refuses any other.
    switch (characterCode) {
    case 'l':
        return '<';
    case 'g':
        return '>';
    case 'q':
        return '"';
    default:
        return characterCode == 'a' && characterBytes == 6 ? '\'' : '&';
    }
}

void XmlTextBudget::ValueText::takeParts(const char* p, const char* end)
{
    // Held in locals for the loop: the text of a value is read a byte at a time.
    qint64 partLength = partBytes;
    int marks = escaped;
    bool ampersand = entity;
    bool digit = anyDigit;
    bool mark = anyMark;
    bool hash = colour;
    Number state = number;
    int figures = significant;
    int whole = wholeDigits;
    int fraction = fractionDigits;
    int zeros = zerosAfterPoint;
    quint64 value = digits;
    bool inCharacter = characterBytes > 0;
    const auto store = [&] {
        partBytes = partLength;
        escaped = marks;
        entity = ampersand;
        anyDigit = digit;
        anyMark = mark;
        colour = hash;
        number = state;
        significant = figures;
        wholeDigits = whole;
        fractionDigits = fraction;
        zerosAfterPoint = zeros;
        digits = value;
    };
    const auto endPartHere = [&] {
        store();
        added += endPart(true);
        partLength = 0;
        digit = mark = hash = false;
        state = Lead;
        figures = whole = fraction = zeros = 0;
        value = 0;
    };
    for (; p < end; ++p) {
        char c = *p;
        if (c == ',') {
            endPartHere();
            continue;
        }
        ++partLength;
        if (Q_UNLIKELY(c == '&' || inCharacter)) {
            const int decoded = takeCharacterReference(c);
            inCharacter = decoded < 0;
            if (inCharacter)
                continue;
            const int bytes = characterBytes;
            characterBytes = 0;
            c = char(decoded);
            if (c == ',') {
                // Written as a comma alone, which its bytes outweigh.
                partLength -= bytes;
                endPartHere();
                continue;
            }
            if (c == '\r') {
                ++marks;
                ampersand = true;
            }
        }
        if (c == '"' || c == '&' || c == '<' || c == '>' || c == '\\')
            ++marks;
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        const bool isDigit = c >= '0' && c <= '9';
        if (!space && !mark) {
            mark = true;
            hash = c == '#';
        }
        digit = digit || isDigit;
        if (state == Lead && !space) {
            state = c == '-' ? Sign : isDigit ? Whole : NoNumber;
            if (state != Whole)
                continue;
        } else if (state == Sign) {
            state = isDigit ? Whole : NoNumber;
        } else if (state == Whole && !isDigit) {
            state = c == '.' ? Fraction : space ? Trail : NoNumber;
            continue;
        } else if (state == Fraction && !isDigit) {
            state = space ? Trail : NoNumber;
            continue;
        } else if (state == Trail && !space) {
            state = NoNumber;
        }
        if (!isDigit || (state != Whole && state != Fraction))
            continue;
        const bool afterPoint = state == Fraction;
        fraction += afterPoint;
        if (figures == 0 && c == '0') {
            zeros += afterPoint;
            continue;
        }
        ++figures;
        whole += !afterPoint;
        if (figures <= 16)
            value = value * 10 + quint64(c - '0');
    }
    store();
}

qint64 XmlTextBudget::ValueText::endPart(bool whole)
{
    // A decimal that the writer's seventeen figures give back as it reads:
    // it has seventeen figures or more, or is exact in binary, and no
    // exponent is written for it. A whole part only: a comment may stand
    // inside a number.
    const auto writtenAsRead = [this] {
        if (number != Whole && number != Fraction && number != Trail)
            return false;
        if (significant == 0)
            return true;
        const int exponent = wholeDigits > 0 ? wholeDigits - 1 : -(zerosAfterPoint + 1);
        if (exponent < -4 || exponent > 16)
            return false;
        if (significant >= 17)
            return true;
        // digits / 10^k is exact when 5^k divides it and what is left fits a double's 53 bits.
        if (fractionDigits > 27)
            return false;
        const quint64 five = powerOfFive(fractionDigits);
        return digits % five == 0 && digits / five < (quint64(1) << 53);
    };
    int longest;
    if (!anyMark || !anyDigit || colour)
        longest = Longest::colour; // a name, a flag or a colour
    else if (kind == Value::Plain && whole && partBeginsValue && writtenAsRead())
        longest = Longest::flag; // "0" or "1" may be a flag
    else
        longest = Longest::number;
    const qint64 growth = qMax<qint64>(0, longest - partBytes);
    partBeginsValue = true;
    partBytes = 0;
    characterBytes = 0;
    anyDigit = anyMark = colour = false;
    number = Lead;
    significant = wholeDigits = fractionDigits = zerosAfterPoint = 0;
    digits = 0;
    return growth;
}

qint64 XmlTextBudget::ValueText::growth(bool endsValue, bool blank)
{
    qint64 total;
    if (kind == Value::Reference) {
        // Blank, it is no reference; around other elements, it is the
        // indentation of an axis.
        total = blank ? 0 : qMax<qint64>(0, Longest::reference - bytes);
    } else {
        // Each of '"', '&', '<', '>' is written as an entity of six bytes at
        // most, and a backslash doubled; an entity may stand for a
        // character that marks the text as escaped.
        total = added + endPart(endsValue) + 5 * escaped + (entity ? 16 : 0);
        added = 0;
        escaped = 0;
        entity = false;
    }
    bytes = 0;
    // Text after markup inside the element goes on a part that began before it.
    partBeginsValue = false;
    return total;
}

inline void XmlTextBudget::endValueText(const char* p, const char* end, bool blank)
{
    const bool endsValue = valueFresh && p + 1 < end && p[1] == '/';
    // Blank text is no indentation in a value: the writer writes it again,
    // except around a reference.
    if (blank && values[depth] != Value::Reference)
        most += valueText.size();
    most += valueText.growth(endsValue, blank);
    valueFresh = false;
}

void XmlTextBudget::takeAttribute(const char* tag, const char* quote, const char* close)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const char* nameEnd = quote;
    while (nameEnd > tag && isSpace(nameEnd[-1]))
        --nameEnd;
    if (nameEnd > tag && nameEnd[-1] == '=')
        --nameEnd;
    while (nameEnd > tag && isSpace(nameEnd[-1]))
        --nameEnd;
    const qint64 length = close - quote - 1;
    // The reader finds an object's reference by this exact name.
    if (nameEnd - tag >= 4 && isSpace(nameEnd[-4]) && std::memcmp(nameEnd - 3, "ref", 3) == 0) {
        tagHasReference = true;
        most += qMax<qint64>(0, Longest::reference - length);
        return;
    }
    ValueText text;
    text.begin(Value::Plain);
    text.take(quote + 1, close);
    most += text.growth(true);
}

void XmlTextBudget::addLeftOut(Part part, int depth)
{
    const auto has = [this](int fields) { return (fieldsRead & fields) == fields; };
    depth += lineShift;
    switch (part) {
    case Part::Node:
        if (!has(HasReference | HasPosition))
            most += Longest::node(depth);
        break;
    case Part::Member:
        if (!has(HasReference | HasPinA | HasPinB))
            most += Longest::member(depth);
        break;
    case Part::Load:
        if (!has(HasReference))
            most += Longest::load(depth);
        break;
    case Part::Support:
        if (!has(HasReference | HasName | HasDof))
            most += Longest::support(depth);
        break;
    case Part::GeometryGroup:
        if (!has(HasReference | HasName | HasColour | HasPurpose))
            most += Longest::group(depth);
        break;
    case Part::Axis:
        if (!has(HasReference | HasName | HasAxis | HasVector | HasGlobal | HasOrthogonal))
            most += Longest::namedAxis(depth);
        break;
    // Rare, and with fields inside fields: always all.
    case Part::SectionType:
        most += Longest::sectionType(depth);
        break;
    case Part::LoadCase:
        most += Longest::loadCase(depth);
        break;
    case Part::Report:
        most += Longest::report(depth);
        break;
    case Part::StoredView:
        most += Longest::storedView(depth);
        break;
    default: // a selected object writes what it read
        break;
    }
}

void XmlTextBudget::takeNameCharacter(char c)
{
    // The reader compares local names: a prefix before a colon does not count.
    if (c == ':') {
        nameLength = 0;
        return;
    }
    const char lower = smallLetters[uchar(c)];
    if (nameLength < longestName && lower)
        name[nameLength++] = lower;
    else
        nameLength = longestName + 1; // a character no name of ours has, or a name too long
}

inline void XmlTextBudget::takeLocalName(const char* bytes, qint64 length)
{
    nameLength = longestName + 1;
    if (length > longestName)
        return;
    for (qint64 i = 0; i < length; ++i) {
        const char lower = smallLetters[uchar(bytes[i])];
        if (!lower)
            return;
        name[i] = lower;
    }
    nameLength = int(length);
}

inline void XmlTextBudget::addSaved(qint64 bytes)
{
    saved += bytes;
    most += bytes;
    if (saved > maximumModelTextSize)
        exceed(Limit::SavedSize);
}

inline void XmlTextBudget::startElement(bool hasChildren)
{
    const Kind kind = nameLength <= longestName ? kindOf(name, nameLength) : Kind::Other;
    int cost = 0;
    Part part = Part::Other;
    const Context parent = Context(contexts[depth]);
    const Context context = enter(parent, kind, &cost, &part);
    if (kind == Kind::Document && parent == Context::Top) {
        documentSeen = true;
        if (depth == 0)
            lineShift = 1;
    }
    // What an object holds weighs with it.
    const bool isObject = part != Part::Other;
    Value value = Value::None;
    if (!isObject) {
        part = owners[depth];
        if (bounding && (parent == Context::Fields || parent == Context::InReport || parent == Context::InViewPoints))
            value = valueOf(kind);
        if (objectStarts[depth] >= 0) {
            fieldsRead |= fieldOf(kind, false);
            axisDepth = kind == Kind::AxisField && hasChildren ? depth + 1 : -1;
        } else if (depth == axisDepth) {
            fieldsRead |= fieldOf(kind, true);
        }
        // An item of a report is written with its chapter, empty or not.
        if (kind == Kind::Item)
            most += 11;
    } else {
        ++counts[int(part)];
        fieldsRead = tagHasReference ? HasReference : 0;
        axisDepth = -1;
        // A selected object is its reference.
        if (bounding && part == Part::Selected)
            value = Value::Reference;
    }
    tagHasReference = false;
    if (attributes > ReadingBudget::maximumAttributes)
        exceed(Limit::Attributes);
    if (attributes > 2)
        cost += (attributes - 2) * Cost::attribute;
    attributes = 0;
    costs[int(part)] += cost;
    total += cost;
    if (total > ReadingBudget::maximumCost)
        exceed(Limit::Cost);
    // Written again, a start tag stands on a line of its own, indented by its depth.
    const qint64 tagStart = saved - lastStretch;
    holdsElements[depth] = true;
    addSaved(depth + 3);
    most += lineShift;
    blankText = true;
    if (!hasChildren) {
        if (value != Value::None)
            most += Longest::emptyValue;
        if (isObject)
            foresee(part, depth, tagStart);
        return;
    }
    if (depth == ReadingBudget::maximumDepth) {
        exceed(Limit::Depth);
        return;
    }
    ++depth;
    contexts[depth] = context;
    owners[depth] = part;
    holdsElements[depth] = false;
    objectStarts[depth] = isObject ? tagStart : -1;
    values[depth] = value;
    if (value != Value::None) {
        valueText.begin(value);
        valueFresh = true;
    }
}

void XmlTextBudget::endElement()
{
    // Only after elements does an end tag begin a line of its own.
    const bool onItsOwnLine = depth > 0 && holdsElements[depth];
    const qint64 objectStart = depth > 0 ? objectStarts[depth] : -1;
    if (depth > 0)
        --depth;
    addSaved(onItsOwnLine ? depth + 3 : 2);
    if (onItsOwnLine)
        most += lineShift;
    if (objectStart >= 0)
        foresee(owners[depth + 1], depth, objectStart);
    blankText = true;
    // What the parent holds after this element goes on a part of its text.
    if (values[depth] != Value::None)
        valueText.resume(values[depth]);
}

void XmlTextBudget::foresee(Part part, int depth, qint64 start)
{
    // The least the writer writes of an object that every model file holds
    // on its own, whatever the file left out: its defaults, on lines of their
    // own, and a reference of five digits at least (no address is shorter).
    addLeftOut(part, depth);
    qint64 least = 0;
    switch (part) {
    case Part::Node: // reference and position
        least = 55 + 3 * depth;
        break;
    case Part::Member: // reference, two nodes and two pins
        least = 113 + 6 * depth;
        break;
    case Part::Load: // reference and member
        least = 60 + 3 * depth;
        break;
    case Part::LoadCase: // reference, name and colour
        least = 78 + 4 * depth;
        break;
    case Part::GeometryGroup: // reference, name, colour and purpose
        least = 110 + 5 * depth;
        break;
    case Part::Report: // reference and its block
        least = 41 + 3 * depth;
        break;
    default: // written only where another object refers to it, or once in its slot
        return;
    }
    if (saved - start < least) {
        // The least is no more than the most already counted.
        saved += least - (saved - start);
        if (saved > maximumModelTextSize)
            exceed(Limit::SavedSize);
    }
}

void XmlTextBudget::takeBang(char c)
{
    static const char comment[] = "--";
    static const char data[] = "[CDATA[";
    bang[bangLength++] = c;
    if (bangLength <= 2 && std::memcmp(bang, comment, size_t(bangLength)) == 0) {
        if (bangLength == 2) {
            state = Comment;
            closing = 0;
        }
        return;
    }
    if (std::memcmp(bang, data, size_t(bangLength)) == 0) {
        if (bangLength == 7)
            state = CData;
        closing = 0;
        return;
    }
    // A document type could declare entities that build what the budget never saw.
    exceed(Limit::DocumentType);
}

// Outside markup only '<' and '>' matter, so the text is crossed with memchr
// from one '<' to the next, and so are quoted values, comments and the like;
// names and the rest of tags are followed a byte at a time. What a stretch
// without markup adds to the run is checked once per stretch.
bool XmlTextBudget::take(const char* bytes, qint64 size)
{
    const char* p = bytes;
    const char* const end = bytes + size;
    const auto stopped = [this] {
        return exceeded != Limit::None && !(exceeded == Limit::Cost && countPastTheCostLimit);
    };
    // Up to the first `stop` (or the end), handing the stretch to the run.
    const auto passTo = [&](char stop) {
        const char* found = find(p, end, stop);
        const char* const to = found ? found : end;
        addStretch(p, to - p);
        p = to;
        return found != nullptr;
    };
    while (p < end && !stopped()) {
        switch (state) {
        case Text:
            // Whole start and end tags in this piece are read at once, one after the other.
            for (;;) {
                const char* const from = p;
                const bool found = *p == '<' || passTo('<');
                if (blankText)
                    blankText = isBlank(from, p);
                if (values[depth] != Value::None) {
                    valueText.take(from, p);
                    if (found)
                        endValueText(p, end, blankText);
                }
                if (!found || stopped())
                    break;
                endRun(true);
                state = TagOpen;
                const char* const next = takeWholeTag(++p, end);
                if (next == p)
                    break; // left to the state machine
                p = next;
                if (p == end)
                    break;
            }
            break;
        case TagOpen:
            state = StartName;
            nameLength = 0;
            attributes = 0;
            tagHasReference = false;
            if (*p == '/')
                state = EndName;
            else if (*p == '!')
                state = Bang;
            else if (*p == '?')
                state = Instruction;
            else
                break; // the first character of a name
            ++p;
            ++run;
            bangLength = 0;
            closing = 0;
            break;
        case StartName:
            while (p < end) {
                const char c = *p;
                if (nameEnds[uchar(c)])
                    break;
                takeNameCharacter(c);
                ++p;
                if (++run > ReadingBudget::maximumTextRun)
                    break;
            }
            if (p < end) {
                state = InTag;
                closing = 0;
            }
            break;
        case InTag:
            while (p < end) {
                const char c = *p++;
                if (c == '>') {
                    endRun();
                    startElement(closing == 0);
                    state = Text;
                    break;
                }
                if (c == '<') {
                    endRun();
                    continue;
                }
                if (++run > ReadingBudget::maximumTextRun)
                    break;
                if (c == '"' || c == '\'') {
                    state = InQuote;
                    quote = c;
                    ++attributes;
                    break;
                }
                closing = c == '/';
            }
            break;
        case InQuote: {
            const char* const from = p;
            const bool found = passTo(quote);
            quoted += p - from;
            if (found) {
                ++p;
                ++run;
                state = InTag;
                closing = 0;
                most += Longest::unread(quoted);
                quoted = 0;
            }
            break;
        }
        case EndName:
            if (passTo('>')) {
                ++p;
                endRun();
                endElement();
                state = Text;
            }
            break;
        case Bang:
            ++run;
            takeBang(*p++);
            break;
        case Comment:
        case CData:
        case Instruction: {
            // "-->" ends a comment, "]]>" character data and "?>" an instruction;
            // `closing` counts the marks that stood last before this piece.
            const char mark = state == Comment ? '-' : state == CData ? ']' : '?';
            const int marks = state == Instruction ? 1 : 2;
            const char* const from = p;
            const bool found = passTo('>');
            int trailing = 0;
            while (trailing < marks && p - trailing > from && p[-trailing - 1] == mark)
                ++trailing;
            const int before = p - from == trailing ? qMin(closing + trailing, marks) : trailing;
            closing = 0;
            if (!found) {
                closing = before;
                break;
            }
            ++p;
            // Character data read whole, but not by the budget.
            if (state == CData)
                most += Longest::unread(ended + run + 1);
            endRun();
            if (before == marks)
                state = Text;
            break;
        }
        }
        if (run > ReadingBudget::maximumTextRun)
            exceed(Limit::TextRun);
    }
    return !isExceeded();
}

const char* XmlTextBudget::takeWholeTag(const char* p, const char* end)
{
    const char* q = p;
    if (q < end && *q == '/') {
        const char* close = find(q, end, '>');
        if (!close || close - q >= ReadingBudget::maximumTextRun)
            return p;
        takeStretch(close - q, false);
        endElement();
        state = Text;
        return close + 1;
    }
    if (q == end || *q == '!' || *q == '?')
        return p;
    // The reader compares local names: a prefix before a colon does not count.
    const char* local = q;
    while (q < end && !nameEnds[uchar(*q)]) {
        if (*q == ':')
            local = q + 1;
        ++q;
    }
    if (q == end)
        return p;
    takeLocalName(local, q - local);
    attributes = 0;
    tagHasReference = false;
    bool slash = false;
    while (q < end && q - p < ReadingBudget::maximumTextRun) {
        const char c = *q++;
        if (c == '>') {
            takeStretch(q - 1 - p, false);
            startElement(!slash);
            state = Text;
            return q;
        }
        if (c == '"' || c == '\'') {
            const char* close = find(q, end, c);
            if (!close)
                break;
            if (bounding)
                takeAttribute(p, q - 1, close);
            q = close + 1;
            ++attributes;
        } else if (c == '<') {
            break;
        }
        slash = c == '/';
    }
    // Cut off by the end of the piece, or unusual: byte by byte.
    nameLength = 0;
    return p;
}

inline void XmlTextBudget::endRun(bool text)
{
    if (run > ReadingBudget::maximumTextRun)
        exceed(Limit::TextRun);
    takeStretch(ended + run, text && blankText);
    ended = 0;
    run = 0;
    blankText = true;
}

inline void XmlTextBudget::takeStretch(qint64 length, bool blank)
{
    lastStretch = blank ? 0 : length;
    if (!blank)
        addSaved(length);
    if (length <= ReadingBudget::freeCharacters)
        return;
    characters += length - ReadingBudget::freeCharacters;
    const qint64 units = characters / ReadingBudget::charactersPerUnit;
    characters -= units * ReadingBudget::charactersPerUnit;
    costs[int(owners[depth])] += units;
    total += units;
    if (total > ReadingBudget::maximumCost)
        exceed(Limit::Cost);
}

void XmlTextBudget::addStretch(const char* bytes, qint64 length)
{
    // A '>' ends a run but not the stretch, which weighs whole. Only a
    // stretch that could pass the limit is searched for every '>' in it;
    // of any other the last one tells where the run goes on from.
    while (run + length > ReadingBudget::maximumTextRun) {
        const char* close = static_cast<const char*>(std::memchr(bytes, '>', size_t(length)));
        if (!close || run + (close - bytes) > ReadingBudget::maximumTextRun) {
            exceed(Limit::TextRun);
            return;
        }
        const qint64 skipped = close - bytes + 1;
        ended += run + skipped;
        bytes += skipped;
        length -= skipped;
        run = 0;
    }
    const char* last = length > 0 ? static_cast<const char*>(memrchr(bytes, '>', size_t(length))) : nullptr;
    if (!last) {
        run += length;
        return;
    }
    ended += run + (last + 1 - bytes);
    run = bytes + length - (last + 1);
}

QString ReadingBudget::tooLargeToOpen(const QString& why)
{
    return QCoreApplication::translate("XmlTextBudget", "The model is too large to open: %1.").arg(why);
}

QString ReadingBudget::savedTextTooLong()
{
    return QCoreApplication::translate("XmlTextBudget",
                                       "written out, its text would pass the %L1 MB that a model file may hold")
        .arg(maximumModelTextSize >> 20);
}

namespace {

// A part of a model as a user names it: one, and several.
struct PartName
{
    const char* one;
    const char* several;
};
const PartName partNames[] = {
    {"other part", "other parts"},
    {"node", "nodes"},
    {"member", "members"},
    {"load", "loads"},
    {"support", "supports"},
    {"section type", "section types"},
    {"axis", "axes"},
    {"load case", "load cases"},
    {"geometry group", "geometry groups"},
    {"report", "reports"},
    {"stored view", "stored views"},
    {"selected object", "selected objects"},
};
static_assert(sizeof partNames / sizeof partNames[0] == int(Part::Count), "a name for every part");

} // namespace

QString XmlTextBudget::describeExcess() const
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("XmlTextBudget", text); };
    switch (exceeded) {
    case Limit::None:
        return QString();
    case Limit::Cost:
        break;
    case Limit::TextRun:
        return tr("it holds a text of more than %L1 MB without a break").arg(ReadingBudget::maximumTextRun >> 20);
    case Limit::Depth:
        return tr("its parts nest more than %L1 deep").arg(ReadingBudget::maximumDepth);
    case Limit::DocumentType:
        return tr("it declares a document type, which no model file has");
    case Limit::Attributes:
        return tr("an element has more than %L1 attributes, which no model file has")
            .arg(ReadingBudget::maximumAttributes);
    case Limit::SavedSize:
        return ReadingBudget::savedTextTooLong();
    }
    // Read only up to the limit, the counts say nothing of the whole.
    if (!countPastTheCostLimit)
        return tr("its objects are more than a model file may hold");
    int heaviest = 0;
    for (int part = 1; part < int(Part::Count); ++part)
        if (costs[part] > costs[heaviest])
            heaviest = part;
    const qint64 count = counts[heaviest];
    const qint64 rest = total - costs[heaviest];
    const PartName& name = partNames[heaviest];
    // The number of objects of the kind that fit beside the rest, each
    // weighing what the model's own weigh on average; a model text is too
    // short for the product to overflow.
    const qint64 fitting =
        count > 0 && rest < ReadingBudget::maximumCost ? (ReadingBudget::maximumCost - rest) * count / costs[heaviest] : 0;
    if (count == 1)
        return tr("its %1 alone is more than a model file may hold").arg(QLatin1String(name.one));
    if (fitting == 0)
        return tr("its %1 are more than a model file may hold").arg(QLatin1String(name.several));
    return tr("it has %L1 %2, more than the %L3 that a model file may hold beside its other objects")
        .arg(count)
        .arg(QLatin1String(name.several))
        .arg(fitting);
}
