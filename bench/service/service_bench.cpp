#include "canned_replies.h"
#include "canned_server.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "trusted_server.h"

#include <benchmark/benchmark.h>

namespace textowl::bench {
namespace {

// One call as the application makes it: UTF-8 ticket in, UTF-8 result out.
void callOnce(ServiceProxy& proxy, OperationId id, const std::string& ticket,
              benchmark::State& state) {
    const ServiceText in[] = {utf8ToUtf16(ticket)};
    ServiceText result;
    if (failed(proxy.call(id, in, &result)) || !result) {
        state.SkipWithError("call failed");
        return;
    }
    const std::string text = utf16ToUtf8(*result);
    benchmark::DoNotOptimize(text.data());
}

void runCalls(benchmark::State& state, const std::string& reply, OperationId id,
              const test::TlsIdentity* tls = nullptr) {
    CannedServer server(reply, {}, tls);
    ServiceProxy proxy(server.url());
    const std::string ticket = "0123456789abcdef0123456789abcdef";
    for (auto _ : state) {
        callOnce(proxy, id, ticket, state);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(reply.size()));
}

void BM_GetBuddyList1000(benchmark::State& state) {
    runCalls(state, buddyListReply(1000), OperationId::apiGetBuddyList);
}
BENCHMARK(BM_GetBuddyList1000)->Unit(benchmark::kMicrosecond);

// The same over a kept-alive TLS connection: the handshake happens once, before the timing.
void BM_GetBuddyList1000Https(benchmark::State& state) {
    static const test::TlsIdentity identity = trustedLoopbackIdentity();
    runCalls(state, buddyListReply(1000), OperationId::apiGetBuddyList, &identity);
}
BENCHMARK(BM_GetBuddyList1000Https)->Unit(benchmark::kMicrosecond);

void BM_BalanceSms(benchmark::State& state) {
    runCalls(state, balanceReply(), OperationId::apiBalanceSms);
}
BENCHMARK(BM_BalanceSms)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace textowl::bench

BENCHMARK_MAIN();
