#pragma once

#include "store/StoreError.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tabulo::store {

// A thread that runs what it is handed one piece at a time, in the order
// handed: the one thread a writer's connection is used on while the caller
// prepares what comes next. A unit of work's connection has no mutex of its
// own (see JointConnection) and must never be used by two threads at once;
// when everything that touches it goes through one of these, it is not, and
// the caller's own thread stays free of it (a window the caller's event loop
// runs meanwhile uses that thread's connection, not this one).
class WriterThread final
{
public:
    WriterThread();
    // Runs what was handed over, then ends the thread.
    ~WriterThread();
    WriterThread(const WriterThread &) = delete;
    WriterThread &operator=(const WriterThread &) = delete;

    // Runs `job` after what was handed before it; returns at once.
    void post(std::function<void()> job);
    // Runs `job` after what was handed before it and returns its result.
    // On the thread itself it runs at once.
    StoreError run(const std::function<StoreError()> &job);
    // Waits until everything handed over has run.
    void wait();
    bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last: started once the rest is made
};

} // namespace tabulo::store
