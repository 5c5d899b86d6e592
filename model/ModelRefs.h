#pragma once

#include <QList>
#include <QSharedPointer>

// Shared references to the model objects. Objects are compared by identity;
// maps keyed by references are ordered by address.

class VaroObject;
class Node;
class Member;
class Load;
class PointLoad;
class TorqueLoad;
class TrapezoidLoad;
class Group;
class GeometryGroup;
class LoadCase;
class Loading;
class GravityCase;
class SuperLoadCase;
class SwayCase;
class Combination;
class Material;
class CrossSection;
class SectionType;
class LoadAxis;
class MemberAxis;
class MemberPin;
class Support;
class Titles;
class Report;

typedef QSharedPointer<VaroObject> VaroObjectRef;
typedef QSharedPointer<Node> NodeRef;
typedef QSharedPointer<Member> MemberRef;
typedef QSharedPointer<Load> LoadRef;
typedef QSharedPointer<Group> GroupRef;
typedef QSharedPointer<GeometryGroup> GeometryGroupRef;
typedef QSharedPointer<LoadCase> LoadCaseRef;
typedef QSharedPointer<Loading> LoadingRef;
typedef QSharedPointer<GravityCase> GravityCaseRef;
typedef QSharedPointer<SuperLoadCase> SuperLoadCaseRef;
typedef QSharedPointer<SwayCase> SwayCaseRef;
typedef QSharedPointer<Combination> CombinationRef;
typedef QSharedPointer<Material> MaterialRef;
typedef QSharedPointer<CrossSection> CrossSectionRef;
typedef QSharedPointer<SectionType> SectionTypeRef;
typedef QSharedPointer<LoadAxis> LoadAxisRef;
typedef QSharedPointer<MemberAxis> MemberAxisRef;
typedef QSharedPointer<MemberPin> MemberPinRef;
typedef QSharedPointer<Support> SupportRef;
typedef QSharedPointer<Titles> TitlesRef;
typedef QSharedPointer<Report> ReportRef;
