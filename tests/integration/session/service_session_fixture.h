#pragma once

#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "session_fixture.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

namespace textowl::testing {

inline const QString kAppTitle = QStringLiteral("Textowl");

// A window against the stand-in service, with ways to look at the service from outside.
class SessionEndToEnd : public LiveServiceTest {
protected:
    // Asks the service through a second client; the window's own connection plays no part.
    std::string askService(std::string_view operation, const std::string& ticket,
                           const char* element) {
        ServiceProxy other(m_endpoint);
        ServiceText result;
        const ServiceText t = utf8ToUtf16(ticket);
        const Status status = operation == "balance" ? other.apiBalanceSms(t, &result)
                                                     : other.apiGetBuddyList(t, &result);
        ResultDocument document;
        if (failed(status) || failed(checkResult(result, document)))
            return "refused";
        return resultElement(document, element).value_or("");
    }
    // The service's outbox, one line a queued message, as the operator's command prints it.
    std::string outbox() {
        test::ServiceProcess listing(PAGEWRIGHT_SERVICE_EXE,
                                     {"outbox", "--db", m_data.file("service.db").string()});
        const std::string rows = listing.stdoutRest();
        EXPECT_EQ(listing.wait(), 0) << listing.stderrAll();
        // The messages as accepted: without the delivery state and its time, the last two
        // columns, which depend on the moment of the run.
        std::string accepted;
        std::size_t start = 0;
        for (std::size_t end = rows.find('\n'); end != std::string::npos;
             start = end + 1, end = rows.find('\n', start)) {
            std::string row = rows.substr(start, end - start);
            for (int column = 0; column < 2; ++column)
                row.erase(std::min(row.size(), row.rfind('\t')));
            accepted += row + '\n';
        }
        return accepted;
    }
    bool ticketWorks(const std::string& ticket) {
        return askService("balance", ticket, "balance") != "refused";
    }
};

} // namespace textowl::testing
