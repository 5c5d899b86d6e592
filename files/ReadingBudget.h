#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What one model file may build: far above any real model, far below what
// fills the machine. A file over it is refused as damaged, and refused early,
// while it is read, before the objects it asks for exist. The writer holds a
// text to the same budget before it replaces a file, so that whatever is
// saved opens again.
namespace ReadingBudget {

// What an element costs is what reading it takes, in memory or in time,
// whichever is more, in units of about 50 bytes, or of the time it takes to
// read 50 bytes' worth of a node. A node as the program writes it, with its
// position, costs thirteen units: about 490 bytes while it is read, and as
// long to read as 650. So the cost of a file says what reading it takes,
// whatever it holds.
//
// The most a file may cost: about 3.5 million nodes' worth, 1.7 GB while
// they are read, and as long to read as the largest grid that the length
// limit of a model text lets a file hold, 738 by 738 nodes, whose 1.09
// million members bring it to 43 million.
constexpr qint64 maximumCost = 45000000;
// Objects of a transfer text, which are simpler.
constexpr qint64 maximumObjects = 4000000;

// The longest stretch of a model text without markup ('<' or '>'): no name,
// note or number comes near it, and a longer one is padding, not a model.
constexpr int maximumTextRun = 4 << 20;

// How deeply elements may nest: a model text nests about ten deep, and
// readers that recurse (report blocks) must not run out of stack.
constexpr int maximumDepth = 256;

// A transfer text builds about fifty times its size in memory, so it may be
// far shorter than a model text; a million nodes still fit.
constexpr qint64 maximumTransferTextSize = qint64(64) << 20;

} // namespace ReadingBudget

// Follows an XML model text piece by piece, as it is inflated or before it
// is parsed, adding up what each element costs as the document reader would
// read it: an element that the reader makes an object of costs that object,
// one whose text it reads as a value (inside an object, or a setting of the
// window) three units, any other two. Names are compared as the reader
// compares them, in ASCII without regard to case, after any namespace prefix;
// comments, processing instructions and character data are passed over, and
// a document type, which no model declares, is refused. Where the text is not
// well formed the reader stops, and what the budget counts after that point
// does not matter.
class XmlTextBudget
{
public:
    enum class Limit { None, Cost, TextRun, Depth, DocumentType };

    // Past the limit of cost the budget normally stops; the writer, which
    // tells the user how far over a model is, has it count on.
    explicit XmlTextBudget(bool countPastTheCostLimit = false);

    // False once the text so far is over the budget; it stays so.
    bool take(const char* bytes, qint64 size);
    bool take(const QByteArray& bytes) { return take(bytes.constData(), bytes.size()); }
    bool isExceeded() const { return exceeded != Limit::None; }
    Limit exceededLimit() const { return exceeded; }
    qint64 cost() const { return total; }
    // Whether the reader would find a "Document" element in the text so far.
    bool holdsDocument() const { return documentSeen; }

    // Why a text over the budget cannot be read, for the user; empty within
    // it. Counting past the limit, it names the kind of object that weighs
    // most, how many the model has and how many a file may hold beside the rest.
    QString describeExcess() const;

    // The kinds of object that a model is made of, as a user counts them,
    // with what the elements of each weigh, their values included.
    enum class Part : quint8 {
        Other,
        Node,
        Member,
        Load,
        Support,
        SectionType,
        Axis,
        LoadCase,
        GeometryGroup,
        Report,
        StoredView,
        Selected,
        Count
    };
    qint64 count(Part part) const { return counts[int(part)]; }
    qint64 cost(Part part) const { return costs[int(part)]; }

private:
    enum State : quint8 { Text, TagOpen, StartName, EndName, InTag, InQuote, Bang, Comment, CData, Instruction };

    void exceed(Limit limit);
    void addStretch(const char* bytes, qint64 length);
    // At '<' or '>': the run so far must not have passed the limit.
    void endRun();
    void takeNameCharacter(char c);
    // A name without a prefix, whole.
    void takeLocalName(const char* bytes, qint64 length);
    // The element whose start tag ends here: what it costs, and whether its
    // children follow (false for an empty element).
    void startElement(bool hasChildren);
    void endElement();
    // The tag that begins at p, after its '<', when it ends before `end` and
    // holds no run near the limit; returns where reading goes on, p when the
    // tag is left to the state machine.
    const char* takeWholeTag(const char* p, const char* end);
    void takeBang(char c);

    static constexpr int longestName = 15;
    char name[longestName];
    // Letters of the (local) element name read so far; past longestName for
    // a name that is none of ours.
    int nameLength = 0;
    State state = Text;
    char quote = 0;
    // Characters of a closing delimiter ("-->", "]]>", "?>", "/>") seen so far.
    int closing = 0;
    char bang[8];
    int bangLength = 0;
    int depth = 0;
    // What the reader does with the elements inside each open element, and
    // the part of the model that the element belongs to.
    quint8 contexts[ReadingBudget::maximumDepth + 1];
    Part owners[ReadingBudget::maximumDepth + 1];
    qint64 run = 0;
    qint64 total = 0;
    qint64 counts[int(Part::Count)] = {};
    qint64 costs[int(Part::Count)] = {};
    bool documentSeen = false;
    bool countPastTheCostLimit = false;
    Limit exceeded = Limit::None;
};
