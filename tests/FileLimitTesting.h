#pragma once

#include "FileLimits.h"

// The program's file limits, each divided by `scale`: in the same proportion
// to one another, so that a model that meets one limit before the others at
// full size meets it first here too, in a hundredth of the text. The default
// keeps every size a whole number of bytes and the text sizes powers of two.
inline FileLimits scaledFileLimits(qint64 scale = 128)
{
    const FileLimits real;
    FileLimits limits;
    limits.modelTextSize = real.modelTextSize / scale;
    limits.cost = real.cost / scale;
    limits.textRun = real.textRun / scale;
    limits.transferTextSize = real.transferTextSize / scale;
    limits.transferRecords = real.transferRecords / scale;
    return limits;
}

// The scaled limits in force for a test's scope.
class ScaledFileLimits : public FileLimits::Scope
{
public:
    explicit ScaledFileLimits(qint64 scale = 128) : FileLimits::Scope(scaledFileLimits(scale)) {}
};

// A count that stands to the limits in force as `count` stands to the real
// ones: a model of so many objects meets the scaled limits as one of `count`
// would meet the real ones.
inline qint64 inProportion(qint64 count)
{
    return count * FileLimits::current().modelTextSize / FileLimits().modelTextSize;
}
