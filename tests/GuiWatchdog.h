#pragma once

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Fails the run when the thread that made it has not come back by the time
// it is destroyed, well within the given time. A GUI thread waiting on itself
// would otherwise hold the test silently until the test's own time-out. The
// time only bounds a hang: anything that returns at all comes back far sooner.
class GuiWatchdog
{
public:
    explicit GuiWatchdog(const char* what, int seconds = 120)
        : guard([this, what, seconds] {
              std::unique_lock<std::mutex> lock(mutex);
              if (!returned.wait_for(lock, std::chrono::seconds(seconds), [this] { return done; }))
                  qFatal("%s: the GUI thread has not come back in %d s", what, seconds);
          })
    {
    }
    ~GuiWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        returned.notify_one();
        guard.join();
    }
    GuiWatchdog(const GuiWatchdog&) = delete;
    GuiWatchdog& operator=(const GuiWatchdog&) = delete;

private:
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    std::thread guard;
};
