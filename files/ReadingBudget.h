#pragma once

#include <QByteArray>
#include <QtGlobal>

// What one model file may build: far above any real model, far below what
// fills the machine. A file over it is refused as damaged, and refused early,
// while it is read, before the objects it asks for exist.
namespace ReadingBudget {

// Model objects of one file together: nodes, members, loads, supports,
// section types, axes, load cases, groups, reports and view points. A
// model of a million nodes with their members and loads stays well inside.
constexpr int maximumObjects = 4000000;

// The longest stretch of a model text without markup ('<' or '>'): no name,
// note or number comes near it, and a longer one is padding, not a model.
constexpr int maximumTextRun = 4 << 20;

// A transfer text builds about fifty times its size in memory, so it may be
// far shorter than a model text; a million nodes still fit.
constexpr qint64 maximumTransferTextSize = qint64(64) << 20;

} // namespace ReadingBudget

// Follows an XML model text piece by piece, as it is inflated or before it
// is parsed, counting the elements that become model objects and the
// stretches without markup. Element names are compared without regard to
// case, as the reader does; markup inside comments is counted too, which
// only errs on the safe side.
class XmlTextBudget
{
public:
    // False once the text so far is over the budget; it stays so.
    bool take(const char* bytes, qint64 size);
    bool take(const QByteArray& bytes) { return take(bytes.constData(), bytes.size()); }
    bool isExceeded() const { return exceeded; }
    qint64 objectCount() const { return objects; }

private:
    void endName();
    void addStretch(const char* bytes, qint64 length);
    void takeNameCharacter(char c);

    static constexpr int longestName = 13;
    char name[longestName];
    // Letters of the element name being read after '<'; -1 outside a name,
    // and past longestName for a name that is none of ours.
    int nameLength = -1;
    qint64 run = 0;
    qint64 objects = 0;
    bool exceeded = false;
};
