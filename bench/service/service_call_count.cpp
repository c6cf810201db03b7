// service_call_count buddylist|balance CALLS [https]: makes CALLS calls over one kept-alive
// connection, plain or over TLS. Two callgrind runs with different CALLS give the marginal
// instruction count of one call.
#include "canned_replies.h"
#include "canned_server.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "trusted_server.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace textowl;
    if (argc != 3 && !(argc == 4 && std::string_view(argv[3]) == "https")) {
        std::fputs("usage: service_call_count buddylist|balance CALLS [https]\n", stderr);
        return 2;
    }
    const bool buddies = std::string_view(argv[1]) == "buddylist";
    const int calls = std::atoi(argv[2]);
    const test::TlsIdentity identity =
        argc == 4 ? bench::trustedLoopbackIdentity() : test::TlsIdentity{};
    bench::CannedServer server(buddies ? bench::buddyListReply(1000) : bench::balanceReply(), {},
                               argc == 4 ? &identity : nullptr);
    ServiceProxy proxy(server.url());
    const OperationId id = buddies ? OperationId::apiGetBuddyList : OperationId::apiBalanceSms;
    const std::string ticket = "0123456789abcdef0123456789abcdef";
    std::size_t total = 0;
    for (int i = 0; i < calls; ++i) {
        const ServiceText in[] = {utf8ToUtf16(ticket)};
        ServiceText result;
        if (failed(proxy.call(id, in, &result)) || !result) {
            std::fprintf(stderr, "call %d failed, client error state %d\n", i,
                         proxy.clientErrorState());
            return 1;
        }
        total += utf16ToUtf8(*result).size();
    }
    // The pid names this process's callgrind file apart from the server child's.
    std::printf("pid %d: %d calls, %zu result bytes\n", static_cast<int>(::getpid()), calls, total);
    return 0;
}
