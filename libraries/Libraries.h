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
    Libraries();
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
};
