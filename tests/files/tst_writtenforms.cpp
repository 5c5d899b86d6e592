#include "BudgetTesting.h"
#include "CurrentState.h"
#include "DisposalTesting.h"
#include "DocumentModel.h"
#include "FileLimitTesting.h"
#include "LoadCaseLibrary.h"
#include "Libraries.h"
#include "NativeContainer.h"
#include "DocumentXml.h"
#include "ModelXml.h"
#include "ReadingBudget.h"
#include "TestMain.h"
#include "Titles.h"
#include "UnitSystem.h"
#include "ViewPoint.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

using XmlForm::Element;
using XmlForm::Field;
using XmlForm::Value;

Q_DECLARE_METATYPE(const Field*)
Q_DECLARE_METATYPE(const Element*)

// The values a text gives its fields: some that the writer writes as long as
// the reading budget foresees, so that the budget's bound of a field left out
// is all that stands between what it foresees and what is written; or at
// either end of what each field keeps, so that every number is written as
// long as its writer can write it (a clamped position at the least normal
// double, an angle of one step, a distance or a mask at the most).
enum class Values { Foreseen, Least, Most };

Q_DECLARE_METATYPE(Values)

// Every writer is held to the form it states: a model text made from the
// forms alone, every field at the longest it is written, is read and
// written again, and what is written must be what the forms say, within the
// bounds that the reading budget took from them. Then each field is left
// out of the text in turn.
class TestWrittenForms : public QObject
{
    Q_OBJECT

    // Every model here meets the limits of a file a hundred times smaller;
    // tst_filelimits builds one at each real limit.
    const ScaledFileLimits scaled;

private slots:
    // What a row closed goes before the next row opens its model.
    void cleanup() { letClosedModelsGo(); }
    void writersWriteWhatTheyState_data();
    void writersWriteWhatTheyState();
    void whatOpensCanBeSaved_data();
    void whatOpensCanBeSaved();
    void whatOpeningAddsCanBeSaved_data();
    void whatOpeningAddsCanBeSaved();
    void whatTheWindowShowsCanBeSaved_data();
    void whatTheWindowShowsCanBeSaved();
    void textAsLongAsAFileHoldsIsWritten();
};

namespace {

QByteArray valueText(Value value, Values values)
{
    const bool extreme = values != Values::Foreseen;
    const bool most = values == Values::Most;
    const QByteArray tiny = most ? "2.2250738585072014e-308" : "-2.2250738585072014e-308";
    const QByteArray huge = most ? "1.7976931348623157e308" : "-1.7976931348623157e308";
    switch (value) {
    case Value::Text:
        return extreme ? "&quot;&amp;&lt;&gt;\\&#13;&#9;n" : "nnnnnnnnn";
    case Value::Factor:
    case Value::Places:
        return huge;
    case Value::Vector:
        return tiny + "," + tiny + "," + tiny;
    case Value::ViewVector:
        return extreme ? huge + "," + huge + "," + huge : "0.5,0.5,0.5";
    case Value::Whole:
        return !extreme ? "7" : most ? "2147483647" : "-2147483648";
    case Value::Flag:
        return "false";
    case Value::Colour:
        return "#80123456";
    // An angle is kept in steps of pi/65536, a distance from 1 up.
    case Value::ViewNumber:
        return !extreme ? "0.5" : most ? huge : QByteArray::number(-M_PI / 65536, 'g', 17);
    case Value::Scale:
        return extreme ? tiny : "0.5";
    default:
        return tiny;
    }
}

// Makes a model text of the forms from the root down: every object that a
// list writes on its own once, each object another names before it, in the
// list where it is named, and every field of each, but the one left out. A
// list in a list holds one of each kind that it writes only where others
// name it and the list around it writes on its own (a node that the
// structure does not hold), which those made after it name. A form nests
// once in itself. An element of the bare form has no field but
// its own id: "<X ref="…"/>", or "<X ref="…"></X>".
class TextMaker
{
public:
    TextMaker(const Field* leftOut, Values values, const Element* bare = nullptr, bool endTag = false)
        : leftOut(leftOut), values(values), bare(bare), endTag(endTag)
    {
        element("Content", &DocumentXml::contentForm, Value::None, nullptr);
    }
    QByteArray text;

private:
    const Field* leftOut;
    Values values;
    const Element* bare;
    bool endTag;
    struct Made
    {
        const Element* form;
        QByteArray ref;
        // Written by its list whatever names it.
        bool standalone;
    };
    std::vector<Made> made;
    std::vector<const Element*> open;
    const Element* list = nullptr;

    // The last object made of the target's kind; for any object, the last that its list writes whatever names it.
    QByteArray madeOf(const Element* target) const
    {
        for (auto object = made.rbegin(); object != made.rend(); ++object)
            if (target ? XmlForm::derivesFrom(object->form, target) : object->standalone)
                return object->ref;
        return QByteArray();
    }

    int timesOpen(const Element* form) const { return int(std::count(open.begin(), open.end(), form)); }

    // Before an object, what it names and no object yet made stands for, if its list holds it.
    void makeNamed(const Element* form)
    {
        for (const Field* field : XmlForm::fieldsOf(form)) {
            if (field == leftOut || XmlForm::isObject(field->form))
                continue;
            if (field->form && timesOpen(field->form) == 0) {
                open.push_back(field->form);
                makeNamed(field->form);
                open.pop_back();
            }
            // A reference to any object names one made before, the object's own id none.
            if (XmlForm::valueOf(*field) != Value::Reference || !field->target || !madeOf(field->target).isEmpty())
                continue;
            for (const Field* held : XmlForm::fieldsOf(list))
                if (XmlForm::isObject(held->form) && held->form != form
                    && (!field->target || XmlForm::derivesFrom(held->form, field->target))) {
                    object(held->form, false);
                    break;
                }
        }
    }

    void object(const Element* form, bool standalone)
    {
        makeNamed(form);
        const QByteArray ref = "o" + QByteArray::number(int(made.size()));
        element(form->name, form, form->value, nullptr, ref);
        made.push_back({form, ref, standalone});
    }

    void element(const char* name, const Element* form, Value value, const Element* target,
                 const QByteArray& ref = QByteArray())
    {
        if (form && form == bare) {
            text += "<" + QByteArray(name) + (ref.isEmpty() ? QByteArray() : " ref=\"" + ref + "\"");
            text += endTag ? "></" + QByteArray(name) + ">" : QByteArray("/>");
            return;
        }
        const Element* outer = list;
        if (form && form->walked)
            list = form;
        open.push_back(form);
        const bool extremes = values != Values::Foreseen;
        const std::vector<const Field*> fields = XmlForm::fieldsOf(form);
        text += "<" + QByteArray(name);
        for (const Field* field : fields) {
            if (field == leftOut || !(field->flags & XmlForm::Attribute))
                continue;
            const Value kind = field->value;
            // A mark that the writer sets only where its text needs it.
            if (!extremes && kind == Value::Flag && !(field->flags & XmlForm::Always))
                continue;
            const QByteArray v = kind != Value::Reference                     ? valueText(kind, values)
                                 : field->name == QByteArray("ref") && !ref.isEmpty() ? ref
                                                                                      : madeOf(field->target);
            if (!v.isEmpty())
                text += " " + QByteArray(field->name) + "=\"" + v + "\"";
        }
        const int startEnd = text.size();
        text += ">";
        // Kinds that the list around this one writes on its own, and this one only where named.
        const auto detached = [outer, form](const Field* field) {
            if (!outer || outer == form || (field->flags & XmlForm::Standalone))
                return false;
            for (const Field& held : outer->fields)
                if (held.form == field->form && (held.flags & XmlForm::Standalone))
                    return true;
            return false;
        };
        for (const Field* field : fields) {
            if (field == leftOut || (field->flags & XmlForm::Attribute) || (field->form && timesOpen(field->form) > 1))
                continue;
            if (XmlForm::isObject(field->form)) {
                if (list == form && ((field->flags & XmlForm::Standalone) || detached(field)))
                    object(field->form, field->flags & XmlForm::Standalone);
                continue;
            }
            const Value fieldValue = XmlForm::valueOf(*field);
            if (fieldValue == Value::Reference && madeOf(field->target).isEmpty())
                continue;
            // Twice at the extremes; else once, as the reader may keep one of two.
            for (int times = extremes && (field->flags & XmlForm::Repeated) ? 2 : 1; times > 0; --times)
                element(XmlForm::nameOf(*field), field->form, fieldValue, field->target);
        }
        if (value != Value::None)
            text += value == Value::Reference ? madeOf(target) : valueText(value, values);
        if (text.size() == startEnd + 1)
            text.insert(startEnd, '/');
        else
            text += "</" + QByteArray(name) + ">";
        open.pop_back();
        list = outer;
    }
};

// Every form below the root that is no list, each once, with a name for it.
void formsBelow(const Element* form, QList<QPair<const Element*, QString>>* forms, const QString& owner)
{
    if (!form || std::any_of(forms->begin(), forms->end(), [form](const auto& known) { return known.first == form; }))
        return;
    const QString name = form->name ? QString::fromLatin1(form->name) : owner;
    if (!form->walked)
        forms->append({form, name});
    for (const Field* field : XmlForm::fieldsOf(form))
        formsBelow(field->form, forms, name);
    formsBelow(form->base, forms, name);
}

// Every form that a writer writes an element of, from the root down, lists
// included, each once, under the name of the first element written in it.
void formsWritten(const Element* form, const QString& name, QList<QPair<const Element*, QString>>* forms)
{
    if (std::any_of(forms->begin(), forms->end(), [form](const auto& known) { return known.first == form; }))
        return;
    forms->append({form, name});
    for (const Field* field : XmlForm::fieldsOf(form))
        if (field->form)
            formsWritten(field->form, QLatin1String(XmlForm::nameOf(*field)), forms);
}

struct Checked
{
    QString error;
    QSet<const Element*> written;
    int depth = 0;
    // How long the text would be with every value that the writer writes
    // whatever it read (a reference, a number of the view) at its longest.
    qint64 longest = 0;
};

// A value written in a form of its own, which the budget bounds by its longest.
bool isFixed(Value value)
{
    return value == Value::Reference || value == Value::ViewNumber || value == Value::ViewVector
           || value == Value::Scale || value == Value::Places;
}

// Holds a written text to the forms, element by element.
Checked checkAgainstForms(const QByteArray& written)
{
    struct Open
    {
        const Element* form;
        QString name;
        Value value;
        QString text;
        QMap<const Field*, int> fields;
    };
    Checked checked;
    checked.longest = written.size();
    QVector<Open> open;
    QXmlStreamReader reader(written);
    const auto lacks = [](const QString& owner, const char* what, const QString& name) {
        return QStringLiteral("%1 writes %2 %3, which its statement lacks").arg(owner, QLatin1String(what), name);
    };
    while (!reader.atEnd() && checked.error.isEmpty()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QString name = reader.name().toString();
            const Field* field = nullptr;
            Open element{&DocumentXml::contentForm, name, Value::None, QString(), {}};
            if (!open.isEmpty()) {
                for (const Field* candidate : XmlForm::fieldsOf(open.last().form))
                    if (!(candidate->flags & XmlForm::Attribute) && name == QLatin1String(XmlForm::nameOf(*candidate)))
                        field = candidate;
                if (!field) {
                    checked.error = lacks(open.last().name, "element", name);
                    break;
                }
                if (++open.last().fields[field] > 1 && !(field->flags & XmlForm::Repeated))
                    checked.error = QStringLiteral("%1 writes %2 more than once").arg(open.last().name, name);
                element = Open{field->form, name, XmlForm::valueOf(*field), QString(), {}};
            }
            checked.written.insert(element.form);
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                const Field* known = nullptr;
                for (const Field* candidate : XmlForm::fieldsOf(element.form))
                    if ((candidate->flags & XmlForm::Attribute) && attribute.name() == QLatin1String(candidate->name))
                        known = candidate;
                if (!known) {
                    checked.error = lacks(name, "attribute", attribute.name().toString());
                } else if (known->value != Value::Text && attribute.value().size() > XmlForm::longest(known->value)) {
                    checked.error = QStringLiteral("%1 writes attribute %2 longer than its statement allows")
                                        .arg(name, attribute.name().toString());
                }
                if (known)
                    element.fields[known] = 1;
                if (known && isFixed(known->value))
                    checked.longest += XmlForm::longest(known->value) - attribute.value().size();
            }
            open.append(element);
            checked.depth = qMax(checked.depth, open.size() - 1);
        } else if (reader.isCharacters() && !reader.isWhitespace() && !open.isEmpty()) {
            open.last().text += reader.text();
        } else if (reader.isEndElement()) {
            const Open element = open.takeLast();
            if (isFixed(element.value))
                checked.longest += XmlForm::longest(element.value) - element.text.size();
            if (element.value == Value::None && !element.text.isEmpty())
                checked.error = QStringLiteral("%1 writes a text, which its statement lacks").arg(element.name);
            else if (element.value != Value::Text && element.text.size() > XmlForm::longest(element.value))
                checked.error = QStringLiteral("%1 writes %2 characters, more than its statement allows")
                                    .arg(element.name)
                                    .arg(element.text.size());
            const Field* previous = nullptr;
            for (const Field* field : XmlForm::fieldsOf(element.form)) {
                const bool written = element.fields.contains(field);
                if ((field->flags & XmlForm::Always) && !written)
                    checked.error = QStringLiteral("%1 leaves out %2, which its statement says it always writes")
                                        .arg(element.name, QLatin1String(XmlForm::nameOf(*field)));
                if ((field->flags & XmlForm::Follows) && written != element.fields.contains(previous))
                    checked.error = QStringLiteral("%1 writes %2 %3 %4, unlike its statement")
                                        .arg(element.name, QLatin1String(XmlForm::nameOf(*field)),
                                             QLatin1String(written ? "without" : "but not with"),
                                             QLatin1String(XmlForm::nameOf(*previous)));
                previous = field;
            }
        }
    }
    if (checked.error.isEmpty() && reader.hasError())
        checked.error = reader.errorString();
    return checked;
}

// The text of a model read from `text`, written again, or empty when it does not read.
QByteArray savedFrom(const QByteArray& text, QString* error)
{
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    ViewPoint viewPoint;
    CurrentState state;
    if (!DocumentXml::readContent(text, &document, &viewPoint, &state, error))
        return QByteArray();
    return DocumentXml::writeContent(&document, &viewPoint, &state);
}

} // namespace

void TestWrittenForms::writersWriteWhatTheyState_data()
{
    QTest::addColumn<const Field*>("leftOut");
    QTest::addColumn<Values>("values");
    QTest::addColumn<const Element*>("bare");
    QTest::addColumn<bool>("endTag");
    const Field* none = nullptr;
    const Element* whole = nullptr;
    QTest::newRow("every field at its extremes") << none << Values::Least << whole << false;
    QTest::newRow("every field at its other extremes") << none << Values::Most << whole << false;
    QTest::newRow("every field") << none << Values::Foreseen << whole << false;
    QList<QPair<const Element*, QString>> forms;
    formsBelow(&DocumentXml::contentForm, &forms, QString());
    // Every kind the reader makes has its place among them.
    for (const ModelXml::ObjectKind& kind : ModelXml::objectKinds())
        QVERIFY2(std::any_of(forms.begin(), forms.end(), [&kind](const auto& form) { return form.first == kind.form; }),
                 qPrintable(QStringLiteral("%1 has no place in the document's forms").arg(kind.form->name)));
    for (const auto& form : forms)
        for (const Field& field : form.first->fields)
            QTest::newRow(qPrintable(form.second + " without " + XmlForm::nameOf(field)))
                << &field << Values::Foreseen << whole << false;
    for (const Field& field : DocumentXml::documentForm.fields)
        if (!XmlForm::isObject(field.form))
            QTest::newRow(qPrintable(QStringLiteral("Document without ") + XmlForm::nameOf(field)))
                << &field << Values::Foreseen << whole << false;
    // Each kind of element with every field left out, read empty and read
    // with its end tag: the writer adds them all, and ends on a line of its
    // own an element that it writes elements into.
    QList<QPair<const Element*, QString>> written;
    formsWritten(&DocumentXml::contentForm, QString(), &written);
    for (const auto& form : written.mid(1))
        for (const bool endTag : {false, true})
            QTest::newRow(qPrintable(form.second + (endTag ? " bare, with an end tag" : " bare")))
                << none << Values::Foreseen << form.first << endTag;
}

void TestWrittenForms::writersWriteWhatTheyState()
{
    QFETCH(const Field*, leftOut);
    QFETCH(Values, values);
    QFETCH(const Element*, bare);
    QFETCH(bool, endTag);
    const QByteArray text = TextMaker(leftOut, values, bare, endTag).text;
    QString error;
    const QByteArray saved = savedFrom(text, &error);
    // A text that leaves out what its reader needs is refused, and nothing is saved.
    if (saved.isEmpty()) {
        const auto needed = [](const Field* field) { return (field->flags & XmlForm::Always) != 0; };
        const std::vector<const Field*> fields = XmlForm::fieldsOf(bare);
        QVERIFY2(leftOut ? needed(leftOut)
                         : bare && (bare->value != Value::None || std::any_of(fields.begin(), fields.end(), needed)),
                 qPrintable(error + "\n" + text));
        return;
    }
    const QByteArray written = saved.mid(saved.indexOf("<Content"));
    const Checked checked = checkAgainstForms(written);
    QVERIFY2(checked.error.isEmpty(), qPrintable(checked.error));
    // A model of every field reaches every writer (but a view stored under a
    // negative number, which is not written).
    if (!leftOut && !bare && values != Values::Least) {
        QList<QPair<const Element*, QString>> forms;
        formsWritten(&DocumentXml::contentForm, QString(), &forms);
        for (const auto& form : forms)
            QVERIFY2(checked.written.contains(form.first),
                     qPrintable(QStringLiteral("no %1 was written").arg(form.second)));
    }
    // What saves opens again.
    QVERIFY2(!savedFrom(saved, &error).isEmpty(), qPrintable(error));

    // The bounds that opening takes from the forms hold with every value
    // that the writer writes in a form of its own at its longest.
    XmlTextBudget budget;
    budget.boundSavedText();
    budget.take(text);
    XmlTextBudget writtenBudget;
    writtenBudget.take(written);
    const auto shortOf = [](const char* what, qint64 bound, qint64 actual) {
        return QStringLiteral("the bound of the saved text's %1 falls short: %2 < %3").arg(what).arg(bound).arg(actual);
    };
    QVERIFY2(budget.savedMost() >= checked.longest, qPrintable(shortOf("length", budget.savedMost(), checked.longest)));
    // What the text the program wrote will be written as is foreseen as no longer than it is.
    QVERIFY2(writtenBudget.savedSize() <= written.size(),
             qPrintable(shortOf("least", written.size(), writtenBudget.savedSize())));
    QVERIFY2(budget.mostCost() >= writtenBudget.cost(),
             qPrintable(shortOf("cost", budget.mostCost(), writtenBudget.cost())));
    QVERIFY2(budget.longestRun() >= ReadingBudget::longestRunOf(written),
             qPrintable(shortOf("longest stretch", budget.longestRun(), ReadingBudget::longestRunOf(written))));
    QVERIFY2(budget.deepestNesting() >= checked.depth,
             qPrintable(shortOf("depth", budget.deepestNesting(), checked.depth)));
}

namespace {

// A model text: its head, an element so many times, empty items that a
// report holds 63 deep after them, and its end; what the model is too large
// for, or nothing for a model that opens, and about how many objects of the
// kind would fit.
void addModelColumns()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("why");
    QTest::addColumn<int>("fitting");
}

QByteArray modelText(const QByteArray& head, const QByteArray& element, int count, const QByteArray& end, int items)
{
    QByteArray text = head + element.repeated(count);
    if (items > 0) {
        // Each item stands 63 deep, as deep as a line may be indented before its characters cost.
        const int levels = 29;
        text += "<Reports><Report ref=\"r\"><Block>" + QByteArray("<Item><Block>").repeated(levels)
                + QByteArray("<Item/>").repeated(items) + QByteArray("</Block></Item>").repeated(levels)
                + "</Block></Report></Reports>";
    }
    return text + end;
}

} // namespace

void TestWrittenForms::whatOpensCanBeSaved_data()
{
    addModelColumns();
    const FileLimits limits = FileLimits::current();
    const QByteArray document = "<Content><Document>";
    const QByteArray end = "</Document></Content>";
    const QString run =
        QStringLiteral("it holds a text of more than %L1 MB without a break").arg(inMegabytes(limits.textRun));
    // Each written as "&quot;", six bytes of a text without a break: half as
    // long again as the longest run, or a seventh short of it.
    const QByteArray marks(int(limits.textRun / 4), '"');
    QTest::newRow("a title of quotation marks past the longest run")
        << document + "<Titles><Note>" << marks << 1 << "</Note></Titles>" + end << 0 << run << 0;
    QTest::newRow("a load case named by them")
        << document + "<LoadCase><Name>" << marks << 1 << "</Name></LoadCase>" + end << 0 << run << 0;
    QTest::newRow("a report chapter of them")
        << document + "<Reports><Report><Block><Item chapter='" << marks << 1
        << "'/></Block></Report></Reports>" + end << 0 << run << 0;
    QTest::newRow("a load case named by quotation marks within the run")
        << document + "<LoadCase><Name>" << QByteArray(int(limits.textRun / 7), '"') << 1
        << "</Name></LoadCase>" + end << 0 << QString() << 0;

    // Written with what the reader left to its defaults, each node costs 13
    // units and each member 30 (18, its two nodes and two pins, 3 each): a
    // text holds a ninetieth more nodes than fit, or a thirtieth more
    // members, both written shorter than the longest text.
    const int nodes = int(limits.cost * 7 / 90);
    QTest::newRow("nodes without a position past the cost")
        << QByteArray("<Content><Document><Structure>") << QByteArray("<Node/>") << nodes
        << QByteArray("</Structure></Document></Content>") << 0 << QStringLiteral("it has %L1 nodes").arg(nodes)
        << int(limits.cost / 13);
    const int members = int(limits.cost * 31 / 900);
    QTest::newRow("members without pins past the cost")
        << QByteArray("<Content><Document><Structure><Node ref=\"a\"/><Node ref=\"b\"/>")
        << QByteArray("<Member><NodeA>a</NodeA><NodeB>b</NodeB></Member>") << members
        << QByteArray("</Structure></Document></Content>") << 0 << QStringLiteral("it has %L1 members").arg(members)
        << int(limits.cost / 30);

    // Read bare, a combination is written with its name, its colour and an
    // end tag on a line of its own: 16 bytes, of which its reference, never
    // written in more than 15 digits, spares 5. Beside a report of empty
    // items, the text is written a 256th of the longest a model file may
    // hold past it, or as much short of it: a third of what the
    // combinations' end tags add.
    const QByteArray combination = "<Combination ref=\"c\"/>";
    const qint64 margin = limits.modelTextSize / 256;
    const int combinations = int(3 * margin / 16);
    QString error;
    const auto savedSize = [&](int items) {
        return savedFrom(modelText(document, combination, combinations, end, items), &error).size();
    };
    const int one = savedSize(1);
    const int each = savedSize(2) - one;
    QVERIFY2(one > 0 && each > 0, qPrintable(error));
    const auto itemsFor = [&](qint64 length) { return int((length - (one - each)) / each); };
    QTest::newRow("bare combinations past the length limit")
        << document << combination << combinations << end << itemsFor(limits.modelTextSize + margin)
        << ReadingBudget::savedTextTooLong() << 0;
    QTest::newRow("bare combinations under the length limit")
        << document << combination << combinations << end << itemsFor(limits.modelTextSize - margin) << QString() << 0;
}

// A model that opens can be saved, by every limit that saving holds its text
// to; one that could not is refused as it opens, with what is too large.
void TestWrittenForms::whatOpensCanBeSaved()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, element);
    QFETCH(int, count);
    QFETCH(QByteArray, end);
    QFETCH(int, items);
    QFETCH(QString, why);
    QFETCH(int, fitting);
    const QByteArray text = modelText(head, element, count, end, items);
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    ViewPoint viewPoint;
    CurrentState state;
    QString error;
    bool tooLarge = false;
    const bool opened = DocumentXml::readContent(text, &document, &viewPoint, &state, &error, nullptr, &tooLarge);
    if (why.isEmpty()) {
        QVERIFY2(opened, qPrintable(error));
        const QByteArray saved = DocumentXml::writeContent(&document, &viewPoint, &state);
        QCOMPARE(NativeContainer::whyUnreadable(saved), QString());
        DocumentModel again(QSharedPointer<UnitSystem>(new UnitSystem));
        QVERIFY(DocumentXml::readContent(saved, &again, nullptr, nullptr, &error));
        const auto names = [](const DocumentModel& model) {
            QStringList list;
            for (const LoadCaseRef& loadCase : model.loadCases())
                list << loadCase->name();
            return list;
        };
        QVERIFY(!document.loadCases().isEmpty());
        QCOMPARE(names(again), names(document));
        return;
    }
    QVERIFY(!opened && tooLarge);
    const QString message = QStringLiteral("The model is too large to open: ") + why;
    QVERIFY2(error.startsWith(message), qPrintable(error));
    if (fitting > 0) {
        // How many fit beside the rest, written as the model is.
        const QRegularExpression number(QStringLiteral("more than the ([\\d,]+) that a model file may hold"));
        const qint64 fit = QLocale().toLongLong(number.match(error).captured(1));
        QVERIFY2(fit <= fitting && fit > fitting - 10, qPrintable(error));
    }
}

namespace {

// A model's text as the program writes it, with or without the defaults
// that opening adds, and with the load case that a window then shows, or
// without one.
QByteArray writtenAfterReading(const QByteArray& text, bool withDefaults, bool shown = false)
{
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    ViewPoint viewPoint;
    CurrentState state;
    if (!DocumentXml::readContent(text, &document, &viewPoint, &state))
        return QByteArray();
    if (withDefaults)
        document.incorporateDefaults();
    if (shown)
        state.setLoadCase(document.loadCaseShownFor(state.loadCase()));
    return DocumentXml::writeContent(&document, &viewPoint, &state);
}

// A model text opened as a window opens one, into objects of its own.
struct OpenedText
{
    explicit OpenedText(const QByteArray& text)
        : opened(DocumentXml::openContent(text, &document, &viewPoint, &state, &error, nullptr, &tooLarge))
    {
    }
    DocumentModel document{QSharedPointer<UnitSystem>(new UnitSystem)};
    ViewPoint viewPoint;
    CurrentState state;
    QString error;
    bool tooLarge = false;
    const bool opened;
};

// A model whose titles, rows of quotation marks written as six bytes each
// and a note of plain letters, bring its text, written without the defaults
// that opening adds, to `length`; `plain` is that of the model without rows.
QByteArray titlesWrittenAs(qint64 length, qint64 plain)
{
    // Once written, a fortieth short of the longest stretch without markup.
    const qint64 marks = FileLimits::current().textRun / 6 * 39 / 40;
    // "<Row>", "<First>" and "<Second>" with their end tags, each on a line
    // indented three or four tabs deep.
    const qint64 rowTags = 9 + 20 + 22 + 10;
    const QByteArray full(int(marks), '"');
    QByteArray rows;
    qint64 room = length - plain;
    while (room >= rowTags + 12 * marks) {
        rows += "<Row><First>" + full + "</First><Second>" + full + "</Second></Row>";
        room -= rowTags + 12 * marks;
    }
    if (room >= rowTags + 12) {
        const qint64 rest = (room - rowTags) / 6;
        const qint64 first = qMin(rest - 1, marks);
        rows += "<Row><First>" + QByteArray(int(first), '"') + "</First><Second>" + QByteArray(int(rest - first), '"')
                + "</Second></Row>";
        room -= rowTags + 6 * rest;
    }
    return "<Content><Document><Titles>" + rows + "<Note>" + QByteArray(int(room), 'n')
           + "</Note></Titles></Document></Content>";
}

} // namespace

void TestWrittenForms::whatOpeningAddsCanBeSaved_data()
{
    QTest::addColumn<bool>("byCost");
    QTest::addColumn<bool>("atTheLimit");
    QTest::newRow("titles at the length limit") << false << true;
    QTest::newRow("titles just under it") << false << false;
    QTest::newRow("sway cases at the cost limit") << true << true;
}

// A model without a loading gains one and the default gravity case as it
// opens. At a limit with them, though within it without them, it is refused
// with what is too large; just under it, it opens and can be saved.
void TestWrittenForms::whatOpeningAddsCanBeSaved()
{
    QFETCH(bool, byCost);
    QFETCH(bool, atTheLimit);
    const QByteArray empty = "<Content><Document></Document></Content>";
    const QByteArray bare = writtenAfterReading(empty, false);
    const QByteArray withDefaults = writtenAfterReading(empty, true);
    QByteArray text;
    QString why;
    if (byCost) {
        // Each sway case written again costs the same; the defaults cost more than one.
        const QByteArray swayCase = "<SwayCase/>";
        const qint64 each = costOf(writtenAfterReading("<Content><Document>" + swayCase + "</Document></Content>", false))
                            - costOf(bare);
        const qint64 defaults = costOf(withDefaults) - costOf(bare);
        QVERIFY(each > 0 && defaults > each);
        // Within the limit without the defaults, past it with them. (The
        // titles' twin shows what opens under a limit with them, at less cost.)
        const qint64 count = (FileLimits::current().cost - costOf(bare)) / each;
        text = "<Content><Document>" + swayCase.repeated(int(count)) + "</Document></Content>";
        why = QStringLiteral("it has %L1 load cases, more than the").arg(count + 2);
    } else {
        // The defaults' text, and some room for addresses written a digit longer.
        const qint64 defaults = withDefaults.size() - bare.size();
        const qint64 plain = writtenAfterReading(titlesWrittenAs(0, 0), false).size();
        text = titlesWrittenAs(FileLimits::current().modelTextSize - (atTheLimit ? 100 : defaults + 100), plain);
        why = ReadingBudget::savedTextTooLong();
    }
    OpenedText model(text);
    text.clear();
    if (atTheLimit) {
        QVERIFY2(!model.opened && model.tooLarge, "opened");
        QVERIFY2(model.error.startsWith(ReadingBudget::tooLargeToOpen(why).chopped(1)), qPrintable(model.error));
        return;
    }
    QVERIFY2(model.opened, qPrintable(model.error));
    QCOMPARE(model.document.libraries()->loadCaseLibrary()->loadings().size(), 1);
    const QByteArray saved = DocumentXml::writeContent(&model.document, &model.viewPoint, &model.state);
    QVERIFY(!saved.isEmpty());
    QCOMPARE(NativeContainer::whyUnreadable(saved), QString());
}

void TestWrittenForms::whatTheWindowShowsCanBeSaved_data()
{
    QTest::addColumn<bool>("byCost");
    QTest::newRow("titles at the length limit") << false;
    QTest::newRow("sway cases at the cost limit") << true;
}

// An opened model shows a load case, the first loading where its text names
// none, and the window saves it with the model. A model within a limit with
// the defaults that opening adds, but past it with that load case, is
// refused as it opens, or opens and can be saved as the window saves it.
void TestWrittenForms::whatTheWindowShowsCanBeSaved()
{
    QFETCH(bool, byCost);
    const QByteArray empty = "<Content><Document></Document></Content>";
    const QByteArray withDefaults = writtenAfterReading(empty, true);
    const QByteArray shown = writtenAfterReading(empty, true, true);
    QByteArray text;
    if (byCost) {
        const QByteArray swayCase = "<SwayCase/>";
        const qint64 each =
            costOf(writtenAfterReading("<Content><Document>" + swayCase + "</Document></Content>", true))
            - costOf(withDefaults);
        const qint64 line = costOf(shown) - costOf(withDefaults);
        QVERIFY(line > 0 && line < each);
        // As many as fit with the defaults, and a note of the titles whose
        // characters cost the rest: the model costs the limit exactly.
        const qint64 count = (FileLimits::current().cost - costOf(withDefaults)) / each;
        const qint64 rest = FileLimits::current().cost - costOf(withDefaults) - count * each;
        const QByteArray note =
            "<Titles><Note>"
            + QByteArray(int(ReadingBudget::freeCharacters + ReadingBudget::charactersPerUnit * rest), 'n')
            + "</Note></Titles>";
        QCOMPARE(costOf(writtenAfterReading("<Content><Document>" + note + "</Document></Content>", true)),
                 costOf(withDefaults) + rest);
        text = "<Content><Document>" + note + swayCase.repeated(int(count)) + "</Document></Content>";
    } else {
        // With the defaults, half the line of the load case under the limit.
        const qint64 line = shown.size() - withDefaults.size();
        const qint64 defaults = withDefaults.size() - writtenAfterReading(empty, false).size();
        const qint64 plain = writtenAfterReading(titlesWrittenAs(0, 0), false).size();
        QVERIFY(line > 0);
        text = titlesWrittenAs(FileLimits::current().modelTextSize - defaults - line / 2, plain);
    }
    OpenedText model(text);
    text.clear();
    if (!model.opened) {
        QVERIFY2(model.tooLarge && model.error.startsWith(QStringLiteral("The model is too large to open: ")),
                 qPrintable(model.error));
        return;
    }
    // As the window takes the model.
    model.state.setLoadCase(model.document.loadCaseShownFor(model.state.loadCase()));
    QVERIFY(model.state.loadCase());
    const QByteArray saved = DocumentXml::writeContent(&model.document, &model.viewPoint, &model.state);
    QVERIFY2(!saved.isEmpty(), "opened, but too long to save");
    QCOMPARE(NativeContainer::whyUnreadable(saved), QString());
}

// A model written exactly as long as a model file may hold is saved, and a
// letter more of its note is not, with the length in the message.
void TestWrittenForms::textAsLongAsAFileHoldsIsWritten()
{
    const qint64 limit = FileLimits::current().modelTextSize;
    const qint64 plain = writtenAfterReading(titlesWrittenAs(0, 0), false).size();
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    ViewPoint viewPoint;
    CurrentState state;
    QString error;
    QVERIFY2(DocumentXml::readContent(titlesWrittenAs(limit, plain), &document, &viewPoint, &state, &error),
             qPrintable(error));
    const QByteArray saved = DocumentXml::writeContent(&document, &viewPoint, &state, &error);
    QCOMPARE(saved.size(), int(limit));
    QCOMPARE(NativeContainer::whyUnreadable(saved), QString());
    document.titles()->setNote(document.titles()->note() + QLatin1Char('n'));
    QVERIFY(DocumentXml::writeContent(&document, &viewPoint, &state, &error).isEmpty());
    QCOMPARE(error, QStringLiteral("The model is too large to save: its text is over the %L1 MB that a model file "
                                   "may hold.")
                        .arg(inMegabytes(limit)));
}

VARO_TEST_MAIN(TestWrittenForms)
#include "tst_writtenforms.moc"
