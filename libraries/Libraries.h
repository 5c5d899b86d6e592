#pragma once

#include <QSharedPointer>

class GroupLibrary;
class LoadAxisLibrary;
class LoadCaseLibrary;
class MaterialLibrary;
class MemberAxisLibrary;
class MemberPinLibrary;
class SectionLibrary;
class SupportLibrary;

// A document's eight catalogues, built together with their built-in entries.
// The references are fixed at construction, so reading them needs no lock.
class Libraries
{
public:
    // With a section library given, it is shared rather than built anew:
    // building it is most of the cost of a new document, and reading a
    // document never changes it, so documents that are only read one after
    // another (the fuzzing of the readers) can share one.
    explicit Libraries(const QSharedPointer<SectionLibrary>& sharedSections = {});
    ~Libraries();
    Q_DISABLE_COPY(Libraries)

    QSharedPointer<GroupLibrary> groupLibrary() const { return groups; }
    QSharedPointer<LoadAxisLibrary> loadAxisLibrary() const { return loadAxes; }
    QSharedPointer<LoadCaseLibrary> loadCaseLibrary() const { return loadCases; }
    QSharedPointer<MaterialLibrary> materialLibrary() const { return materials; }
    QSharedPointer<MemberAxisLibrary> memberAxisLibrary() const { return memberAxes; }
    QSharedPointer<MemberPinLibrary> memberPinLibrary() const { return memberPins; }
    QSharedPointer<SectionLibrary> sectionLibrary() const { return sections; }
    QSharedPointer<SupportLibrary> supportLibrary() const { return supports; }
    // Whether the section library is another's too: given to this set, or
    // held by another set as well, which a document that made it may have
    // given it to since.
    bool sharesSections() const;

private:
    // Created in this order; the section library takes its materials from the
    // material library made before it.
    const QSharedPointer<GroupLibrary> groups;
    const QSharedPointer<LoadAxisLibrary> loadAxes;
    const QSharedPointer<LoadCaseLibrary> loadCases;
    const QSharedPointer<MaterialLibrary> materials;
    const QSharedPointer<MemberAxisLibrary> memberAxes;
    const QSharedPointer<MemberPinLibrary> memberPins;
    const QSharedPointer<SectionLibrary> sections;
    const QSharedPointer<SupportLibrary> supports;
    const bool sectionsShared;
};
