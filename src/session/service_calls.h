#pragma once

#include "service/status.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

namespace textowl {

class ServiceProxy;

// What run() returns for a call that sign-out or exit abandoned: the caller changes nothing.
inline constexpr Status kCallAbandoned = static_cast<Status>(0x80004004); // E_ABORT

// Runs the service calls, and the icon downloads, on a worker thread, one at a time and in the
// order asked. The caller waits for the answer, which comes back by a queued call, so effects
// keep their order; meanwhile the window repaints, moves and resizes, and input waits until the
// call is over, as it did while the call blocked the thread. The proxy belongs to the worker
// while a call runs.
class ServiceCalls : public QObject {
    Q_OBJECT
public:
    using Call = std::function<Status(ServiceProxy&)>;

    explicit ServiceCalls(std::unique_ptr<ServiceProxy> proxy, QObject* parent = nullptr);
    // Lets a call under way finish (the transport's time-outs bound it), then stops the worker.
    ~ServiceCalls() override;

    // The call's status, or kCallAbandoned.
    Status run(const Call& call);
    // Any other blocking job, such as an icon download; false when abandoned.
    bool runJob(const std::function<void()>& job);

    bool isRunning() const { return !m_waits.empty() || m_batches > 0; }
    // Calls that belong together, such as an import: the program counts as busy from the first
    // to the last, so that sign-out or exit wait for the batch and only ask it to stop.
    void beginBatch();
    void endBatch();
    bool batchAbandoned() const { return m_batchAbandoned; }
    // Sign-out or exit while a call or a batch is pending: the call's answer is dropped and its
    // caller sees kCallAbandoned; the batch reads as abandoned.
    void abandon();
    // Runs `action` now when no call is pending, else once the pending call's caller has
    // returned; nothing if `context` is gone by then.
    void whenIdle(QObject* context, std::function<void()> action);

    // The proxy's settings and session texts; change them only while no call runs.
    ServiceProxy& proxy() const { return *m_proxy; }

signals:
    void busyChanged(bool busy);

private:
    struct Wait;

    void becameIdle();

    std::unique_ptr<ServiceProxy> m_proxy;
    QThread m_thread;
    QObject* m_worker = nullptr; // lives on m_thread
    std::vector<Wait*> m_waits;
    int m_batches = 0;
    bool m_batchAbandoned = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> m_whenIdle;
};

} // namespace textowl
