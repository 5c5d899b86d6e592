#pragma once

#include "TestMain.h"

#include "Application.h"
#include "Calculator.h"
#include "FoundationMetaTypes.h"
#include "VisualConstants.h"

#include <QPushButton>
#include <QtTest>

// Presses calculator keys through its slots, one character per key: digits
// . + - * / as typed; n Neg, s Sqrt, q Square, r Recip, i Sin, o Cos, t Tan,
// S Shift, d Del, c C/AC, = Equals/Done.
inline void pressKeys(Calculator& calculator, const QString& keys)
{
    const QHash<QChar, QString> names{{'.', "Decimal"}, {'+', "Add"},  {'-', "Sub"},  {'*', "Mul"},
                                      {'/', "Div"},     {'n', "Neg"},  {'s', "Sqrt"}, {'q', "Square"},
                                      {'r', "Recip"},   {'i', "Sin^"}, {'o', "Cos^"}, {'t', "Tan^"}};
    for (const QChar key : keys) {
        if (key == 'S')
            calculator.findChild<QPushButton*>(QStringLiteral("buttonShift"))->click();
        else if (key == 'd')
            calculator.keyDelete();
        else if (key == 'c')
            calculator.keyClear();
        else if (key == '=')
            calculator.keyDone();
        else
            for (int i = 0; i < Calculator::Keys::Count; ++i)
                if (QLatin1String(Calculator::Keys::CapLegend[i]) == names.value(key, QString(key)))
                    calculator.keyPressed(i);
    }
}

// A test main on the program's application object, with the meta-types and
// the style sheets that start-up provides; "registered" adds further types.
// It fails on any Qt warning that no test expected.
#define VARO_WIDGET_TEST_MAIN(TestClass) VARO_WIDGET_TEST_MAIN_REGISTERING(TestClass, )
#define VARO_WIDGET_TEST_MAIN_REGISTERING(TestClass, registered)                                                     \
    int main(int argc, char* argv[])                                                                                 \
    {                                                                                                                \
        Application application(argc, argv);                                                                         \
        registerFoundationMetaTypes();                                                                               \
        registered;                                                                                                  \
        initialiseVisualConstants();                                                                                 \
        return runTestCountingWarnings<TestClass>(argc, argv);                                                       \
    }
