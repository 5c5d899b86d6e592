#include "ReadingBudget.h"

#include "FileUtilities.h"
#include "XmlForm.h"

#include <QCoreApplication>

#include <cstring>

namespace {

using BudgetLayout::longestName;

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

// Each byte of a text the reader takes whole, unread by the budget: what the
// writer may make of it, a number from each and six bytes for each
// character, and the start of a part.
qint64 unread(qint64 bytes)
{
    static const int number = XmlForm::longest(XmlForm::Value::Number);
    return (number + 5) * bytes + number + 20;
}

} // namespace

XmlTextBudget::XmlTextBudget(bool countPastTheCostLimit)
    : layout(BudgetLayout::layout()), limits(FileLimits::current()), countPastTheCostLimit(countPastTheCostLimit)
{
    contexts[0] = layout.top;
    entries[0] = 0;
    owners[0] = 0;
    holdsElements[0] = false;
    objectStarts[0] = -1;
    values[0] = Value::None;
    fieldsRead[0] = 0;
    // The root that the writer writes around the document.
    writtenDepths[0] = 0;
    valueRuns[0] = 0;
    leading[0] = led[0] = false;
    counts.assign(layout.kinds.size(), 0);
    costs.assign(layout.kinds.size(), 0);
}

void XmlTextBudget::exceed(Limit limit)
{
    // Counting on past the cost, what stops the count says more than the cost so far.
    if (exceeded == Limit::None || exceeded == Limit::Cost)
        exceeded = limit;
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

inline quint16 XmlTextBudget::entryOfName() const
{
    return layout.entryOf(contexts[depth], nameLength <= longestName ? layout.nameId(name, nameLength) : -1);
}

inline void XmlTextBudget::addSaved(qint64 bytes)
{
    saved += bytes;
    most += bytes;
    if (saved > limits.modelTextSize)
        exceed(Limit::SavedSize);
}

inline void XmlTextBudget::growStretch(qint64 length)
{
    longestStretch = qMax(longestStretch, length);
    if (length > ReadingBudget::freeCharacters)
        grownCharacters += length - ReadingBudget::freeCharacters;
}

inline void XmlTextBudget::addLeftOut(quint16 contextId, quint64 read, int elementDepth, int writtenDepth,
                                      const BudgetLayout::Entry& entry, bool led, Closed closed)
{
    // Most elements have every field they always have.
    const BudgetLayout::Context& context = layout.contexts[contextId];
    if ((context.always & ~read) == 0 && context.followers.empty() && (entry.leader < 0 || led))
        return;
    addLeftOutFields(context, read, elementDepth, writtenDepth, entry, led, closed);
}

void XmlTextBudget::addLeftOutFields(const BudgetLayout::Context& context, quint64 read, int elementDepth,
                                     int writtenDepth, const BudgetLayout::Entry& entry, bool led, Closed closed)
{
    // Its fields stand a level deeper than the element, a document read as the root one more.
    const int fieldDepth = elementDepth + 1 + lineShift;
    quint64 missing = context.always & ~read;
    for (const auto& follower : context.followers)
        if ((read >> follower.first & 1) && !(read >> follower.second & 1))
            missing |= quint64(1) << follower.second;
    bool addsElements = false;
    for (; missing; missing &= missing - 1) {
        const BudgetLayout::LeftOut& field = context.leftOut[size_t(qCountTrailingZeroBits(missing))];
        most += field.most.at(fieldDepth);
        added += field.cost;
        deepest = qMax(deepest, writtenDepth + field.nesting);
        addsElements = addsElements || field.most.lines > 0;
    }
    // An element that it writes elements into the writer ends on a line of
    // its own, which the text gave one it ended without any.
    if (addsElements && closed != Closed::OnItsOwnLine)
        most += 1 + elementDepth + lineShift + (closed == Closed::Empty ? entry.endTag - 1 : 0);
    if (entry.leader >= 0 && !led) {
        const BudgetLayout::LeftOut& leader = layout.leaders[size_t(entry.leader)];
        most += leader.most.at(fieldDepth - 1);
        added += leader.cost;
    }
}

inline void XmlTextBudget::startElement(quint16 entryId, bool hasChildren)
{
    const BudgetLayout::Entry& entry = layout.entries[entryId];
    if (entry.document) {
        documentSeen = true;
        if (depth == 0)
            lineShift = 1;
    }
    // What an object holds weighs with it.
    const bool isObject = entry.kind >= 0;
    const qint8 owner = isObject ? entry.kind : owners[depth];
    if (isObject)
        ++counts[size_t(owner)];
    int cost = entry.cost;
    if (attributes > ReadingBudget::maximumAttributes)
        exceed(Limit::Attributes);
    if (attributes > 2)
        cost += attributes - 2; // each past two: kept while the element is read, and compared
    attributes = 0;
    costs[size_t(owner)] += cost;
    total += cost;
    if (total > limits.cost)
        exceed(Limit::Cost);
    // Written again, a start tag stands on a line of its own, indented by its depth.
    const qint64 tagStart = saved - lastStretch;
    holdsElements[depth] = true;
    addSaved(depth + 3);
    most += lineShift;
    blankText = true;
    const Value value = bounding ? entry.text : Value::None;
    const bool afterLeader = leading[depth];
    leading[depth] = entry.leads;
    qint16 writtenDepth = writtenDepths[depth];
    if (bounding && entry.written) {
        if (entry.bit != BudgetLayout::noBit)
            fieldsRead[depth] |= quint64(1) << entry.bit;
        ++writtenDepth;
        deepest = qMax(deepest, int(writtenDepth));
        // Its start and end tags' indentation.
        if (writtenDepth + 1 > ReadingBudget::freeCharacters)
            grownCharacters += 2 * (writtenDepth + 1 - ReadingBudget::freeCharacters);
    }
    if (!hasChildren) {
        if (value != Value::None) {
            most += entry.emptyMost;
            growStretch(entry.emptyMost);
        }
        if (bounding && entry.written)
            addLeftOut(entry.context, attributesRead, depth, writtenDepth, entry, afterLeader, Closed::Empty);
        if (isObject && entry.standalone)
            foresee(layout.contexts[entry.context], depth, tagStart);
        return;
    }
    if (depth == ReadingBudget::maximumDepth) {
        exceed(Limit::Depth);
        return;
    }
    ++depth;
    contexts[depth] = entry.context;
    entries[depth] = entryId;
    owners[depth] = owner;
    holdsElements[depth] = false;
    objectStarts[depth] = isObject && entry.standalone ? tagStart : -1;
    values[depth] = value;
    fieldsRead[depth] = attributesRead;
    writtenDepths[depth] = writtenDepth;
    valueRuns[depth] = 0;
    leading[depth] = false;
    led[depth] = afterLeader;
    if (value != Value::None) {
        valueText.begin(value, entry.longest);
        valueFresh = true;
    }
}

void XmlTextBudget::endElement()
{
    // Only after elements does an end tag begin a line of its own.
    const bool onItsOwnLine = depth > 0 && holdsElements[depth];
    const qint64 objectStart = depth > 0 ? objectStarts[depth] : -1;
    const int closed = depth;
    if (depth > 0)
        --depth;
    addSaved(onItsOwnLine ? depth + 3 : 2);
    if (onItsOwnLine)
        most += lineShift;
    if (closed > 0 && bounding) {
        const BudgetLayout::Entry& entry = layout.entries[entries[closed]];
        // A value written in a form of its own whose text was blank (a
        // reference to an object without an id) is written at its longest.
        if (values[closed] == Value::Fixed && valueRuns[closed] == 0) {
            most += entry.longest;
            valueRuns[closed] = entry.longest;
        }
        if (values[closed] != Value::None)
            growStretch(valueRuns[closed]);
        if (entry.written)
            addLeftOut(contexts[closed], fieldsRead[closed], depth, writtenDepths[closed], entry, led[closed],
                       onItsOwnLine ? Closed::OnItsOwnLine : Closed::AfterText);
    }
    if (objectStart >= 0)
        foresee(layout.contexts[contexts[closed]], depth, objectStart);
    blankText = true;
    // What the parent holds after this element goes on a part of its text.
    if (values[depth] != Value::None)
        valueText.resume(values[depth], layout.entries[entries[depth]].longest);
}

void XmlTextBudget::foresee(const BudgetLayout::Context& object, int depth, qint64 start)
{
    // The least the writer writes of an object that a model file holds on
    // its own, whatever the file left out: its fields on lines of their own,
    // and a reference of five digits at least (no address is shorter).
    const qint64 least = object.least.at(depth);
    if (saved - start < least) {
        // The least is no more than the most already counted.
        saved += least - (saved - start);
        if (saved > limits.modelTextSize)
            exceed(Limit::SavedSize);
    }
}

inline void XmlTextBudget::endValueText(const char* p, const char* end, bool blank)
{
    const bool endsValue = valueFresh && p + 1 < end && p[1] == '/';
    const qint64 size = valueText.size();
    const bool reference = values[depth] == Value::Fixed;
    // Blank text is no indentation in a value: the writer writes it again,
    // except around a reference.
    if (blank && !reference)
        most += size;
    const qint64 growth = valueText.growth(endsValue, blank);
    most += growth;
    valueRuns[depth] += (blank && reference ? 0 : size) + growth;
    valueFresh = false;
}

qint64 XmlTextBudget::takeAttribute(const BudgetLayout::Context& element, const char* tag, const char* quote,
                                    const char* close)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const char* nameEnd = quote;
    while (nameEnd > tag && isSpace(nameEnd[-1]))
        --nameEnd;
    if (nameEnd > tag && nameEnd[-1] == '=')
        --nameEnd;
    while (nameEnd > tag && isSpace(nameEnd[-1]))
        --nameEnd;
    const char* name = nameEnd;
    while (name > tag && !isSpace(name[-1]))
        --name;
    // The reader asks for each attribute by its exact name; the writer writes no other.
    for (const BudgetLayout::Attribute& attribute : element.attributes) {
        if (attribute.length != nameEnd - name || name == tag
            || std::memcmp(name, attribute.name, size_t(attribute.length)) != 0)
            continue;
        if (attribute.bit != BudgetLayout::noBit)
            attributesRead |= quint64(1) << attribute.bit;
        const qint64 length = close - quote - 1;
        if (attribute.text == Value::Fixed)
            return qMax<qint64>(0, attribute.longest - length);
        ValueText text;
        text.begin(attribute.text, attribute.longest);
        text.take(quote + 1, close);
        return text.growth(true);
    }
    return 0;
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
            attributesRead = 0;
            tagGrowth = 0;
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
                if (++run > limits.textRun)
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
                    const qint64 tag = ended + run;
                    endRun();
                    const quint16 entry = entryOfName();
                    if (bounding && layout.entries[entry].written)
                        growStretch(tag + tagGrowth + layout.contexts[layout.entries[entry].context].attributesMost);
                    startElement(entry, closing == 0);
                    state = Text;
                    break;
                }
                if (c == '<') {
                    endRun();
                    continue;
                }
                if (++run > limits.textRun)
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
                most += unread(quoted);
                tagGrowth += unread(quoted);
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
            if (state == CData) {
                most += unread(ended + run + 1);
                if (bounding && values[depth] != Value::None)
                    valueRuns[depth] += unread(ended + run + 1);
            }
            endRun();
            if (before == marks)
                state = Text;
            break;
        }
        }
        if (run > limits.textRun)
            exceed(Limit::TextRun);
    }
    return !isExceeded();
}

const char* XmlTextBudget::takeWholeTag(const char* p, const char* end)
{
    const char* q = p;
    if (q < end && *q == '/') {
        const char* close = find(q, end, '>');
        if (!close || close - q >= limits.textRun)
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
    const quint16 entry = entryOfName();
    const BudgetLayout::Entry& element = layout.entries[entry];
    attributes = 0;
    attributesRead = 0;
    qint64 growth = 0;
    bool slash = false;
    while (q < end && q - p < limits.textRun) {
        const char c = *q++;
        if (c == '>') {
            takeStretch(q - 1 - p, false);
            if (bounding && element.written) {
                most += growth;
                growStretch(q - 1 - p + growth + layout.contexts[element.context].attributesMost);
            }
            startElement(entry, !slash);
            state = Text;
            return q;
        }
        if (c == '"' || c == '\'') {
            const char* close = find(q, end, c);
            if (!close)
                break;
            if (bounding)
                growth += takeAttribute(layout.contexts[element.context], p, q - 1, close);
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
    if (run > limits.textRun)
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
    if (total > limits.cost)
        exceed(Limit::Cost);
}

void XmlTextBudget::addStretch(const char* bytes, qint64 length)
{
    // A '>' ends a run but not the stretch, which weighs whole. Only a
    // stretch that could pass the limit is searched for every '>' in it;
    // of any other the last one tells where the run goes on from.
    while (run + length > limits.textRun) {
        const char* close = static_cast<const char*>(std::memchr(bytes, '>', size_t(length)));
        if (!close || run + (close - bytes) > limits.textRun) {
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

qint64 ReadingBudget::longestRunOf(const QByteArray& text)
{
    qint64 longest = 0;
    qint64 run = 0;
    for (const char c : text) {
        run = c == '<' || c == '>' ? 0 : run + 1;
        longest = qMax(longest, run);
    }
    return longest;
}

QString ReadingBudget::savedTextTooLong()
{
    return QCoreApplication::translate("XmlTextBudget",
                                       "written out, its text would pass the %L1 MB that a model file may hold")
        .arg(inMegabytes(FileLimits::current().modelTextSize));
}

QString XmlTextBudget::describeExcess() const
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("XmlTextBudget", text); };
    switch (exceeded) {
    case Limit::None:
        return QString();
    case Limit::Cost:
        break;
    case Limit::TextRun:
        return tr("it holds a text of more than %L1 MB without a break").arg(inMegabytes(limits.textRun));
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
    size_t heaviest = 0;
    for (size_t kind = 1; kind < costs.size(); ++kind)
        if (costs[kind] > costs[heaviest])
            heaviest = kind;
    const qint64 count = counts[heaviest];
    const qint64 rest = total - costs[heaviest];
    const BudgetLayout::Kind& name = layout.kinds[heaviest];
    // The number of objects of the kind that fit beside the rest, each
    // weighing what the model's own weigh on average; a model text is too
    // short for the product to overflow.
    const qint64 fitting =
        count > 0 && rest < limits.cost ? (limits.cost - rest) * count / costs[heaviest] : 0;
    if (count == 1)
        return tr("its %1 alone is more than a model file may hold").arg(QLatin1String(name.one));
    if (fitting == 0)
        return tr("its %1 are more than a model file may hold").arg(QLatin1String(name.several));
    return tr("it has %L1 %2, more than the %L3 that a model file may hold beside its other objects")
        .arg(count)
        .arg(QLatin1String(name.several))
        .arg(fitting);
}

qint64 XmlTextBudget::count(const XmlForm::Element& kind) const
{
    const int at = kind.several ? BudgetLayout::kindOf(kind.several) : -1;
    return at < 0 ? 0 : counts[size_t(at)];
}
