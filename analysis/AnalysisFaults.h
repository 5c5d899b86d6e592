#pragma once

#include "ModelRefs.h"

#include <QString>

#include <exception>

// A fault in the model that stops an analysis pass: the text shown to the user
// as the analysis status and the model object it concerns (null when the fault
// concerns the model as a whole). Thrown by value, caught by reference.
class ExceptionAnalysisFault : public std::exception
{
public:
    explicit ExceptionAnalysisFault(const QString& message, const VaroObjectRef& object = VaroObjectRef())
        : message(message), object(object)
    {
    }

    QString message;
    VaroObjectRef object;
};

// An object that a constructor needs is missing after its creation.
class ExceptionCannotAllocate : public std::exception
{
};
