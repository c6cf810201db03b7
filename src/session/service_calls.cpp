#include "session/service_calls.h"

#include "service/service_proxy.h"
#include "session/session.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QPointer>
#include <utility>

namespace textowl {

namespace {

// Icon downloads of one interface, side by side; more would only queue at the same host.
constexpr int kAsideThreads = 4;

} // namespace

struct ServiceCalls::Wait {
    QEventLoop loop;
    bool done = false;
    bool abandoned = false;
};

ServiceCalls::ServiceCalls(std::unique_ptr<ServiceProxy> proxy, Session& session, QObject* parent)
    : QObject(parent), m_proxy(std::move(proxy)), m_session(session), m_worker(new QObject) {
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("service calls"));
    m_thread.start();
    m_aside.setMaxThreadCount(kAsideThreads);
    // The pending-call count follows the worker's answers; the pointer shows the program is at
    // work without holding anything back.
    connect(&m_session, &Session::callPendingChanged, this, [this](bool pending) {
        if (pending)
            QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
        else
            QApplication::restoreOverrideCursor();
    });
}

ServiceCalls::~ServiceCalls() {
    m_thread.quit();
    m_thread.wait();
    m_aside.waitForDone();
    delete m_worker; // its thread has ended: nothing runs on it any more
    if (m_session.callPending())
        QApplication::restoreOverrideCursor();
}

void ServiceCalls::post(std::function<void(ServiceProxy&)> work, QObject* context,
                        std::function<void()> deliver, Lane lane) {
    const bool wasIdle = !isRunning();
    m_session.callStarted();
    if (wasIdle)
        emit busyChanged(true);
    const quint64 epoch = m_session.epoch();
    auto answered = [this, epoch, bound = context != nullptr, alive = QPointer<QObject>(context),
                     deliver = std::move(deliver)] {
        // The count drops after the answer is handled, so that a call the answer asks for next
        // keeps the session busy without a gap.
        if ((!bound || alive) && m_session.epoch() == epoch)
            deliver();
        m_session.callFinished();
        if (!isRunning())
            becameIdle();
    };
    auto job = [this, work = std::move(work), answered = std::move(answered)] {
        work(*m_proxy);
        QMetaObject::invokeMethod(this, answered, Qt::QueuedConnection);
    };
    if (lane == Lane::Proxy)
        QMetaObject::invokeMethod(m_worker, job);
    else
        m_aside.start(job);
}

void ServiceCalls::call(Request request, QObject* context,
                        std::function<void(const Answer&)> answered) {
    call<Answer>(
        [request = std::move(request)](ServiceProxy& proxy) {
            Answer answer;
            answer.status = request(proxy, &answer.result);
            return answer;
        },
        context, [answered = std::move(answered)](Answer& answer) { answered(answer); });
}

bool ServiceCalls::isRunning() const {
    return !m_waits.empty() || m_batches > 0 || m_session.callPending();
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
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // An application-wide quit ends every loop; this one resumes until the report is in.
    while (!wait.done)
        wait.loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
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
