#include "server/gateway/delivery_reports.h"

#include "server/soap/sanitized_text.h"
#include "server/soap/wire_values.h"

namespace textowl::server {
namespace {

// The one value of a parameter given exactly once.
std::optional<std::string> single(const std::multimap<std::string, std::string>& query,
                                  const std::string& name) {
    if (query.count(name) != 1) {
        return std::nullopt;
    }
    return query.find(name)->second;
}

} // namespace

ReportReply receiveDeliveryReport(Store& store,
                                  const std::multimap<std::string, std::string>& query,
                                  std::int64_t now) {
    const auto idText = single(query, "id");
    const auto secret = single(query, "secret");
    const auto id = idText ? parseId(*idText) : std::nullopt;
    if (!id || !secret) {
        return {403, "forbidden\n"};
    }
    // A type the gateway does not send changes nothing, but the caller still proves the
    // secret first: only the message's own gateway learns that its type was wrong.
    const auto typeText = single(query, "type");
    const auto type = typeText ? parseId(*typeText) : std::nullopt;
    const int reportType = type && *type <= 255 ? static_cast<int>(*type) : -1;
    const auto reason = single(query, "reason");
    if (store.reports().apply(*id, *secret, reportType, now, failureReason(reason.value_or(""))) ==
        ReportOutcome::Forged) {
        return {403, "forbidden\n"};
    }
    return reportType < 0 ? ReportReply{400, "bad report type\n"} : ReportReply{200, "ok\n"};
}

} // namespace textowl::server
