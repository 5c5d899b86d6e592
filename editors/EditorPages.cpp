#include "EditorPages.h"

#include "CombinationView.h"
#include "CrossSectionView.h"
#include "EditorPageFactory.h"
#include "GeometryGroupView.h"
#include "LoadingView.h"
#include "SwayCaseView.h"

void installEditorPages()
{
    EditorPageFactory::install([](EditorPageFactory::Page page, const QSharedPointer<UnitSystem>& unitSystem,
                                  QWidget* parent) -> QWidget* {
        switch (page) {
        case EditorPageFactory::GeometryGroupPage:
            return new GeometryGroupView(parent);
        case EditorPageFactory::LoadingPage:
            return new LoadingView(parent);
        case EditorPageFactory::SwayCasePage:
            return new SwayCaseView(unitSystem, parent);
        case EditorPageFactory::CombinationPage:
            return new CombinationView(unitSystem, parent);
        case EditorPageFactory::CrossSectionPage:
            return new CrossSectionView(unitSystem, parent);
        }
        return nullptr;
    });
}
