#pragma once

#include "server/store/store.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace textowl::server {

inline constexpr std::string_view kDeliveryReportPath = "/pagewright/dlr";

struct ReportReply {
    int status = 200;
    std::string body;
};

// The gateway's call to the report address: id, secret and type from the query. An unknown
// message or a wrong secret gets 403 and changes nothing.
ReportReply receiveDeliveryReport(Store& store,
                                  const std::multimap<std::string, std::string>& query,
                                  std::int64_t now);

} // namespace textowl::server
