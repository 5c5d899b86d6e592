#pragma once

#include <atomic>
#include <functional>
#include <utility>

// Asks whether a stretch of work that grows with the model is still wanted,
// once in so many steps, so that a stop, or the program's end, is heard
// within a short step however large the model.
class StopChecks
{
public:
    explicit StopChecks(std::function<bool()> carryOn, int stepsBetweenChecks = 4096)
        : carryOn(std::move(carryOn)),
          stepsBetweenChecks(_testStepsBetweenChecks > 0 ? _testStepsBetweenChecks : stepsBetweenChecks)
    {
    }
    ~StopChecks() { tally(); }
    StopChecks(const StopChecks&) = delete;
    StopChecks& operator=(const StopChecks&) = delete;

    // For tests: when above 0, every check is this many steps after the
    // last, so that the work between two checks is one step's; set only
    // while nothing checks.
    static inline int _testStepsBetweenChecks = 0;
    // For tests: while _testCounting holds, every step counted anywhere is
    // added to _testTally, at each check and as the checks end, so that a
    // test can bound the work of a pass by its steps, which no load on the
    // machine changes.
    static inline std::atomic<bool> _testCounting{false};
    static inline std::atomic<long long> _testTally{0};

    // Counts the steps of work done since the last call; true once carryOn
    // has answered false, and from then on.
    bool stopped(int steps = 1)
    {
        if (isStopped)
            return true;
        count += steps;
        if (count < stepsBetweenChecks)
            return false;
        tally();
        count = 0;
        isStopped = carryOn && !carryOn();
        return isStopped;
    }

private:
    void tally() const
    {
        if (_testCounting.load(std::memory_order_relaxed))
            _testTally.fetch_add(count, std::memory_order_relaxed);
    }

    const std::function<bool()> carryOn;
    const int stepsBetweenChecks;
    int count = 0;
    bool isStopped = false;
};
