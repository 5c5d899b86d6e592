#include "TransferScanner.h"

#include <cstdlib>
#include <limits>
#include <locale.h>

namespace {

// Numbers in a transfer text always use the C locale's decimal point, while
// the program itself runs in the user's locale.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

} // namespace

TransferScanner::TransferScanner(const QByteArray& text)
    : data(text)
{
}

int TransferScanner::peek()
{
    if (pos >= data.size()) {
        eofSeen = true;
        return -1;
    }
    return static_cast<unsigned char>(data.at(pos));
}

int TransferScanner::peekAt(int offset) const
{
    const qint64 at = qint64(pos) + offset;
    return at < data.size() ? static_cast<unsigned char>(data.at(int(at))) : -1;
}

int TransferScanner::getByte()
{
    const int c = peek();
    if (c >= 0)
        ++pos;
    return c;
}

bool TransferScanner::match(char c)
{
    if (peek() != static_cast<unsigned char>(c))
        return false;
    ++pos;
    return true;
}

void TransferScanner::skipWhiteSpace()
{
    while (isWhiteSpace(peek()))
        ++pos;
}

void TransferScanner::skipLine()
{
    int c;
    do
        c = getByte();
    while (c >= 0 && !isControl(c));
}

bool TransferScanner::scanInt(int* value)
{
    skipWhiteSpace();
    int offset = 0;
    const int sign = peekAt(0);
    if (sign == '+' || sign == '-')
        offset = 1;
    qint64 magnitude = 0;
    bool inRange = true;
    int digits = 0;
    for (int c = peekAt(offset); c >= '0' && c <= '9'; c = peekAt(offset)) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > qint64(std::numeric_limits<int>::max()) + 1) {
            inRange = false;
            magnitude = qint64(std::numeric_limits<int>::max()) + 2;
        }
        ++digits;
        ++offset;
    }
    if (digits == 0)
        return false;
    pos += offset;
    peek(); // a number that ends the text leaves the end-of-file mark, as C input does
    const qint64 signedValue = sign == '-' ? -magnitude : magnitude;
    if (!inRange || signedValue > std::numeric_limits<int>::max()
        || signedValue < std::numeric_limits<int>::min())
        return false;
    *value = int(signedValue);
    return true;
}

bool TransferScanner::scanFloat(float* value)
{
    skipWhiteSpace();
    if (pos >= data.size())
        return false;
    // The array keeps a terminating NUL after its bytes, so strtof stops there.
    const char* start = data.constData() + pos;
    char* end = nullptr;
    const float converted = strtof_l(start, &end, cLocale());
    if (end == start)
        return false;
    pos += int(end - start);
    peek();
    *value = converted;
    return true;
}

bool TransferScanner::scanChar(char* value)
{
    const int c = getByte();
    if (c < 0)
        return false;
    *value = char(c);
    return true;
}

bool TransferScanner::take(int width, bool (*stop)(int c, char stopByte), char stopByte, QByteArray* value)
{
    int length = 0;
    while (length < width) {
        const int c = peekAt(length);
        if (c < 0) {
            eofSeen = true;
            break;
        }
        if (stop(c, stopByte))
            break;
        ++length;
    }
    if (length == 0)
        return false;
    *value = data.mid(pos, length);
    pos += length;
    return true;
}

bool TransferScanner::scanUntil(char stop, int width, QByteArray* value)
{
    return take(width, [](int c, char s) { return c == static_cast<unsigned char>(s); }, stop, value);
}

bool TransferScanner::scanWord(int width, QByteArray* value)
{
    skipWhiteSpace();
    return take(width, [](int c, char) { return isWhiteSpace(c); }, 0, value);
}
