#pragma once

#include "service/operation_map.h"
#include "service/status.h"

#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <functional>
#include <memory>

namespace textowl {

class ServiceProxy;
class Session;

// Runs the service calls on a worker thread, one at a time and in the order asked, so the
// service sees them as the user made them. Each answer comes back as a queued call on this
// thread, bound to a context object: it is dropped when the context is gone, or when the session
// ended after the call was asked for. Nothing waits: the window keeps taking input, and the
// session's pending-call count tells the commands that need the service to stand aside.
class ServiceCalls : public QObject {
    Q_OBJECT
public:
    // One operation: its status and the result text it filled in.
    struct Answer {
        Status status = E_FAIL;
        ServiceText result;
    };
    using Request = std::function<Status(ServiceProxy&, ServiceText* result)>;
    // Who a call is for. What the user asked for counts as pending, and greys the commands that
    // need the service until it is answered; a check the program makes on its own, such as how
    // sent messages fared, greys nothing, and exit does not wait for it.
    enum class Asked { ByUser, InBackground };

    ServiceCalls(std::unique_ptr<ServiceProxy> proxy, Session& session, QObject* parent = nullptr);
    // Lets a call under way finish (the transport's time-outs bound it), then stops the worker;
    // answers not yet handled are dropped.
    ~ServiceCalls() override;

    void call(Request request, QObject* context, std::function<void(const Answer&)> answered);
    // Work on the worker beyond one operation, such as reading the answer into what it describes.
    template <class Result>
    void call(std::function<Result(ServiceProxy&)> work, QObject* context,
              std::function<void(Result&)> answered, Asked asked = Asked::ByUser) {
        auto result = std::make_shared<Result>();
        post([work = std::move(work), result](ServiceProxy& proxy) { *result = work(proxy); },
             context, [answered = std::move(answered), result] { answered(*result); }, Lane::Proxy,
             asked);
    }
    // Work that needs no proxy, such as an icon download: it runs beside the calls and beside
    // other such work, and counts as pending like a call.
    template <class Result>
    void runAside(std::function<Result()> work, QObject* context,
                  std::function<void(Result&)> done) {
        auto result = std::make_shared<Result>();
        post([work = std::move(work), result](ServiceProxy&) { *result = work(); }, context,
             [done = std::move(done), result] { done(*result); }, Lane::Aside, Asked::ByUser);
    }

    // The proxy's settings and session texts; change or read them only while no call is pending.
    ServiceProxy& proxy() const { return *m_proxy; }

private:
    enum class Lane { Proxy, Aside };

    void post(std::function<void(ServiceProxy&)> work, QObject* context,
              std::function<void()> deliver, Lane lane, Asked asked);

    std::unique_ptr<ServiceProxy> m_proxy;
    Session& m_session;
    QThread m_thread;
    QObject* m_worker = nullptr; // lives on m_thread
    QThreadPool m_aside;
};

} // namespace textowl
