#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

// Pause and stop of one run, shared by the main thread (which sets them) and
// the workers (which poll them). A paused worker sleeps on a condition variable
// instead of spinning, and wakes when the run is resumed or stopped.
class ScanControl
{
public:
    bool isPaused() const { return m_paused.load(std::memory_order_acquire); }
    bool isAbort() const { return m_abort.load(std::memory_order_acquire); }

    void setPaused(bool paused)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_paused.store(paused, std::memory_order_release);
        }
        m_changed.notify_all();
    }

    void setAbort(bool abort)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_abort.store(abort, std::memory_order_release);
        }
        m_changed.notify_all();
    }

    // Clears both flags for a new run.
    void reset()
    {
        setAbort(false);
        setPaused(false);
    }

    // Blocks while the run is paused and not stopped. True when the caller may
    // go on, false when the run was stopped.
    bool waitWhilePaused()
    {
        if (isPaused()) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_parked.fetch_add(1, std::memory_order_acq_rel);
            m_changed.wait(lock, [this] { return !isPaused() || isAbort(); });
            m_parked.fetch_sub(1, std::memory_order_acq_rel);
        }
        return !isAbort();
    }

    // How many workers are asleep in waitWhilePaused() right now: once one is,
    // it reports nothing more until the run is resumed or stopped.
    int parkedWorkers() const { return m_parked.load(std::memory_order_acquire); }

    // Sleeps for the duration, or less when the run is stopped meanwhile.
    // False when the run was stopped.
    template<typename Duration>
    bool sleepUnlessAborted(Duration duration)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, duration, [this] { return isAbort(); });
        return !isAbort();
    }

private:
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_abort{false};
    std::atomic<int> m_parked{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};
