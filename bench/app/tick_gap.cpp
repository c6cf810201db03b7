// Runs one apiGetBuddyList against a loopback service that answers after a delay, and prints the
// longest gap between two ticks of a 10 ms timer on the window's thread while the call runs:
// asked of the worker thread with its answer by callback (what the program does) and, with
// --blocking, made on the window's thread itself, to show what the worker spares it.
//
//   textowl_tick_gap [--delay-ms N] [--blocking]
#include "canned_replies.h"
#include "canned_server.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    int delayMs = 5000;
    bool blocking = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--delay-ms") == 0 && i + 1 < argc)
            delayMs = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--blocking") == 0)
            blocking = true;
    }
    // Forked before Qt starts any thread.
    textowl::bench::CannedServer server(textowl::bench::buddyListReply(50),
                                        std::chrono::milliseconds(delayMs));
    QApplication app(argc, argv);
    textowl::Session session;
    textowl::ServiceCalls calls(std::make_unique<textowl::ServiceProxy>(server.url()), session);

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });

    textowl::Status status = textowl::E_FAIL;
    // The tick that comes with the answer counts too.
    const auto answered = [&](textowl::Status answer) {
        status = answer;
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        ticker.stop();
        QCoreApplication::quit();
    };
    const auto request = [](textowl::ServiceProxy& proxy, textowl::ServiceText* result) {
        return proxy.apiGetBuddyList(u"T-1", result);
    };
    QTimer::singleShot(0, [&] {
        clock.start();
        ticker.start();
        if (blocking) {
            textowl::ServiceText result;
            answered(request(calls.proxy(), &result));
            return;
        }
        calls.call(request, nullptr,
                   [&](const textowl::ServiceCalls::Answer& answer) { answered(answer.status); });
    });
    app.exec();
    std::printf("%s call of %d ms: status 0x%08x, longest gap between 10 ms ticks %lld ms\n",
                blocking ? "blocking" : "worker-thread", delayMs, static_cast<unsigned>(status),
                static_cast<long long>(longestGap));
    return textowl::failed(status) ? 1 : 0;
}
