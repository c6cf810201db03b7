// Imports 1,000 contacts into the stand-in service on loopback, as Contacts > Import Contacts does
// it: one call at a time through the worker thread, the next asked when an answer comes back, with
// a progress dialog updated after each, and prints the time from the first call to the last.
//
//   textowl_import_time [--contacts N]
#include "balance_load.h"
#include "contacts/import_run.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"

#include <QApplication>
#include <QProgressBar>
#include <QProgressDialog>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    using namespace textowl;
    const int contacts = std::stoi(bench::optionValue(argc, argv, "--contacts").value_or("1000"));
    // The service first, before Qt starts any thread of its own.
    bench::LoadTarget target(server::ServiceConfig{});
    if (!target.ready())
        return 1;
    QApplication app(argc, argv);

    // A tenth of them in two groups, as address books often have them.
    ContactBook book;
    for (int i = 0; i < contacts; ++i) {
        Contact c;
        c.firstName = "Guest";
        c.lastName = std::to_string(i);
        c.cellPhone = "+4672" + std::to_string(1000000 + i);
        c.groups = {"Group " + std::to_string(i % 10)};
        if (i % 10 == 0)
            c.groups.push_back("Friends");
        book.contacts.push_back(c);
    }
    BuddyList list;
    list.fill(BuddyEntry::makeRoot());
    const ImportPlan plan = planImport(list, book, "");

    Session session;
    ServiceCalls calls(std::make_unique<ServiceProxy>(target.endpoint()), session);
    ImportRun import(list, plan, {}, target.ticket());
    QProgressDialog progress(QStringLiteral("Importing contacts..."), QStringLiteral("Cancel"), 0,
                             static_cast<int>(import.rowsToImport()));
    auto* bar = new QProgressBar;
    progress.setBar(bar);
    progress.setRange(0, static_cast<int>(import.rowsToImport()));
    progress.show();
    int callCount = 0;
    std::function<void()> askNext = [&] {
        const ImportCall* next = import.nextCall();
        if (!next) {
            QCoreApplication::quit();
            return;
        }
        ++callCount;
        calls.call(
            [call = *next](ServiceProxy& proxy, ServiceText* result) {
                return proxy.call(call.operation, call.parameters, result);
            },
            &progress,
            [&](const ServiceCalls::Answer& answer) {
                import.answer(answer.status, answer.result);
                bar->setValue(static_cast<int>(import.rowsImported()));
                askNext();
            });
    };
    const auto start = bench::Clock::now();
    askNext();
    if (!import.finished())
        QApplication::exec();
    const std::chrono::duration<double> took = bench::Clock::now() - start;
    const ImportReport& report = import.report();
    std::printf("imported %d of %d contacts (%d calls, %d groups) in %.2f s, %.1f ms a contact\n",
                report.count(RowOutcome::Added), contacts, callCount, report.groupsCreated,
                took.count(), took.count() * 1000 / contacts);
    return report.count(RowOutcome::Added) == contacts ? 0 : 1;
}
