#pragma once

#include <functional>
#include <memory>

// Threads that share a sequence of steps, each cut into ranges. The calling
// thread leads: it hands out a step and takes ranges of it like every
// helper, and run() returns when all of them are done. Helpers are tasks of
// the global thread pool that stay, waiting by spinning for the next step,
// until the team is destroyed; one that the pool starts late takes what is
// left, or finds the team gone and leaves, so the pool may be busy or small.
class WorkTeam
{
public:
    // At most helpers tasks besides the calling thread; none below 1.
    explicit WorkTeam(int helpers);
    ~WorkTeam();

    // job(i) for i = 0..ranges−1, in any order and on any of the threads.
    void run(int ranges, const std::function<void(int)>& job);
    // The same in parts: post hands the ranges out and returns at once;
    // waitForFirst returns when ranges 0..count−1 (at most 64) are done, and
    // wait when all are, the calling thread taking ranges meanwhile. A step
    // is posted only after the one before it has been waited for. Ranges
    // are taken in order.
    void post(int ranges, const std::function<void(int)>& job);
    void waitForFirst(int count);
    void wait();

    // Helpers worth starting for work of this size: the pool's threads less
    // the calling one, or none when threads would cost more than they save.
    static int helpersFor(double work);

private:
    struct Shared;
    std::shared_ptr<Shared> shared;
    unsigned steps = 0;
};
