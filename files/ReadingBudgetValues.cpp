#include "ReadingBudget.h"

#include "XmlForm.h"

namespace {

// How long the writer writes each kind of value at most.
const int longestNumber = XmlForm::longest(XmlForm::Value::Number);
const int longestFlag = XmlForm::longest(XmlForm::Value::Flag);
const int longestColour = XmlForm::longest(XmlForm::Value::Colour);

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
        longest = longestColour; // a name, a flag or a colour
    else if (kind == Value::Plain && whole && partBeginsValue && writtenAsRead())
        longest = longestFlag; // "0" or "1" may be a flag
    else
        longest = longestNumber;
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
    if (kind == Value::Fixed) {
        // Blank, it is no reference; around other elements, it is the
        // indentation of an axis.
        total = blank ? 0 : qMax<qint64>(0, longest - bytes);
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
