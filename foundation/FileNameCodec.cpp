#include "FileNameCodec.h"

#include <QVector>

namespace {

constexpr ushort escapeBase = 0xDC00;
constexpr int utf8Mib = 106;
// Not a registered character set: no one asks for this codec by number.
constexpr int privateMib = 2999;

// The length of the UTF-8 sequence at b, of which `available` bytes are at
// hand: 1 to 4 when it is valid (no overlong forms, no surrogates, nothing
// above U+10FFFF), 0 when it is not or is cut short.
int sequenceLength(const uchar* b, int available)
{
    const uchar lead = b[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if (k >= available)
            return 0;
        if (b[k] < (k == 1 ? low : 0x80) || b[k] > (k == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

void appendCodePoint(QString& out, const uchar* b, int length)
{
    static const uchar leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    uint code = b[0] & leadMask[length];
    for (int k = 1; k < length; ++k)
        code = (code << 6) | (b[k] & 0x3F);
    if (QChar::requiresSurrogates(code)) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(ushort(code));
    }
}

void appendUtf8(QByteArray& out, uint code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

} // namespace

void FileNameCodec::installForLocale()
{
    static FileNameCodec* const codec = new FileNameCodec; // Qt keeps every codec until it ends
    QTextCodec* locale = QTextCodec::codecForLocale();
    if (locale && locale != codec && locale->mibEnum() == utf8Mib)
        QTextCodec::setCodecForLocale(codec);
}

QByteArray FileNameCodec::name() const
{
    return QByteArrayLiteral("UTF-8 with escaped bytes");
}

int FileNameCodec::mibEnum() const
{
    return privateMib;
}

// Every piece is decoded whole: a piece that ends inside a sequence gives
// its bytes as escapes, which come back as the same bytes. Qt's directory
// listing drops a name whose decoding leaves bytes over, so none are kept.
QString FileNameCodec::convertToUnicode(const char* in, int length, ConverterState*) const
{
    const uchar* bytes = reinterpret_cast<const uchar*>(in);
    QString out;
    out.reserve(length);
    for (int i = 0; i < length;) {
        const int sequence = sequenceLength(bytes + i, length - i);
        if (sequence <= 0) {
            out += QChar(ushort(escapeBase + bytes[i]));
            ++i;
            continue;
        }
        appendCodePoint(out, bytes + i, sequence);
        i += sequence;
    }
    return out;
}

QByteArray FileNameCodec::convertFromUnicode(const QChar* in, int length, ConverterState* state) const
{
    // A high surrogate that ended the previous piece of a stream.
    QVector<QChar> joined;
    if (state && state->remainingChars > 0) {
        joined << QChar(ushort(state->state_data[0]));
        for (int k = 0; k < length; ++k)
            joined << in[k];
        in = joined.constData();
        length = joined.size();
        state->remainingChars = 0;
    }
    QByteArray out;
    out.reserve(length * 3);
    for (int i = 0; i < length; ++i) {
        const ushort u = in[i].unicode();
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 < length && in[i + 1].isLowSurrogate()) {
                appendUtf8(out, QChar::surrogateToUcs4(u, in[i + 1].unicode()));
                ++i;
            } else if (i + 1 == length && state) {
                state->remainingChars = 1;
                state->state_data[0] = u;
            } else {
                out += '?';
                if (state)
                    ++state->invalidChars;
            }
        } else if (QChar::isLowSurrogate(u)) {
            if (u >= escapeBase + 0x80 && u <= escapeBase + 0xFF) {
                out += char(u - escapeBase);
            } else {
                out += '?';
                if (state)
                    ++state->invalidChars;
            }
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}
