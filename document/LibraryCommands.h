#pragma once

#include "Combination.h"
#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "HistoryCommand.h"
#include "LoadCaseLibrary.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "SwayCase.h"

#include <QColor>
#include <QPair>

// The undoable changes of the libraries and of the entries they hold. Every
// change reaches the library's Changed(), which is how the document learns
// that groups, load cases or materials went stale for the analysis.

// An entry added to or taken from a library; the undo does the other.
template <class Library, class Entry, auto Do, auto Undo>
class LibraryEntryCommand : public HistoryCommand
{
public:
    LibraryEntryCommand(const QSharedPointer<Library>& library, const Entry& entry) : library(library), entry(entry) {}

    void redo() override { (library.data()->*Do)(entry); }
    void undo() override { (library.data()->*Undo)(entry); }
    bool releaseSome(int*) override { return true; }

private:
    const QSharedPointer<Library> library;
    const Entry entry;
};

class CommandAppendGroup
    : public LibraryEntryCommand<GroupLibrary, GroupRef, &GroupLibrary::append, &GroupLibrary::remove>
{
public:
    using LibraryEntryCommand::LibraryEntryCommand;
};

// An entry taken from a library; the undo puts it back at its place.
template <class Library, class Entry>
class LibraryRemoveCommand : public HistoryCommand
{
public:
    LibraryRemoveCommand(const QSharedPointer<Library>& library, const Entry& entry) : library(library), entry(entry)
    {
    }

    void redo() override { place = library->takeItemByValue(library->root(), entry); }
    void undo() override
    {
        library->restoreItem(place);
        place = typename Library::Place();
    }
    bool releaseSome(int*) override { return true; }

private:
    const QSharedPointer<Library> library;
    const Entry entry;
    typename Library::Place place;
};

class CommandRemoveGroup : public LibraryRemoveCommand<GroupLibrary, GroupRef>
{
public:
    using LibraryRemoveCommand::LibraryRemoveCommand;
};

class CommandAppendLoadCase
    : public LibraryEntryCommand<LoadCaseLibrary, LoadCaseRef, &LoadCaseLibrary::append, &LoadCaseLibrary::remove>
{
public:
    using LibraryEntryCommand::LibraryEntryCommand;
};

class CommandRemoveLoadCase : public LibraryRemoveCommand<LoadCaseLibrary, LoadCaseRef>
{
public:
    using LibraryRemoveCommand::LibraryRemoveCommand;
};

class CommandAppendMaterial : public LibraryEntryCommand<MaterialLibrary, MaterialRef, &MaterialLibrary::appendCustom,
                                                         &MaterialLibrary::removeCustom>
{
public:
    using LibraryEntryCommand::LibraryEntryCommand;
};

class CommandRemoveMaterial : public LibraryEntryCommand<MaterialLibrary, MaterialRef, &MaterialLibrary::removeCustom,
                                                         &MaterialLibrary::appendCustom>
{
public:
    using LibraryEntryCommand::LibraryEntryCommand;
};

// A value of a library entry. The library item that holds the entry is
// found when the command is made; after every redo and undo it announces
// the change up its tree, so that pickers, editor pages and the document's
// stamps follow.
template <class Object, class Value>
class LibraryValueCommand : public HistoryCommand
{
public:
    template <class Library>
    LibraryValueCommand(const QSharedPointer<Library>& library, const QSharedPointer<Object>& object,
                        const Value& value)
        : object(object), item(itemOf(library, object)), newValue(value)
    {
    }

    void redo() override
    {
        oldValue = read();
        write(newValue);
        announce();
    }
    void undo() override
    {
        write(oldValue);
        oldValue = Value();
        announce();
    }
    bool releaseSome(int* budget) override
    {
        return releaseHeldValue(newValue, budget) && releaseHeldValue(oldValue, budget);
    }

protected:
    virtual Value read() const = 0;
    virtual void write(const Value& value) = 0;

    const QSharedPointer<Object> object;

private:
    template <class Library>
    static TreeNodeRef itemOf(const QSharedPointer<Library>& library, const QSharedPointer<Object>& object)
    {
        if (!library)
            return TreeNodeRef();
        return library->findItemByValue(library->root(), object);
    }

    void announce()
    {
        if (item)
            item->propagateEmitValueChanged();
    }

    const TreeNodeRef item;
    Value newValue;
    Value oldValue;
};

// A value read and written through a getter and a setter of the entry.
template <class Object, class Value, auto Get, auto Set>
class LibraryPropertyCommand : public LibraryValueCommand<Object, Value>
{
public:
    using LibraryValueCommand<Object, Value>::LibraryValueCommand;

protected:
    Value read() const override { return (this->object.data()->*Get)(); }
    void write(const Value& value) override { (this->object.data()->*Set)(value); }
};

class CommandRenameGroup : public LibraryPropertyCommand<Group, QString, &Group::name, &Group::setName>
{
public:
    using LibraryPropertyCommand::LibraryPropertyCommand;
};

class CommandRenameLoadCase : public LibraryPropertyCommand<LoadCase, QString, &LoadCase::name, &LoadCase::setName>
{
public:
    using LibraryPropertyCommand::LibraryPropertyCommand;
};

class CommandRenameMaterial
    : public LibraryPropertyCommand<Material, QStringList, &Material::names, &Material::setNames>
{
public:
    using LibraryPropertyCommand::LibraryPropertyCommand;
};

class CommandSetGeometryGroupColour
    : public LibraryPropertyCommand<GeometryGroup, QColor, &GeometryGroup::colour, &GeometryGroup::setColour>
{
public:
    using LibraryPropertyCommand::LibraryPropertyCommand;
};

class CommandSetGeometryGroupAnalysisPurpose
    : public LibraryPropertyCommand<GeometryGroup, bool, &GeometryGroup::hasAnalysisPurpose,
                                    &GeometryGroup::setAnalysisPurpose>
{
public:
    using LibraryPropertyCommand::LibraryPropertyCommand;
};

class CommandSetSuperLoadCaseFactors
    : public LibraryPropertyCommand<SuperLoadCase, QMap<LoadCaseRef, double>, &SuperLoadCase::factors,
                                    &SuperLoadCase::setFactors>
{
public:
    using LibraryPropertyCommand::LibraryPropertyCommand;
};

// Writes the flag it is given; the undo writes back the one it found.
class CommandSetCombinationSecondOrder
    : public LibraryPropertyCommand<Combination, bool, &Combination::isSecondOrder, &Combination::setSecondOrder>
{
public:
    using LibraryPropertyCommand::LibraryPropertyCommand;
};

class CommandSetLoadCaseColour : public LibraryValueCommand<LoadCase, QColor>
{
public:
    using LibraryValueCommand::LibraryValueCommand;

protected:
    QColor read() const override;
    void write(const QColor& colour) override;
};

// Only the four properties are written; the names stay.
class CommandSetMaterialProperties : public LibraryValueCommand<Material, Material>
{
public:
    using LibraryValueCommand::LibraryValueCommand;

protected:
    Material read() const override;
    void write(const Material& values) override;
};

class CommandSetSwayCaseComponents
    : public LibraryValueCommand<SwayCase, QPair<SwayCase::LoadComponent, SwayCase::LoadComponent>>
{
public:
    CommandSetSwayCaseComponents(const QSharedPointer<LoadCaseLibrary>& library, const SwayCaseRef& swayCase,
                                 SwayCase::LoadComponent take, SwayCase::LoadComponent apply);

protected:
    // (take, apply)
    QPair<SwayCase::LoadComponent, SwayCase::LoadComponent> read() const override;
    void write(const QPair<SwayCase::LoadComponent, SwayCase::LoadComponent>& components) override;
};
