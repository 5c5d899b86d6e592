#include "ReadingBudget.h"

#include <cstring>

namespace {

// The elements that become objects when read: every model object, the
// cross-sections and materials inside section types, the blocks and items
// of reports, and stored view points.
struct ElementName
{
    const char* text;
    int length;
};
#define ELEMENT(name) {name, int(sizeof(name)) - 1}
const ElementName objectElements[] = {
    ELEMENT("block"),       ELEMENT("combination"), ELEMENT("crosssection"), ELEMENT("geometrygroup"),
    ELEMENT("gravitycase"), ELEMENT("item"),        ELEMENT("loadaxis"),     ELEMENT("loadcase"),
    ELEMENT("material"),    ELEMENT("member"),      ELEMENT("memberaxis"),   ELEMENT("node"),
    ELEMENT("pointload"),   ELEMENT("report"),      ELEMENT("sectiontype"),  ELEMENT("support"),
    ELEMENT("swaycase"),    ELEMENT("torqueload"),  ELEMENT("trapezoidload"), ELEMENT("viewpoint"),
};
#undef ELEMENT

bool isNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '/' || c == '>';
}

} // namespace

void XmlTextBudget::endName()
{
    if (nameLength > 0 && nameLength <= longestName) {
        for (const ElementName& element : objectElements) {
            if (element.length == nameLength && std::memcmp(element.text, name, size_t(nameLength)) == 0) {
                if (++objects > ReadingBudget::maximumObjects)
                    exceeded = true;
                break;
            }
        }
    }
    nameLength = -1;
}

// Outside element names only '<' and '>' matter, so the text is crossed
// with memchr from one '<' to the next.
bool XmlTextBudget::take(const char* bytes, qint64 size)
{
    qint64 i = 0;
    while (i < size && !exceeded) {
        if (nameLength >= 0) {
            takeNameCharacter(bytes[i++]);
            continue;
        }
        const char* open = static_cast<const char*>(std::memchr(bytes + i, '<', size_t(size - i)));
        const qint64 end = open ? open - bytes : size;
        addStretch(bytes + i, end - i);
        if (!open)
            break;
        run = 0;
        nameLength = 0;
        i = end + 1;
    }
    return !exceeded;
}

void XmlTextBudget::addStretch(const char* bytes, qint64 length)
{
    // Only a stretch that could pass the limit is searched for a '>' that ends the run.
    while (run + length > ReadingBudget::maximumTextRun) {
        const char* close = static_cast<const char*>(std::memchr(bytes, '>', size_t(length)));
        if (!close || run + (close - bytes) > ReadingBudget::maximumTextRun) {
            exceeded = true;
            return;
        }
        const qint64 skipped = close - bytes + 1;
        bytes += skipped;
        length -= skipped;
        run = 0;
    }
    run += length;
}

void XmlTextBudget::takeNameCharacter(char c)
{
    if (isNameEnd(c) || c == '<') {
        endName();
        if (c == '<')
            nameLength = 0;
        run = c == '<' || c == '>' ? 0 : run + 1;
        return;
    }
    if (++run > ReadingBudget::maximumTextRun) {
        exceeded = true;
        return;
    }
    const char lower = char(c | 0x20);
    if (nameLength < longestName && lower >= 'a' && lower <= 'z')
        name[nameLength++] = lower;
    else
        nameLength = longestName + 1; // a character no name of ours has, or a name too long
}
