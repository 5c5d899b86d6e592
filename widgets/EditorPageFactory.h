#pragma once

#include <QGenericArgument>
#include <QSharedPointer>

#include <functional>

class QWidget;
class UnitSystem;

// The editor pages that the group, load-case and section accessors host belong
// to a later library, so the program installs a maker for them before it
// builds an accessor. Without one, or when the maker returns null, the
// accessor does without that page.
//
// An accessor reaches its pages through their meta-objects only. Each page
// offers, as slots or Q_INVOKABLE, with exactly these parameter spellings:
//   GeometryGroupPage: setLibrary(QSharedPointer<GroupLibrary>), setGeometryGroup(GeometryGroupRef)
//   LoadingPage:       setLibrary(QSharedPointer<LoadCaseLibrary>), setLoading(LoadingRef)
//   SwayCasePage:      setLibrary(QSharedPointer<LoadCaseLibrary>), setSwayCase(SwayCaseRef)
//   CombinationPage:   setLibrary(QSharedPointer<LoadCaseLibrary>), setCombination(CombinationRef)
//   these four also:   setRemoveable(bool), writeBack(), applyEdits(), and the signal GoBack()
//   CrossSectionPage:  setSection(CrossSectionRef, MaterialRef, MaterialRef), setCustomMaterial(MaterialRef),
//                      setEditable(bool), and the signals OpenCalculator(double, UnitSystem::Conversion,
//                      Matrix4x4, Calculator::Reference, QObject*, const char*),
//                      CalculatorRequestLapsed(Calculator::Reference), OpenMaterialPicker(MaterialRef)
//                      and SectionChosen(CrossSectionRef, MaterialRef)
// (each Ref parameter may be declared as a const reference).
class EditorPageFactory
{
public:
    enum Page { GeometryGroupPage, LoadingPage, SwayCasePage, CombinationPage, CrossSectionPage };

    typedef std::function<QWidget*(Page page, const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent)> Maker;

    // An empty maker removes the one installed.
    static void install(const Maker& maker);
    static QWidget* make(Page page, const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent);

    // Calls the page's method directly; a page that lacks it is reported on
    // the debug output, so a misspelt contract shows in the tests.
    static bool call(QWidget* page, const char* method, QGenericArgument a0 = QGenericArgument(nullptr),
                     QGenericArgument a1 = QGenericArgument(), QGenericArgument a2 = QGenericArgument());

private:
    static Maker _maker;
};
