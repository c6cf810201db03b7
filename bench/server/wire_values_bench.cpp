#include "server/soap/wire_values.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>

namespace textowl::server {
namespace {

// Fills about a megabyte, the most a request body may hold, with numbers that repeat every
// `distinct` entries. Target: in an optimised build a megabyte of distinct numbers parses in
// well under 100 ms, so that one hostile request cannot hold a worker for long.
std::string recipientList(std::int64_t distinct) {
    std::string text;
    for (std::int64_t i = 0; text.size() < 1024 * 1024; ++i) {
        text += std::to_string(46700000000 + i % distinct);
        text += ',';
    }
    return text;
}

void BM_ParseRecipientsMegabyte(benchmark::State& state) {
    const std::string text = recipientList(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseRecipients(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseRecipientsMegabyte)
    ->Arg(1)
    ->Arg(1'000'000)
    ->ArgName("distinct")
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace textowl::server

BENCHMARK_MAIN();
