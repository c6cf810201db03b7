#pragma once

#include "server/store/store_types.h"

#include <string_view>

namespace textowl::server {

class Transactions;

// What became of sent messages: the gateway's delivery reports and each account's history.
class Reports {
public:
    explicit Reports(Transactions& transactions);

    // A delivery report; Forged, and nothing changed, unless the message exists and the secret
    // is its own.
    ReportOutcome apply(std::int64_t id, std::string_view secret, int reportType, std::int64_t now,
                        std::string_view reason = {});
    // Newest first.
    std::vector<HistoryEntry> history(AccountId account, int offset, int limit);
    // Oldest first: the first limit messages after the id since, or the last limit when since
    // is 0.
    std::vector<HistoryEntry> messagesAfter(AccountId account, std::int64_t since, int limit);

private:
    ReportOutcome applyOnce(std::int64_t id, std::string_view secret, int reportType,
                            std::int64_t now, std::string_view reason);

private:
    Transactions& m_tx;
};

} // namespace textowl::server
