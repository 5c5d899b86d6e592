#pragma once

#include <QtGlobal>

// What one model file may hold: far above any real model, far below what
// fills the machine. A file over a limit is refused while it is read, and a
// model that would pass one is not saved, so that whatever is saved opens
// again.
//
// The program always works to the values below. A test may set smaller ones
// for its own scope (FileLimits::Scope), so that what happens at a limit is
// checked on a model a hundred times smaller; whoever reads or writes a file
// takes the limits once, as it begins.
struct FileLimits
{
    // The longest native model text, so that a file or container that would
    // be longer is refused rather than filling memory.
    qint64 modelTextSize = qint64(256) << 20;
    // The most a model text may cost to read, in the reading budget's units
    // (ReadingBudget.h): about 3.5 million nodes' worth, 1.7 GB while they are
    // read, and as long to read as the largest grid that the length limit
    // lets a file hold, 738 by 738 nodes, whose 1.09 million members bring it
    // to 43 million.
    qint64 cost = 45000000;
    // The longest stretch of a model text without markup ('<' or '>'): no
    // name, note or number comes near it, and a longer one is padding, not a
    // model.
    qint64 textRun = qint64(4) << 20;
    // A transfer text builds about fifty times its size in memory, so it may
    // be far shorter than a model text; a million nodes still fit.
    qint64 transferTextSize = qint64(64) << 20;
    // The records of a transfer text, which are simpler than a model's objects.
    qint64 transferRecords = 4000000;

    // The limits in force.
    static FileLimits current();

    bool operator==(const FileLimits& other) const;
    bool operator!=(const FileLimits& other) const { return !(*this == other); }

    class Scope;
};

// For tests: the limits in force while it lives, the earlier ones again after.
class FileLimits::Scope
{
public:
    explicit Scope(const FileLimits& limits);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    FileLimits previous;
};

// A size in MB for a message: whole for every limit the program has.
inline double inMegabytes(qint64 bytes)
{
    return double(bytes) / double(1 << 20);
}
