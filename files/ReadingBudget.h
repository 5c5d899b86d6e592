#pragma once

#include "BudgetLayout.h"
#include "FileLimits.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace XmlForm {
struct Element;
}

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
// whatever it holds. The most a file may cost, the longest stretch without
// markup and the length of a text are FileLimits.

// The most attributes an element may have: the program writes at most two on
// any element, and the XML reader compares each with every one before it.
constexpr int maximumAttributes = 64;

// What an element costs covers two attributes and, in each stretch between
// two marks of markup, a text of up to freeCharacters; past that each
// attribute costs a unit, and each character a sixth of one: about eight
// bytes, one in the text, two while it is decoded, two in the name or note it
// becomes and three when that is written again.
constexpr int freeCharacters = 64;
constexpr int charactersPerUnit = 6;
// What reading a text of so many characters costs past its free ones.
constexpr qint64 charactersCost(qint64 characters)
{
    return characters > freeCharacters ? (characters - freeCharacters + charactersPerUnit - 1) / charactersPerUnit : 0;
}

// How deeply elements may nest: a model text nests about ten deep, and
// readers that recurse (report blocks) must not run out of stack.
constexpr int maximumDepth = 256;

// The message for a sound model larger than this version reads: `why`
// says what is too large.
QString tooLargeToOpen(const QString& why);
// Why a model whose text, saved, would pass the longest a model file may hold
// is too large.
QString savedTextTooLong();

// The longest stretch of a text without markup ('<' or '>').
qint64 longestRunOf(const QByteArray& text);

} // namespace ReadingBudget

// Follows an XML model text piece by piece, as it is inflated or before it
// is parsed, adding up what each element costs as the document reader would
// read it: an element that the reader makes an object of costs that object,
// one whose text it reads as a value (inside an object, or a setting of the
// window) three units, any other two. Names are compared as the reader
// compares them, in ASCII without regard to case, after any namespace prefix;
// comments, processing instructions and character data make no element, but
// long ones weigh by their characters, and a document type, which no model
// declares, is refused. Where the text is not well formed the reader stops,
// and what the budget counts after that point does not matter. All it knows
// of the elements it takes from the forms the writers state.
class XmlTextBudget
{
public:
    enum class Limit { None, Cost, TextRun, Depth, DocumentType, Attributes, SavedSize };

    // Past the limit of cost the budget normally stops; the writer, which
    // tells the user how far over a model is, has it count on.
    explicit XmlTextBudget(bool countPastTheCostLimit = false);
    // Has the budget bound the text as it will be saved as well (savedMost()
    // and the rest), which only the reader of a whole model needs, at some
    // cost. Before any text.
    void boundSavedText() { bounding = true; }

    // False once the text so far is over the budget; it stays so.
    bool take(const char* bytes, qint64 size);
    bool take(const QByteArray& bytes) { return take(bytes.constData(), bytes.size()); }
    bool isExceeded() const { return exceeded != Limit::None; }
    // Over a limit that a sound model may pass, larger than this version reads
    // or writes; past the others a text is damaged.
    bool isTooLarge() const
    {
        return exceeded == Limit::Cost || exceeded == Limit::SavedSize || exceeded == Limit::Depth;
    }
    Limit exceededLimit() const { return exceeded; }
    qint64 cost() const { return total; }
    // About how long the text is once the program writes it again, one tab of
    // indentation per level, whatever white space stands between its tags:
    // never longer than a text the program wrote itself.
    qint64 savedSize() const { return saved; }
    // The longest the text can be once the program writes again what it
    // reads of this one: what savedSize() counts, with every value, read as
    // the reader decodes it, at the longest the writer can write it (a
    // reference in twenty digits, a number as seventeen figures and an
    // exponent unless it reads back exactly as written, a character that is
    // escaped as six) and every field the writer adds where the text left it
    // out. What the document holds apart from the text's objects (its
    // titles, the window's camera and state, a library material a section
    // type takes instead of its own) is not in it. Only for a budget told to
    // bound the saved text, as are the three below.
    qint64 savedMost() const { return most; }
    // The most that text costs to read: what this one costs, what the
    // fields the writer adds cost, and each stretch of the values and tags
    // that may grow, at its longest.
    qint64 mostCost() const
    {
        using ReadingBudget::charactersPerUnit;
        return total + added + (grownCharacters + charactersPerUnit - 1) / charactersPerUnit;
    }
    // Its longest stretch without markup: a value or a tag at its longest,
    // or a line's indentation.
    qint64 longestRun() const { return qMax<qint64>(longestStretch, deepest + 1); }
    // How deeply its elements nest.
    int deepestNesting() const { return deepest; }
    // Whether the reader would find a "Document" element in the text so far.
    bool holdsDocument() const { return documentSeen; }

    // Why a text over the budget cannot be read, for the user; empty within
    // it. Counting past the limit, it names the kind of object that weighs
    // most, how many the model has and how many a file may hold beside the rest.
    QString describeExcess() const;

    // The objects of a kind, counted as a user counts them.
    qint64 count(const XmlForm::Element& kind) const;

private:
    typedef BudgetLayout::Text Value;

    // Reads the text of one value, a piece at a time, for how much longer
    // the writer may make it.
    class ValueText
    {
    public:
        explicit ValueText(Value kind = Value::None, int longest = 0) : kind(kind), longest(longest) {}
        // Each value's text is taken to its end, which leaves nothing behind;
        // `longest` is how long a Fixed value is written at most.
        void begin(Value kind, int longest)
        {
            this->kind = kind;
            this->longest = longest;
            partBeginsValue = true;
        }
        // The rest of a value that an element or comment broke off.
        void resume(Value kind, int longest)
        {
            *this = ValueText(kind, longest);
            partBeginsValue = false;
        }
        void take(const char* p, const char* end)
        {
            bytes += end - p;
            // A fixed value is written as at most its longest, however it reads.
            if (kind != Value::Fixed)
                takeParts(p, end);
        }
        // What the writer may add to the text taken since the last call;
        // `endsValue` when the element's end follows, so that the last part
        // of the text is whole, `blank` when the text was all white space.
        qint64 growth(bool endsValue, bool blank = false);
        qint64 size() const { return bytes; }

    private:
        enum Number : quint8 { Lead, Sign, Whole, Fraction, Trail, NoNumber };
        enum CharacterReference : quint8 { Named, Decimal, Hexadecimal };
        void takeParts(const char* p, const char* end);
        // A byte of the character reference or entity begun by '&'; at its
        // ';', the character the reader reads for it (any past ASCII as
        // 0x80), else -1.
        Q_DECL_COLD_FUNCTION int takeCharacterReference(char c);
        qint64 endPart(bool whole);

        Value kind;
        int longest;
        // A part begins at the start of the element's text or after a comma.
        bool partBeginsValue = true;
        qint64 bytes = 0;
        qint64 partBytes = 0;
        qint64 added = 0;
        int escaped = 0;
        // Whether a character reference stands for a character that the
        // writer escapes, marking the whole text as escaped.
        bool entity = false;
        // The character reference or entity being read: its bytes from its
        // '&' (none outside one), its kind and its code so far (an entity's
        // first letter).
        int characterBytes = 0;
        CharacterReference referenceKind = Named;
        quint32 characterCode = 0;
        bool anyDigit = false;
        bool anyMark = false;
        bool colour = false;
        Number number = Lead;
        int significant = 0;
        int wholeDigits = 0;
        int fractionDigits = 0;
        int zerosAfterPoint = 0;
        quint64 digits = 0;
    };

    enum State : quint8 { Text, TagOpen, StartName, EndName, InTag, InQuote, Bang, Comment, CData, Instruction };

    void exceed(Limit limit);
    void addStretch(const char* bytes, qint64 length);
    // At '<' or '>': the run so far must not have passed the limit. A run
    // of text that is blank is indentation, which the writer makes anew.
    void endRun(bool text = false);
    // A stretch of text or of a tag between marks of markup.
    void takeStretch(qint64 length, bool blank);
    void addSaved(qint64 bytes);
    // A stretch of the text written again, at its longest.
    void growStretch(qint64 length);
    // An object begun at `start` in the saved text and ended at depth: never
    // less than what the writer writes of it.
    void foresee(const BudgetLayout::Context& object, int depth, qint64 start);
    void takeNameCharacter(char c);
    // A name without a prefix, whole.
    void takeLocalName(const char* bytes, qint64 length);
    // What the element whose name was read is where it stands.
    quint16 entryOfName() const;
    // The element whose start tag ends here: what it costs, and whether its
    // children follow (false for an empty element).
    void startElement(quint16 entry, bool hasChildren);
    void endElement();
    // How the text ended an element: after elements, on a line of its own
    // as the writer ends one it writes elements into, or after its start
    // tag or text ("<X></X>"), or with its start tag ("<X/>").
    enum class Closed : quint8 { OnItsOwnLine, AfterText, Empty };
    // What the writer adds to an element of the context that the text left
    // its fields out of, those it held as `read`, its end tag's line
    // included; the element stands at elementDepth in the text and at
    // writtenDepth written again.
    void addLeftOut(quint16 context, quint64 read, int elementDepth, int writtenDepth,
                    const BudgetLayout::Entry& entry, bool led, Closed closed);
    Q_DECL_COLD_FUNCTION void addLeftOutFields(const BudgetLayout::Context& context, quint64 read, int elementDepth,
                                               int writtenDepth, const BudgetLayout::Entry& entry, bool led,
                                               Closed closed);
    // The tag that begins at p, after its '<', when it ends before `end` and
    // holds no run near the limit; returns where reading goes on, p when the
    // tag is left to the state machine.
    const char* takeWholeTag(const char* p, const char* end);
    void takeBang(char c);
    // The text of the open value has come to p, a '<'.
    void endValueText(const char* p, const char* end, bool blank);
    // An attribute of the element, its name between `tag` and the quote, its
    // value between two quotes; what it may grow by, written again.
    qint64 takeAttribute(const BudgetLayout::Context& element, const char* tag, const char* quote,
                         const char* close);

    const BudgetLayout::Layout& layout;
    // As they were when the budget was made.
    const FileLimits limits;
    char name[BudgetLayout::longestName];
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
    // Quoted values in the start tag read so far.
    int attributes = 0;
    // Whether the text since the last tag is all white space.
    bool blankText = true;
    // Where the reader stands in each open element, what the element is,
    // and the kind of object it belongs to.
    quint16 contexts[ReadingBudget::maximumDepth + 1];
    quint16 entries[ReadingBudget::maximumDepth + 1];
    qint8 owners[ReadingBudget::maximumDepth + 1];
    // Whether each open element holds elements, and so ends on a line of its own.
    bool holdsElements[ReadingBudget::maximumDepth + 1];
    // Where each open object began in the saved text; -1 for other elements.
    qint64 objectStarts[ReadingBudget::maximumDepth + 1];
    // The last stretch that went into the saved text.
    qint64 lastStretch = 0;
    qint64 run = 0;
    // What the stretch held before the last '>' that ended its run.
    qint64 ended = 0;
    qint64 total = 0;
    // Characters past the free ones that make less than a unit yet.
    qint64 characters = 0;
    qint64 saved = 0;
    qint64 most = 0;
    // How each open element's text is written, and the one being read.
    Value values[ReadingBudget::maximumDepth + 1];
    ValueText valueText;
    // Whether no markup came between the open value's start tag and its text.
    bool valueFresh = false;
    // The fields of each open element that its text held, as bits, and
    // those of the start tag being read.
    quint64 fieldsRead[ReadingBudget::maximumDepth + 1];
    quint64 attributesRead = 0;
    // How deep each open element, or the nearest that is written, stands
    // once written again, and how long its value can be written.
    qint16 writtenDepths[ReadingBudget::maximumDepth + 1];
    qint64 valueRuns[ReadingBudget::maximumDepth + 1];
    // Whether the last element in each open element leads the next one, and
    // whether each open element came after the field that leads it.
    bool leading[ReadingBudget::maximumDepth + 1];
    bool led[ReadingBudget::maximumDepth + 1];
    // A document read as the root is written one level deeper.
    int lineShift = 0;
    // Bytes of a quoted value that the state machine reads, and what the
    // start tag being read may grow by.
    qint64 quoted = 0;
    qint64 tagGrowth = 0;
    // What the fields the writer adds cost, the characters past the free ones
    // of the stretches written again, the longest of those and the deepest
    // an element stands.
    qint64 added = 0;
    qint64 grownCharacters = 0;
    qint64 longestStretch = 0;
    int deepest = 0;
    std::vector<qint64> counts;
    std::vector<qint64> costs;
    bool documentSeen = false;
    bool countPastTheCostLimit = false;
    bool bounding = false;
    Limit exceeded = Limit::None;
};
