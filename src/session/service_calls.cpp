#include "session/service_calls.h"

#include "service/service_proxy.h"
#include "session/session.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <utility>

namespace textowl {

namespace {

// Icon downloads of one interface, side by side; more would only queue at the same host.
constexpr int kAsideThreads = 4;

} // namespace

ServiceCalls::ServiceCalls(std::unique_ptr<ServiceProxy> proxy, Session& session, QObject* parent)
    : QObject(parent), m_proxy(std::move(proxy)), m_session(session), m_worker(new QObject) {
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("service calls"));
    m_thread.start();
    m_aside.setMaxThreadCount(kAsideThreads);
    // The pointer shows the program is at work without holding anything back.
    connect(&m_session, &Session::callPendingChanged, this, [](bool pending) {
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
                        std::function<void()> deliver, Lane lane, Asked asked) {
    const bool counted = asked == Asked::ByUser;
    if (counted)
        m_session.callStarted();
    const quint64 epoch = m_session.epoch();
    auto answered = [this, epoch, counted, bound = context != nullptr,
                     alive = QPointer<QObject>(context), deliver = std::move(deliver)] {
        // The count drops after the answer is handled, so that a call the answer asks for next
        // keeps the session busy without a gap.
        if ((!bound || alive) && m_session.epoch() == epoch)
            deliver();
        if (counted)
            m_session.callFinished();
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

} // namespace textowl
