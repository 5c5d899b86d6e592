// Linked into every test program: a thread that asks for a lock it already
// writes under would freeze the program; here it fails the running test at
// once, naming the function that asked.

#include "TrackedReadWriteLock.h"

#include <QtGlobal>

namespace {

void failAtOnce(const char* asker)
{
    qFatal("%s asked for a lock that its own thread holds for writing", asker);
}

const bool installed = (TrackedReadWriteLock::setReentryHandler(&failAtOnce), true);

} // namespace
