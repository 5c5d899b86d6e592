#include "BudgetLayout.h"

#include "DocumentXml.h"
#include "ReadingBudget.h"

#include <QHash>
#include <QByteArray>

#include <cstring>

namespace BudgetLayout {

namespace {

using XmlForm::Element;
using XmlForm::Field;
using XmlForm::Value;

// What reading an element costs that the reader turns into a value (3), and
// any other, which the reader passes over or descends into (2): about what
// the XML reader itself takes, in units of the time it takes to read 50
// bytes' worth of a node.
constexpr int elementCost = 2;
constexpr int fieldCost = 3;
using ReadingBudget::charactersPerUnit;
using ReadingBudget::freeCharacters;

QByteArray smallName(const char* name)
{
    QByteArray small(name);
    for (char& c : small)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return small;
}

using XmlForm::fieldsOf;
using XmlForm::nameOf;
using XmlForm::valueOf;

Text textOf(Value value)
{
    switch (value) {
    case Value::None:
        return Text::None;
    // A flag, "true" or "false" however it reads; numbers of a view and of
    // the window's state, which are written as their setters keep them, in
    // other forms than the model's.
    case Value::Flag:
    case Value::Reference:
    case Value::ViewNumber:
    case Value::ViewVector:
    case Value::Scale:
    case Value::Places:
        return Text::Fixed;
    case Value::Factor:
        return Text::Factor;
    default:
        return Text::Plain;
    }
}

int length(Value value, bool most)
{
    return most ? XmlForm::longest(value) : XmlForm::shortest(value);
}

// An element with the fields it always has, each at its longest (or
// shortest), on lines of its own: <N a="…"/>, <N a="…">text</N>, or its start
// tag, its fields one level deeper and its end tag.
LeftOut elementText(const char* name, const Element* form, Value value, int cost, bool most)
{
    const int n = int(std::strlen(name));
    LeftOut text;
    int attributes = 0;
    std::vector<LeftOut> children;
    for (const Field* field : fieldsOf(form)) {
        if (!(field->flags & XmlForm::Always))
            continue;
        const Value fieldValue = valueOf(*field);
        if (field->flags & XmlForm::Attribute) {
            attributes += int(std::strlen(field->name)) + 4 + length(fieldValue, most);
        } else {
            const int childCost = field->form && field->form->cost ? field->form->cost : fieldCost;
            children.push_back(elementText(nameOf(*field), field->form, fieldValue, childCost, most));
        }
    }
    text.cost = cost;
    text.nesting = 1;
    if (value != Value::None) {
        const int characters = length(value, most);
        text.most = {2 * n + 6 + characters + attributes, 1};
        text.cost += int(ReadingBudget::charactersCost(characters));
        return text;
    }
    if (children.empty()) {
        text.most = {n + 4 + attributes, 1};
        return text;
    }
    text.most = {n + 3 + attributes + n + 4, 2};
    for (const LeftOut& child : children) {
        // One level deeper than the element.
        text.most.base += child.most.base + child.most.lines;
        text.most.lines += child.most.lines;
        text.cost += child.cost;
        text.nesting = qMax(text.nesting, child.nesting + 1);
    }
    return text;
}

// The kind that a user names so, past the first, which stands for the rest.
int findKind(const std::vector<Kind>& kinds, const char* several)
{
    for (size_t i = 1; i < kinds.size(); ++i)
        if (std::strcmp(kinds[i].several, several) == 0)
            return int(i);
    return -1;
}

class Builder
{
public:
    Layout layout;

    Builder()
    {
        layout.kinds.push_back({"other part", "other parts"});
        // Entry 0 stands for none; context 0 holds what an object's reader
        // skips: every element in it costs a value's reading and is not written.
        layout.entries.emplace_back();
        Entry skipped;
        skipped.cost = fieldCost;
        layout.entries.push_back(skipped);
        Context inSkipped;
        inSkipped.unknown = 1;
        layout.contexts.push_back(inSkipped);
        layout.top = contextOf(&DocumentXml::contentForm);
        // Names are known only now: each context's row of entries by name.
        layout.names = int(names.size());
        layout.byName.assign(layout.contexts.size() * names.size(), 0);
        for (const Placed& placed : pending)
            layout.byName[size_t(placed.context) * names.size() + size_t(placed.name)] = placed.entry;
        layout.nameTexts.resize(names.size());
        for (auto name = names.constBegin(); name != names.constEnd(); ++name)
            layout.nameTexts[size_t(name.value())] = name.key();
        for (const QByteArray& name : layout.nameTexts)
            layout.nameLetters.push_back(name.constData());
        const int cells = (longestName + 1) * 26;
        layout.cellStart.assign(size_t(cells) + 1, 0);
        for (int cell = 0; cell < cells; ++cell) {
            layout.cellStart[size_t(cell)] = quint16(layout.cellNames.size());
            for (int id = 0; id < layout.names; ++id) {
                const QByteArray& text = layout.nameTexts[size_t(id)];
                if (text.size() * 26 + (text.at(0) - 'a') == cell)
                    layout.cellNames.push_back(quint16(id));
            }
        }
        layout.cellStart[size_t(cells)] = quint16(layout.cellNames.size());
    }

private:
    struct Placed
    {
        quint16 context;
        int name;
        quint16 entry;
    };
    QHash<const Element*, quint16> contexts;
    QHash<QByteArray, int> names;
    std::vector<Placed> pending;

    int kindOf(const Element* form)
    {
        if (!form || !form->several)
            return -1;
        const int known = findKind(layout.kinds, form->several);
        if (known >= 0)
            return known;
        layout.kinds.push_back({form->one, form->several});
        return int(layout.kinds.size() - 1);
    }

    quint16 contextOf(const Element* form)
    {
        const auto known = contexts.constFind(form);
        if (known != contexts.constEnd())
            return *known;
        const quint16 id = quint16(layout.contexts.size());
        contexts.insert(form, id);
        layout.contexts.emplace_back();
        Context context;
        context.walked = form->walked;
        Entry unknown;
        unknown.cost = form->walked ? elementCost : fieldCost;
        unknown.context = form->walked ? id : 0;
        context.unknown = quint16(layout.entries.size());
        layout.entries.push_back(unknown);
        context.least = elementText(form->name ? form->name : "", form, form->value, 0, false).most;
        int bits = 0;
        const Field* previous = nullptr;
        std::vector<std::pair<quint16, const Element*>> children;
        for (const Field* field : fieldsOf(form)) {
            const Value value = valueOf(*field);
            const quint8 bit = quint8(bits++);
            Q_ASSERT(bits <= 64);
            context.leftOut.push_back(leftOutOf(*field, form->walked));
            if (field->flags & XmlForm::Always)
                context.always |= quint64(1) << bit;
            if (previous && (field->flags & XmlForm::Follows))
                context.followers.emplace_back(quint8(bit - 1), bit);
            if (field->flags & XmlForm::Attribute) {
                context.attributes.push_back(
                    {field->name, int(std::strlen(field->name)), bit, textOf(value), qint16(XmlForm::longest(value))});
                context.attributesMost += int(std::strlen(field->name)) + 4 + XmlForm::longest(value);
                previous = field;
                continue;
            }
            Entry entry;
            entry.text = textOf(value);
            entry.longest = qint16(XmlForm::longest(value));
            entry.cost = quint8(costOf(*field, form->walked));
            entry.kind = qint8(kindOf(field->form));
            entry.bit = bit;
            entry.written = true;
            entry.standalone = field->flags & XmlForm::Standalone;
            entry.leads = field->flags & XmlForm::Leads;
            entry.document = field->form == &DocumentXml::documentForm;
            entry.endTag = qint16(std::strlen(nameOf(*field)) + 3);
            if (value != Value::None)
                entry.emptyMost = entry.endTag - 1 + XmlForm::longest(value);
            if (previous && (previous->flags & XmlForm::Leads)) {
                entry.leader = qint16(layout.leaders.size());
                layout.leaders.push_back(leftOutOf(*previous, form->walked));
            }
            const quint16 at = quint16(layout.entries.size());
            layout.entries.push_back(entry);
            pending.push_back({id, nameIdOf(smallName(nameOf(*field))), at});
            children.emplace_back(at, field->form);
            previous = field;
        }
        layout.contexts[id] = context;
        // The children's places once this one has its own, so that forms may nest in each other.
        for (const auto& child : children)
            if (child.second) {
                const quint16 inner = contextOf(child.second);
                layout.entries[child.first].context = inner;
            }
        return id;
    }

    int nameIdOf(const QByteArray& small)
    {
        Q_ASSERT(small.size() <= longestName && small.at(0) >= 'a' && small.at(0) <= 'z');
        const auto known = names.constFind(small);
        if (known != names.constEnd())
            return *known;
        const int id = names.size();
        names.insert(small, id);
        return id;
    }

    static int costOf(const Field& field, bool inList)
    {
        if (field.form && field.form->cost)
            return field.form->cost;
        if (valueOf(field) != Value::None || !inList)
            return fieldCost;
        return elementCost;
    }

    static LeftOut leftOutOf(const Field& field, bool inList)
    {
        const Value value = valueOf(field);
        if (field.flags & XmlForm::Attribute)
            return LeftOut{{int(std::strlen(field.name)) + 4 + XmlForm::longest(value), 0}, 0, 0};
        return elementText(nameOf(field), field.form, value, costOf(field, inList), true);
    }
};

const Builder& builder()
{
    static const Builder built;
    return built;
}

} // namespace

const Layout& layout()
{
    return builder().layout;
}

int kindOf(const char* several)
{
    return findKind(layout().kinds, several);
}

} // namespace BudgetLayout
