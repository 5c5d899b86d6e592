#pragma once

#include <QByteArray>
#include <QString>

// Reads a transfer text held in memory with the conversions of C formatted
// input ("%d", "%e", "%c", "%[^\"]", "%s") as the C locale defines them,
// whatever locale the program runs in. Unlike C input it never overflows a
// buffer and refuses integers outside 32 bits instead of misreading them.
class TransferScanner
{
public:
    explicit TransferScanner(const QByteArray& text);

    // Set once a read has tried to go past the last byte, like feof.
    bool endOfFile() const { return eofSeen; }
    int position() const { return pos; }

    // The next byte (0 to 255) consumed, or -1 at the end.
    int getByte();
    // Consumes the next byte only when it is `c`.
    bool match(char c);
    // A blank in a scan format: any amount of white space, line ends included.
    void skipWhiteSpace();
    // Up to and including the next control character, or to the end.
    void skipLine();

    // "%d": white space, then a signed decimal integer that fits in 32 bits.
    bool scanInt(int* value);
    // "%e": white space, then a number in single precision (inf and nan too).
    bool scanFloat(float* value);
    // "%c": the next byte, white space included.
    bool scanChar(char* value);
    // "%<width>[^<stop>]": 1 to `width` bytes up to `stop`, nothing skipped first.
    bool scanUntil(char stop, int width, QByteArray* value);
    // "%<width>s": white space, then 1 to `width` bytes up to the next white space.
    bool scanWord(int width, QByteArray* value);

    static bool isControl(int c) { return (c >= 0 && c < 0x20) || c == 0x7F; }
    static bool isWhiteSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    // The byte at the read position without consuming it, or -1 at the end.
    int peek();
    int peekAt(int offset) const;
    // 1 to `width` bytes up to the first for which `stop` holds.
    bool take(int width, bool (*stop)(int c, char stopByte), char stopByte, QByteArray* value);

    QByteArray data;
    int pos = 0;
    bool eofSeen = false;
};
