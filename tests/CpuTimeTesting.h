#pragma once

// Bounds on work stated in the CPU time of the thread that does it. Unlike a
// wall clock, that time stands still while other processes hold the cores,
// so a bound with room to spare holds however loaded the machine is.

#include <algorithm>
#include <cmath>
#include <ctime>

inline double cpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

inline double threadCpuSeconds()
{
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

// Of every thread of the process: for work that a thread hands to others.
inline double processCpuSeconds()
{
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

// How many times longer the work takes at the larger size than at the
// smaller, each the least of three tries. spentOn(n) does the work for n and
// returns the CPU seconds of the part measured, from threadCpuSeconds().
// Work in linear time gives about large / small; work that searches all it
// has done before at each step gives about its square.
template <typename SpentOn>
double cpuTimeGrowth(int small, int large, SpentOn spentOn)
{
    const auto least = [&spentOn](int size) {
        double best = spentOn(size);
        for (int attempt = 1; attempt < 3; ++attempt)
            best = std::min(best, spentOn(size));
        return best;
    };
    const double smallTime = least(small);
    return least(large) / std::max(smallTime, 1e-6);
}

// How work grows with its size: as the size to the power 0, 1 or 2.
enum class Work { Constant, Linear, Quadratic };

// The bound on cpuTimeGrowth(small, large, ...) halfway, on a log scale,
// between work that grows as `allowed` and work that grows as `refused`: for
// sizes 16 times apart, 64 between linear work (16, or some 22 for n log n)
// and quadratic (256). That leaves room of about three times on either side:
// contention for caches and memory would have to slow the large size three
// times more than the small one to cross it, and faulty work would have to
// fall three times short of its growth to pass under it.
inline double middleGrowth(int small, int large, Work allowed, Work refused)
{
    return std::pow(double(large) / small, (int(allowed) + int(refused)) / 2.0);
}
