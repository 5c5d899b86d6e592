#pragma once

#include "EditingTesting.h"
#include "ModelMetaTypes.h"
#include "WidgetTesting.h"

#include "EditorPage.h"
#include "PickerCell.h"

#include <QLineEdit>

// The widget test main with the model's types registered, as start-up does.
#define VARO_EDITOR_TEST_MAIN(TestClass) VARO_WIDGET_TEST_MAIN_REGISTERING(TestClass, registerModelMetaTypes())

// Counts a signal's emissions: QSignalSpy cannot hold the non-const
// references that the change signals carry.
class Emissions
{
public:
    template <class Sender, class Signal>
    Emissions(Sender* sender, Signal signal)
    {
        QObject::connect(sender, signal, &context, [this] { ++n; });
    }
    int count() const { return n; }

private:
    QObject context;
    int n = 0;
};

// Types into the page's name field as a user would.
inline void typeName(EditorPage& page, const QString& text)
{
    page.nameField()->selectAll();
    QTest::keyClicks(page.nameField(), text);
}
