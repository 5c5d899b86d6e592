#pragma once

#include <QtGlobal>

#include <vector>

// What a writer writes of one kind of element, stated beside the writer: the
// element's name, its attributes and child elements, which of them it writes
// whatever the object holds, which are references to other objects, and how
// long each value can be written. The reading budget bounds the text that a
// model will be saved as from these forms alone, and a test holds every writer
// to its own.
namespace XmlForm {

// How a value is written, which says how long it can be.
enum class Value : quint8 {
    None,        // no text: an element of elements
    Text,        // what a user typed, as it reads, each character escaped in six at most
    Number,      // seventeen figures (ModelXml::numberText)
    Factor,      // a number that the reader rounds, then written as Number
    Vector,      // three Numbers (ModelXml::vectorText)
    Whole,       // an int
    Flag,        // "true" or "false"
    Colour,      // "#AARRGGBB"
    Reference,   // another object's id: the digits of its address
    ViewNumber,  // fifteen figures
    ViewVector,  // three ViewNumbers
    Scale,       // six figures
    Places,      // three fixed places
};

// The most and the least characters the writer writes of a value of the
// kind; for text, 0 and what it reads as.
int longest(Value value);
int shortest(Value value);

enum Flag : quint8 {
    // An attribute of the element, not a child element.
    Attribute = 1,
    // Written whatever the object holds, or else its reader refuses the text.
    Always = 2,
    // Written any number of times.
    Repeated = 4,
    // An object that its list writes whether or not another object names it.
    Standalone = 8,
    // Written before each element of the field that follows it.
    Leads = 16,
    // Written where the field before it is written, and only there.
    Follows = 32,
};

struct Element;

struct Field
{
    const char* name;
    Value value;
    quint8 flags;
    // The element's own form: an object's, or an element of fields of its own.
    const Element* form;
    // What a reference names: an object's form, or a base of several; null for any object.
    const Element* target;
};

struct Element
{
    // As written; null for the fields a base class writes for its kinds.
    const char* name;
    // The element's own text.
    Value value;
    std::vector<Field> fields;
    // The form of the class whose fields are written first.
    const Element* base = nullptr;
    // What reading one takes, in the reading budget's units; 0 for no more
    // than any element.
    int cost = 0;
    // How a user names one and several, for an object counted by its kind.
    const char* one = nullptr;
    const char* several = nullptr;
    // Its reader descends into elements it does not know, for objects
    // inside them: a list of objects.
    bool walked = false;

    // An object counted by its kind.
    Element costing(int units, const char* oneName, const char* severalNames) const
    {
        Element counted = *this;
        counted.cost = units;
        counted.one = oneName;
        counted.several = severalNames;
        return counted;
    }
};

// Every field of the form, those of its bases first, as the writers write them.
inline std::vector<const Field*> fieldsOf(const Element* form)
{
    std::vector<const Field*> fields;
    if (!form)
        return fields;
    if (form->base)
        fields = fieldsOf(form->base);
    for (const Field& field : form->fields)
        fields.push_back(&field);
    return fields;
}
inline const char* nameOf(const Field& field)
{
    return field.name ? field.name : field.form->name;
}
inline Value valueOf(const Field& field)
{
    return field.form ? field.form->value : field.value;
}
// Whether the form is that of an object counted by its kind, as a list holds them.
inline bool isObject(const Element* form)
{
    return form && form->several;
}
// Whether the form is the target's or derives from it.
inline bool derivesFrom(const Element* form, const Element* target)
{
    for (; form; form = form->base)
        if (form == target)
            return true;
    return false;
}

inline Element element(const char* name, std::vector<Field> fields, const Element* base = nullptr)
{
    return Element{name, Value::None, std::move(fields), base};
}
inline Element valued(const char* name, Value value, std::vector<Field> fields = {})
{
    return Element{name, value, std::move(fields)};
}
// A list of objects.
inline Element list(const char* name, std::vector<Field> fields)
{
    Element form{name, Value::None, std::move(fields)};
    form.walked = true;
    return form;
}

inline Field child(const char* name, Value value, quint8 flags = 0)
{
    return Field{name, value, flags, nullptr, nullptr};
}
inline Field attribute(const char* name, Value value, quint8 flags = 0, const Element* target = nullptr)
{
    return Field{name, value, quint8(flags | Attribute), nullptr, target};
}
inline Field reference(const char* name, const Element* target, quint8 flags = 0)
{
    return Field{name, Value::Reference, flags, nullptr, target};
}
// A child element of the form given, under the form's name unless another is given.
inline Field child(const Element& form, quint8 flags = 0, const char* name = nullptr)
{
    return Field{name, Value::None, flags, &form, nullptr};
}

} // namespace XmlForm
