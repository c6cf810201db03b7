#include "session/service_calls.h"

#include "service/service_proxy.h"
#include "session/busy_cursor.h"

#include <QEventLoop>
#include <QPointer>
#include <utility>

namespace textowl {

struct ServiceCalls::Wait {
    QEventLoop loop;
    bool done = false;
    bool abandoned = false;
};

ServiceCalls::ServiceCalls(std::unique_ptr<ServiceProxy> proxy, QObject* parent)
    : QObject(parent), m_proxy(std::move(proxy)), m_worker(new QObject) {
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("service calls"));
    m_thread.start();
}

ServiceCalls::~ServiceCalls() {
    m_thread.quit();
    m_thread.wait();
    delete m_worker; // its thread has ended: nothing runs on it any more
}

bool ServiceCalls::runJob(const std::function<void()>& job) {
    Wait wait;
    // The report comes back as a queued call on this thread. The wait ends only on it, abandoned
    // or not, so the job and everything it refers to outlive its run on the worker.
    QMetaObject::invokeMethod(m_worker, [this, &job, &wait] {
        job();
        QMetaObject::invokeMethod(
            this,
            [&wait] {
                wait.done = true;
                wait.loop.quit();
            },
            Qt::QueuedConnection);
    });
    const bool wasIdle = !isRunning();
    m_waits.push_back(&wait);
    if (wasIdle)
        emit busyChanged(true);
    {
        BusyCursor busy;
        // An application-wide quit ends every loop; this one resumes until the report is in.
        while (!wait.done)
            wait.loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_waits.pop_back();
    if (!isRunning())
        becameIdle();
    return !wait.abandoned;
}

void ServiceCalls::becameIdle() {
    emit busyChanged(false);
    // Queued, so that sign-out or exit runs after the abandoned call's caller has returned.
    for (auto& [context, action] : std::exchange(m_whenIdle, {})) {
        if (context)
            QMetaObject::invokeMethod(context, std::move(action), Qt::QueuedConnection);
    }
}

void ServiceCalls::beginBatch() {
    const bool wasIdle = !isRunning();
    if (m_batches++ == 0)
        m_batchAbandoned = false;
    if (wasIdle)
        emit busyChanged(true);
}

void ServiceCalls::endBatch() {
    if (m_batches > 0 && --m_batches == 0 && !isRunning())
        becameIdle();
}

Status ServiceCalls::run(const Call& call) {
    Status status = E_FAIL;
    ServiceProxy& proxy = *m_proxy;
    if (!runJob([&] { status = call(proxy); }))
        return kCallAbandoned;
    return status;
}

void ServiceCalls::abandon() {
    for (Wait* wait : m_waits)
        wait->abandoned = true;
    if (m_batches > 0)
        m_batchAbandoned = true;
}

void ServiceCalls::whenIdle(QObject* context, std::function<void()> action) {
    if (!isRunning()) {
        action();
        return;
    }
    m_whenIdle.emplace_back(context, std::move(action));
}

} // namespace textowl
