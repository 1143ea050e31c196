#include "store/WriterThread.h"

namespace tabulo::store {

WriterThread::WriterThread()
    : m_thread([this] { loop(); })
{
}

WriterThread::~WriterThread()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void WriterThread::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
        if (m_jobs.empty())
            return;
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job();
        job = nullptr; // what it captured goes before the caller hears it ran
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

void WriterThread::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_all();
}

StoreError WriterThread::run(const std::function<StoreError()> &job)
{
    if (isCurrent())
        return job();
    StoreError result;
    bool done = false;
    post([&] {
        StoreError e = job();
        std::lock_guard lock(m_mutex);
        result = std::move(e);
        done = true;
    });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&done] { return done; });
    return result;
}

void WriterThread::wait()
{
    if (isCurrent())
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

} // namespace tabulo::store
