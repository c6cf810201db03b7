#include "server/front/worker_pool.h"

#include <algorithm>
#include <pthread.h>

namespace textowl::server {

WorkerPool::WorkerPool(int threads, std::size_t queueLimit) : m_queueLimit(queueLimit) {
    for (int i = 0; i < std::max(1, threads); ++i) {
        m_threads.emplace_back([this] {
            pthread_setname_np(pthread_self(), "db-worker");
            work();
        });
    }
}

WorkerPool::~WorkerPool() {
    stop();
}

bool WorkerPool::trySubmit(std::function<void()> job) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || m_jobs.size() >= m_queueLimit) {
            return false;
        }
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
    return true;
}

void WorkerPool::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads) {
        if (t.joinable()) {
            t.join();
        }
    }
}

void WorkerPool::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            return;
        }
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
    }
}

} // namespace textowl::server
