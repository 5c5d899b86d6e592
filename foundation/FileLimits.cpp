#include "FileLimits.h"

#include <atomic>

namespace {

// Each limit on its own: a reader on another thread takes them while a test
// may set them, and none is ever torn.
constexpr FileLimits real{};
struct InForce
{
    std::atomic<qint64> modelTextSize{real.modelTextSize};
    std::atomic<qint64> cost{real.cost};
    std::atomic<qint64> textRun{real.textRun};
    std::atomic<qint64> transferTextSize{real.transferTextSize};
    std::atomic<qint64> transferRecords{real.transferRecords};
} inForce;

void set(const FileLimits& limits)
{
    inForce.modelTextSize.store(limits.modelTextSize);
    inForce.cost.store(limits.cost);
    inForce.textRun.store(limits.textRun);
    inForce.transferTextSize.store(limits.transferTextSize);
    inForce.transferRecords.store(limits.transferRecords);
}

} // namespace

FileLimits FileLimits::current()
{
    FileLimits limits;
    limits.modelTextSize = inForce.modelTextSize.load();
    limits.cost = inForce.cost.load();
    limits.textRun = inForce.textRun.load();
    limits.transferTextSize = inForce.transferTextSize.load();
    limits.transferRecords = inForce.transferRecords.load();
    return limits;
}

bool FileLimits::operator==(const FileLimits& other) const
{
    return modelTextSize == other.modelTextSize && cost == other.cost && textRun == other.textRun
           && transferTextSize == other.transferTextSize && transferRecords == other.transferRecords;
}

FileLimits::Scope::Scope(const FileLimits& limits) : previous(current())
{
    set(limits);
}

FileLimits::Scope::~Scope()
{
    set(previous);
}
