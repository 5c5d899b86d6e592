#include "TransferReader.h"

#include "TransferScanner.h"

#include "Combination.h"
#include "DocumentModel.h"
#include "StructureCommands.h"
#include "CrossSection.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "GroupLibrary.h"
#include "Libraries.h"
#include "LoadAxis.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "SectionType.h"
#include "Support.h"
#include "SwayCase.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include "CurrentState.h"
#include "DocumentXml.h"
#include "FileUtilities.h"
#include "SuperLoadCase.h"
#include "ViewPoint.h"
#include "XmlForm.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextCodec>

#include <cmath>
#include <cstring>
#include <functional>
#include <new>

const QString TransferReader::cannotOpenMessage = QStringLiteral("The file cannot be opened.");
const QString TransferReader::refusedMessage = QStringLiteral(
    "The file appears to be either corrupt or not compatible with this version. It cannot be loaded.");

namespace {

// Longest text between quotes; a longer one is cut and its rest read as the next field.
constexpr int textWidth = 254;
constexpr int maximumListCount = 7;
constexpr int maximumLoadingCount = 255;

// "%e" as every number field takes it: C input also reads nan, inf and
// values too large for single precision (as inf), none of which is a model's
// number, so they refuse the field like a missing number.
bool scanNumber(TransferScanner& in, float* value)
{
    return in.scanFloat(value) && std::isfinite(*value);
}

// One reading of a transfer text: the objects made so far, by record name.
class TransferReading
{
public:
    explicit TransferReading(const QByteArray& text) : in(text) {}

    bool readAll(TransferImport* result);

private:
    bool readRecord(char letter);
    bool readVersion(int number);
    bool readAxis(char letter, const QString& name);
    bool readSectionType(const QString& name);
    bool readSupport(const QString& name);
    bool readGeometryGroup(const QString& name);
    bool readNode(const QString& name);
    bool readMember(const QString& name);
    bool readGroups(const std::function<void(const GeometryGroupRef&)>& setGroup);
    bool readLoading(const QString& name);
    bool readGravityCase(const QString& name);
    // The name list and factor list that open K and W records; null when refused.
    template<class T>
    QSharedPointer<T> readNamedFactorList();
    bool readCombination(const QString& name);
    bool readSwayCase(const QString& name);
    bool readLoad(const QString& name);

    // A string list whose texts must be UTF-8; a damaged text refuses the record.
    QStringList texts();
    // " (%e %e %e)": the closing parenthesis must follow the third number at once.
    bool scanVector(float* x, float* y, float* z);
    template<class T>
    QSharedPointer<T> find(char letter, int number) const
    {
        return names.value(QString(QLatin1Char(letter)) + QString::number(number)).template objectCast<T>();
    }

    TransferScanner in;
    QMap<QString, VaroObjectRef> names;
    QList<VaroObjectRef> objects;
    QMap<QString, double> axisSigns;
    int version = 1;
    bool badText = false;
    qint64 textsRead = 0;
    qint64 charactersRead = 0;
};

QStringList TransferReading::texts()
{
    bool bad = false;
    const QStringList list = TransferReader::readStringList(in, &bad);
    badText = badText || bad;
    textsRead += list.size();
    for (const QString& text : list)
        charactersRead += text.size();
    return list;
}

bool TransferReading::scanVector(float* x, float* y, float* z)
{
    in.skipWhiteSpace();
    return in.match('(') && scanNumber(in, x) && scanNumber(in, y) && scanNumber(in, z) && in.match(')');
}

bool TransferReading::readAll(TransferImport* result)
{
    while (!in.endOfFile()) {
        const int c = in.getByte();
        if (c < 0 || TransferScanner::isControl(c))
            continue;
        if (c == '#' || c == ' ') {
            in.skipLine();
            continue;
        }
        const bool accepted = readRecord(char(c));
        in.skipLine();
        if (!accepted)
            return false;
    }
    result->objects = objects;
    result->libraryEntries.clear();
    result->made.clear();
    result->factors = 0;
    for (auto name = names.cbegin(); name != names.cend(); ++name) {
        const VaroObjectRef& object = name.value();
        if (object.objectCast<LoadCase>() || object.objectCast<GeometryGroup>())
            result->libraryEntries.append(object);
        ++result->made[name.key().at(0).toLatin1()];
        if (const SuperLoadCaseRef loadCase = object.objectCast<SuperLoadCase>())
            result->factors += loadCase->factors().size();
    }
    result->formatVersion = version;
    result->texts = textsRead;
    result->textCharacters = charactersRead;
    return true;
}

bool TransferReading::readRecord(char letter)
{
    int number = 0;
    if (!in.match(':') || !in.scanInt(&number) || number <= 0)
        return false;
    const QString name = QString(QLatin1Char(letter)) + QString::number(number);
    if (names.contains(name))
        return false;
    badText = false;
    bool accepted = true;
    switch (letter) {
    case 'A':
    case 'O': accepted = readAxis(letter, name); break;
    case 'C': accepted = readLoading(name); break;
    case 'G': accepted = readGravityCase(name); break;
    case 'K': accepted = readCombination(name); break;
    case 'L': accepted = readLoad(name); break;
    case 'M': accepted = readMember(name); break;
    case 'N': accepted = readNode(name); break;
    case 'Q': accepted = readGeometryGroup(name); break;
    case 'S': accepted = readSupport(name); break;
    case 'T': accepted = readSectionType(name); break;
    case 'V': accepted = readVersion(number); break;
    case 'W': accepted = readSwayCase(name); break;
    default: break; // a record of another kind is skipped with its line
    }
    return accepted && !badText;
}

bool TransferReading::readVersion(int number)
{
    version = number;
    return !texts().value(0).isEmpty();
}

bool TransferReading::readAxis(char letter, const QString& name)
{
    const QString axisName = texts().value(0);
    float x, y, z;
    int nodeNumber;
    char global, orthogonal;
    if (!scanVector(&x, &y, &z) || !in.scanInt(&nodeNumber))
        return false;
    in.skipWhiteSpace();
    if (!in.scanChar(&global))
        return false;
    in.skipWhiteSpace();
    if (!in.scanChar(&orthogonal))
        return false;

    Vector3 vector(x, y, z);
    double sign = 1.0;
    if (letter == 'A') {
        for (int k = 0; k < 3; ++k) {
            Vector3 negative;
            negative[k] = -1.0;
            if (vector == negative) {
                vector[k] = 1.0;
                sign = -1.0;
            }
        }
    }
    const NodeRef node = find<Node>('N', nodeNumber);
    const Axis axis = node ? Axis(Vector3(), node, true, false)
                           : Axis(vector, NodeRef(), global == 'G', orthogonal == 'O');
    if (letter == 'A') {
        names.insert(name, VaroObject::make<LoadAxis>(axis, axisName));
        axisSigns.insert(name, sign);
    } else {
        names.insert(name, VaroObject::make<MemberAxis>(axis, axisName));
    }
    return true;
}

bool TransferReading::readSectionType(const QString& name)
{
    const QStringList materialNames = texts();
    const QStringList sectionNames = texts();
    const QString shapeName = texts().value(0);

    char rotated;
    float density, E, G;
    in.skipWhiteSpace();
    if (!in.scanChar(&rotated) || !scanNumber(in, &density) || !scanNumber(in, &E) || !scanNumber(in, &G))
        return false;
    // Compared as read, in single precision, so that a density written as 0.01 passes.
    if (!(density >= 0.01f && E >= 300000.0f && double(E) <= 3.0 * double(G)))
        return false;

    // Dimensions and properties in groups of 5, 5 and, from version 3, 4.
    float v[14] = {};
    const int count = version >= 3 ? 14 : 10;
    for (int k = 0; k < count; ++k)
        if (!scanNumber(in, &v[k]))
            return false;

    CrossSection section;
    section.setShape(CrossSection::shapeFromName(shapeName));
    section.setNames(sectionNames);
    section.setRotated(rotated == 'R');
    section.setArea(v[0]);
    section.setOverallDepth(v[1]);
    section.setTopFlangeThickness(v[2]);
    section.setIy(v[3]);
    section.setIz(v[4]);
    section.setJ(v[5]);
    section.setWebThickness(v[6]);
    section.setWely(v[7]);
    section.setWelz(v[8]);
    section.setTopFlangeWidth(v[9]);
    if (version >= 3) {
        section.setTopFlangeOffset(v[10]);
        section.setBottomFlangeWidth(v[11]);
        section.setBottomFlangeThickness(v[12]);
        section.setBottomFlangeOffset(v[13]);
    }
    section.clampGeometry();

    const MaterialRef material = MaterialRef::create(materialNames, E, G, density, 0.0);
    names.insert(name, VaroObject::make<SectionType>(CrossSectionRef::create(section), material));
    return true;
}

bool TransferReading::readSupport(const QString& name)
{
    const QStringList list = texts();
    int mask;
    if (list.isEmpty() || !in.scanInt(&mask) || unsigned(mask) >= 64)
        return false;
    names.insert(name, VaroObject::make<Support>(list.first(), Dof(mask)));
    return true;
}

bool TransferReading::readGeometryGroup(const QString& name)
{
    const QStringList list = texts();
    int analysis, colour;
    float opacity;
    if (list.isEmpty() || !in.scanInt(&analysis) || !in.scanInt(&colour) || !scanNumber(in, &opacity))
        return false;
    const GeometryGroupRef group = VaroObject::make<GeometryGroup>(list.first());
    group->setAnalysisPurpose(analysis != 0);
    QColor c(QRgb(unsigned(colour) & 0xFFFFFFu));
    c.setAlphaF(qBound(0.0, double(opacity), 1.0));
    group->setColour(c);
    names.insert(name, group);
    return true;
}

bool TransferReading::readGroups(const std::function<void(const GeometryGroupRef&)>& setGroup)
{
    if (version < 3)
        return true;
    int count;
    if (!in.scanInt(&count))
        return false;
    for (int k = 0; k < count; ++k) {
        int number;
        if (!in.scanInt(&number))
            return false;
        const GeometryGroupRef group = find<GeometryGroup>('Q', number);
        if (!group)
            return false;
        setGroup(group);
    }
    return true;
}

bool TransferReading::readNode(const QString& name)
{
    float x, y, z;
    int supportNumber;
    if (!scanVector(&x, &y, &z) || !in.scanInt(&supportNumber))
        return false;
    const NodeRef node = VaroObject::make<Node>();
    node->setPosition(Vector3(x, y, z));
    node->setSupport(find<Support>('S', supportNumber));
    if (!readGroups([&](const GeometryGroupRef& group) { node->setGeometryGroup(group); }))
        return false;
    objects.append(node);
    names.insert(name, node);
    return true;
}

bool TransferReading::readMember(const QString& name)
{
    int a, b, sectionNumber, axisNumber;
    char pinA, pinB;
    if (!in.scanInt(&a))
        return false;
    in.skipWhiteSpace();
    if (!in.match('-') || !in.scanInt(&b))
        return false;
    in.skipWhiteSpace();
    if (!in.scanChar(&pinA) || !in.scanChar(&pinB) || !in.scanInt(&sectionNumber) || !in.scanInt(&axisNumber))
        return false;
    const NodeRef nodeA = find<Node>('N', a);
    const NodeRef nodeB = find<Node>('N', b);
    if (!nodeA || !nodeB)
        return false;
    const MemberRef member = VaroObject::make<Member>(nodeA, nodeB);
    member->setAxis(find<MemberAxis>('O', axisNumber));
    member->setPinAtA(pinA == 'P');
    member->setPinAtB(pinB == 'P');
    member->setSectionType(find<SectionType>('T', sectionNumber));
    if (!readGroups([&](const GeometryGroupRef& group) { member->setGeometryGroup(group); }))
        return false;
    objects.append(member);
    names.insert(name, member);
    return true;
}

bool TransferReading::readLoading(const QString& name)
{
    const QStringList list = texts();
    if (list.isEmpty())
        return false;
    names.insert(name, VaroObject::make<Loading>(list.first()));
    return true;
}

bool TransferReading::readGravityCase(const QString& name)
{
    int axisNumber;
    if (!in.scanInt(&axisNumber))
        return false;
    const LoadAxisRef loadAxis = find<LoadAxis>('A', axisNumber);
    if (!loadAxis)
        return true;
    // The file's axis only names the case; imported gravity always acts along +Y.
    const GravityCaseRef gravity = VaroObject::make<GravityCase>(QStringLiteral("Gravity"));
    if (!(loadAxis->axis() == gravity->axis()))
        gravity->setName(QStringLiteral("Gravity (import)"));
    names.insert(name, gravity);
    return true;
}

template<class T>
QSharedPointer<T> TransferReading::readNamedFactorList()
{
    const QStringList list = texts();
    if (list.isEmpty())
        return {};
    const QSharedPointer<T> loadCase = VaroObject::make<T>(list.first());
    if (!TransferReader::readSuperLoadCase(loadCase, names, in, version))
        return {};
    return loadCase;
}

bool TransferReading::readCombination(const QString& name)
{
    const CombinationRef combination = readNamedFactorList<Combination>();
    if (!combination)
        return false;
    names.insert(name, combination);
    return true;
}

bool TransferReading::readSwayCase(const QString& name)
{
    const SwayCaseRef sway = readNamedFactorList<SwayCase>();
    if (!sway)
        return false;
    char take, apply;
    in.skipWhiteSpace();
    if (!in.scanChar(&take))
        return false;
    in.skipWhiteSpace();
    if (!in.scanChar(&apply))
        return false;
    const auto component = [](char c) {
        return c == 'X' ? SwayCase::X : c == 'Y' ? SwayCase::Y : SwayCase::Z;
    };
    sway->setTakeComponent(component(take));
    sway->setApplyComponent(component(apply));
    names.insert(name, sway);
    return true;
}

bool TransferReading::readLoad(const QString& name)
{
    char kind;
    int memberNumber, axisNumber, loadingCount;
    in.skipWhiteSpace();
    if (!in.scanChar(&kind) || !in.scanInt(&memberNumber) || !in.scanInt(&axisNumber) || !in.scanInt(&loadingCount))
        return false;
    const MemberRef member = find<Member>('M', memberNumber);
    const LoadAxisRef loadAxis = find<LoadAxis>('A', axisNumber);
    const double sign = axisSigns.value(QLatin1Char('A') + QString::number(axisNumber), 1.0);
    if (!member || !loadAxis || loadingCount < 1 || loadingCount > maximumLoadingCount)
        return false;

    LoadRef load;
    int pairsWanted = 1;
    switch (kind) {
    case 'P': load = VaroObject::make<PointLoad>(member); break;
    case 'M': load = VaroObject::make<TorqueLoad>(member); break;
    case 'T': load = VaroObject::make<TrapezoidLoad>(member); pairsWanted = 2; break;
    default: return false;
    }

    LoadingRef loading;
    for (int k = 0; k < loadingCount; ++k) {
        int number;
        if (!in.scanInt(&number))
            return false;
        loading = find<Loading>('C', number);
        if (!loading)
            return false;
    }
    if (loadingCount != 1)
        return false;

    int pairCount;
    if (!in.scanInt(&pairCount) || pairCount < 1 || pairCount > 2)
        return false;
    QList<Load::PositionedForce> pairs;
    for (int k = 0; k < pairCount; ++k) {
        float position, force;
        if (!scanNumber(in, &position) || !scanNumber(in, &force) || !(position >= 0.0f && position <= 1.0f))
            return false;
        pairs.append(Load::PositionedForce(position, sign * force));
    }
    if (pairCount != pairsWanted)
        return false;

    load->setAxis(loadAxis);
    load->setLoadCase(loading);
    for (int k = 0; k < pairs.size(); ++k)
        load->setPositionAndForceAtIndex(pairs.at(k), k);
    objects.append(load);
    names.insert(name, load);
    return true;
}

// An upper bound of the records, and so of the objects, a text makes,
// counted before any is built: every record starts a line, and a line that
// goes on with a record's fields only errs on the safe side.
qint64 recordStarts(const QByteArray& text)
{
    qint64 count = 0;
    bool lineStart = true;
    for (const char c : text) {
        const int byte = static_cast<unsigned char>(c);
        if (lineStart && !TransferScanner::isControl(byte) && byte != '#' && byte != ' ')
            ++count;
        lineStart = TransferScanner::isControl(byte);
    }
    return count;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("TransferReader", text);
}

// Past the import's own bounds a text is too large, not damaged.
QString textTooLong()
{
    return ReadingBudget::tooLargeToOpen(
        tr("its text is over the %L1 MB that a transfer file may hold")
            .arg(inMegabytes(FileLimits::current().transferTextSize)));
}

QString tooManyRecords()
{
    return ReadingBudget::tooLargeToOpen(
        tr("it has more than the %L1 records that a transfer file may hold")
            .arg(FileLimits::current().transferRecords));
}

// TransferReader::read, letting a lack of memory through as std::bad_alloc;
// `tooLarge` says why a text over the import's own bounds is refused.
bool readText(const QByteArray& text, TransferImport* result, QString* tooLarge = nullptr)
{
    // A longer text is refused unread; it would build too much.
    const FileLimits limits = FileLimits::current();
    const bool tooLong = text.size() > limits.transferTextSize;
    if (tooLong || recordStarts(text) > limits.transferRecords) {
        if (tooLarge)
            *tooLarge = tooLong ? textTooLong() : tooManyRecords();
        return false;
    }
    TransferReading reading(text);
    TransferImport imported;
    if (!reading.readAll(&imported))
        return false;
    *result = imported;
    return true;
}

} // namespace

bool TransferReader::read(const QByteArray& text, TransferImport* result)
{
    try {
        return readText(text, result);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool TransferReader::readFile(const QString& path, TransferImport* result, QString* message)
{
    // A pipe or device named like a transfer text would hang the reading or never end.
    QFile file(path);
    if (!isRegularFile(path) || !file.open(QIODevice::ReadOnly)) {
        *message = withReason(cannotOpenMessage, describeFileError(whyNotOpened(path, file), path));
        return false;
    }
    *message = refusedMessage;
    // An empty file is a failed copy rather than a model; one larger than the
    // bound cannot be read whole.
    const qint64 size = file.size();
    if (size > FileLimits::current().transferTextSize) {
        *message = textTooLong();
        return false;
    }
    if (size == 0)
        return false;
    // Memory running out is no sign of a damaged file.
    try {
        if (AllocationTesting::failsNow(AllocationTesting::Stage::FileRead))
            throw std::bad_alloc();
        const QByteArray text = file.readAll();
        QString tooLarge;
        if (file.error() != QFileDevice::NoError || text.size() != size || !readText(text, result, &tooLarge)) {
            if (!tooLarge.isEmpty())
                *message = tooLarge;
            return false;
        }
    } catch (const std::bad_alloc&) {
        *message = withReason(cannotOpenMessage, describeFileError(ENOMEM, path));
        return false;
    }
    message->clear();
    return true;
}

QStringList TransferReader::readStringList(TransferScanner& scanner, bool* badText)
{
    int count;
    if (!scanner.scanInt(&count) || count < 1 || count > maximumListCount)
        return {};
    QTextCodec* utf8 = QTextCodec::codecForName("UTF-8");
    QStringList list;
    for (int k = 0; k < count; ++k) {
        QByteArray item;
        scanner.skipWhiteSpace();
        if (scanner.match('"') && scanner.scanUntil('"', textWidth, &item)) {
            scanner.match('"'); // absent after a text cut at the width limit
        } else {
            // An opening quote directly followed by the closing one, then white space, is the empty text.
            QByteArray word;
            if (!scanner.scanWord(textWidth, &word) || word != "\"")
                return {};
            item.clear();
        }
        QTextCodec::ConverterState state;
        const QString text = utf8->toUnicode(item.constData(), item.size(), &state);
        if (state.invalidChars > 0 || state.remainingChars > 0) {
            if (badText)
                *badText = true;
            return {};
        }
        list.append(text);
    }
    return list;
}

bool TransferReader::readSuperLoadCase(const SuperLoadCaseRef& loadCase, const QMap<QString, VaroObjectRef>& names,
                                       TransferScanner& scanner, int version)
{
    bool good = true;
    while (!scanner.endOfFile()) {
        LoadCaseRef found;
        int number = 0;
        float factor = 0.0f;
        if (version < 2) {
            good = scanner.scanInt(&number) && scanNumber(scanner, &factor);
            if (number < 1)
                return good;
            found = names.value(QStringLiteral("C%1").arg(number)).objectCast<Loading>();
        } else {
            char letter = 0;
            scanner.skipWhiteSpace();
            good = scanner.scanChar(&letter) && scanner.scanInt(&number) && scanNumber(scanner, &factor);
            const QString key = QString(QLatin1Char(letter)) + QString::number(number);
            switch (letter) {
            case 'C': found = names.value(key).objectCast<Loading>(); break;
            case 'G': found = names.value(key).objectCast<GravityCase>(); break;
            case 'W': found = names.value(key).objectCast<SwayCase>(); break;
            default: return good;
            }
        }
        // A factor that was not read is never added.
        if (!found || !good)
            return false;
        loadCase->addFactor(found, factor);
    }
    return good;
}

bool TransferReader::readFileIntoDocument(const QString& path, DocumentModel& document, QString* message)
{
    TransferImport imported;
    if (!readFile(path, &imported, message))
        return false;
    const QString why = whyNotSavable(imported, document);
    if (!why.isEmpty()) {
        *message = ReadingBudget::tooLargeToOpen(why);
        return false;
    }
    addToDocument(imported, document);
    return true;
}

namespace {

// Each character of a text is written in six bytes at most (an escape),
// and costs a unit to read again.
constexpr int bytesPerCharacter = 6;
// The tags around a text, indented, with the mark that it is escaped.
constexpr int textTags = 2 * BudgetLayout::longestName + 40;
// A name that the import or opening makes itself ("Gravity (import)", "Loading 1").
constexpr int ownName = 32;
// Where the structure's objects stand in the saved text.
constexpr int objectDepth = 3;

struct Most
{
    qint64 length = 0;
    qint64 cost = 0;
};

int longestOf(XmlForm::Value value)
{
    return value == XmlForm::Value::Text ? bytesPerCharacter * ownName : XmlForm::longest(value);
}

// The most that an element of the form is written as at the depth, and
// costs to read, with every field (a repeated one twice: a load's pairs) and
// each value at its longest, on lines of its own as the writer indents them.
Most mostOf(const char* name, const XmlForm::Element* form, XmlForm::Value value, int cost, int depth)
{
    const qint64 n = qint64(std::strlen(name));
    qint64 attributes = 0;
    int attributeCount = 0;
    Most children;
    for (const XmlForm::Field* field : XmlForm::fieldsOf(form)) {
        const XmlForm::Value fieldValue = XmlForm::valueOf(*field);
        if (field->flags & XmlForm::Attribute) {
            attributes += qint64(std::strlen(field->name)) + 4 + longestOf(fieldValue);
            ++attributeCount;
            continue;
        }
        // A value's element costs three units to read; an object's its own.
        const int fieldCost = field->form && field->form->cost ? field->form->cost : 3;
        const Most child = mostOf(XmlForm::nameOf(*field), field->form, fieldValue, fieldCost, depth + 1);
        const int times = field->flags & XmlForm::Repeated ? 2 : 1;
        children.length += times * child.length;
        children.cost += times * child.cost;
    }
    Most most;
    most.cost = cost + qMax(0, attributeCount - 2) + ReadingBudget::charactersCost(n + attributes);
    if (value != XmlForm::Value::None) {
        most.length = 2 * n + 6 + longestOf(value) + attributes + depth;
        most.cost += ReadingBudget::charactersCost(longestOf(value));
    } else if (children.length == 0) {
        most.length = n + 4 + attributes + depth;
    } else {
        most.length = 2 * n + 7 + attributes + 2 * depth + children.length;
        most.cost += children.cost;
    }
    return most;
}

Most mostOf(const XmlForm::Element& form)
{
    return mostOf(form.name, &form, form.value, form.cost, objectDepth);
}

// The most an object that a record of each letter makes is written as.
const QMap<char, Most>& mostByRecord()
{
    static const QMap<char, Most> most = [] {
        QMap<char, Most> byLetter;
        // A load record makes any of three kinds.
        for (const XmlForm::Element* load : {&PointLoad::xmlForm, &TorqueLoad::xmlForm, &TrapezoidLoad::xmlForm}) {
            const Most kind = mostOf(*load);
            byLetter['L'].length = qMax(byLetter['L'].length, kind.length);
            byLetter['L'].cost = qMax(byLetter['L'].cost, kind.cost);
        }
        const std::pair<char, const XmlForm::Element*> kinds[] = {
            {'A', &LoadAxis::xmlForm}, {'C', &Loading::xmlForm}, {'G', &GravityCase::xmlForm},
            {'K', &Combination::xmlForm}, {'M', &Member::xmlForm}, {'N', &Node::xmlForm},
            {'O', &MemberAxis::xmlForm}, {'Q', &GeometryGroup::xmlForm}, {'S', &Support::xmlForm},
            {'T', &SectionType::xmlForm}, {'W', &SwayCase::xmlForm}};
        for (const auto& kind : kinds)
            byLetter[kind.first] = mostOf(*kind.second);
        return byLetter;
    }();
    return most;
}

// A factor of a combination or sway case.
Most mostOfFactor()
{
    for (const XmlForm::Field* field : XmlForm::fieldsOf(&SuperLoadCase::xmlForm))
        if (field->flags & XmlForm::Repeated)
            return mostOf(XmlForm::nameOf(*field), field->form, XmlForm::valueOf(*field), 3, objectDepth + 1);
    return Most();
}

} // namespace

QString TransferReader::whyNotSavable(const TransferImport& imported, const DocumentModel& document)
{
    // What a new document writes of its own, the two load cases opening may
    // add, and the window's current load case, which it then sets, here a
    // stand-in.
    const ViewPoint viewPoint;
    CurrentState state;
    state.setLoadCase(VaroObject::make<Loading>(QString()));
    DocumentXml::SavedTextBound bound =
        DocumentXml::boundOfSavedText(XmlTextBudget(), document, &viewPoint, &state);
    const auto add = [&bound](const Most& most, qint64 times) {
        bound.length += times * most.length;
        bound.cost += times * most.cost;
    };
    add(mostByRecord()['C'], 1);
    add(mostByRecord()['G'], 1);
    for (auto made = imported.made.cbegin(); made != imported.made.cend(); ++made)
        add(mostByRecord().value(made.key()), made.value());
    static const Most factor = mostOfFactor();
    add(factor, imported.factors);
    add({textTags, 5}, imported.texts);
    add({bytesPerCharacter, 1}, imported.textCharacters);
    if (!bound.passesALimit())
        return QString();
    // Near a limit: the model is written for real, as a document of its own.
    DocumentModel model(document.unitSystem());
    addToDocument(imported, model);
    model.incorporateDefaults();
    state.setLoadCase(model.loadCaseShownFor(LoadCaseRef()));
    return DocumentXml::whyNotSavable(model, &viewPoint, &state, bound.withinAllButLength());
}

void TransferReader::addToDocument(const TransferImport& imported, DocumentModel& document)
{
    DocumentWriteGuard guard(&document);

    document.consolidateWithLibraries(imported.objects);
    if (!imported.objects.isEmpty())
        document.structureUndoStack()->push(new CommandAppendObjects(document.structureModel(), imported.objects));
    imported.addEntriesToLibraries(*document.libraries());
}

void TransferImport::addEntriesToLibraries(const Libraries& libraries) const
{
    // Each library takes its entries at once, in their order, so that many take no longer than a few.
    QList<LoadCaseRef> loadCases;
    QList<GroupRef> groups;
    for (const VaroObjectRef& entry : libraryEntries) {
        if (const LoadCaseRef loadCase = entry.objectCast<LoadCase>())
            loadCases.append(loadCase);
        else if (const GroupRef group = entry.objectCast<Group>())
            groups.append(group);
    }
    libraries.loadCaseLibrary()->appendAll(loadCases);
    libraries.groupLibrary()->appendAll(groups);
}
