#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace textowl::server {

// A fixed number of threads for the work that touches the database, sized to the connection
// pool so that a worker never waits for a connection. Work beyond what the queue holds is
// refused at once, so that a burst is answered "busy" instead of piling up.
class WorkerPool {
public:
    WorkerPool(int threads, std::size_t queueLimit);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // False, and job dropped, when the queue is full or the pool is stopping.
    bool trySubmit(std::function<void()> job);
    // Runs what is queued and running to its end, then joins the threads.
    void stop();

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::size_t m_queueLimit;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace textowl::server
