#include "hostile_cases.h"
#include "memory_probe.h"
#include "service/service_proxy.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

namespace textowl::test {
namespace {

using namespace std::chrono_literals;

// No case may keep the client busy longer than this, whatever the server does.
constexpr auto kTimeBound = 10s;
constexpr std::size_t kMemoryBound = 80u << 20;

// Worst figures per path (http, proxy) over the cases run in this process, printed at the end.
class Figures : public testing::Environment {
public:
    static void record(const std::string& path, const std::string& name,
                       std::chrono::milliseconds time, std::size_t memory) {
        std::lock_guard lock(m_mutex);
        Worst& worst = m_worst[path];
        ++worst.runs;
        if (time >= worst.time) {
            worst.time = time;
            worst.timeCase = name;
        }
        if (memory >= worst.memory) {
            worst.memory = memory;
            worst.memoryCase = name;
        }
    }

    void TearDown() override {
        for (const auto& [path, worst] : m_worst) {
            std::printf("hostile replies via %s: %zu cases, worst time %lld ms (%s), worst peak "
                        "memory growth %.1f MiB (%s)\n",
                        path.c_str(), worst.runs, static_cast<long long>(worst.time.count()),
                        worst.timeCase.c_str(), static_cast<double>(worst.memory) / (1 << 20),
                        worst.memoryCase.c_str());
        }
    }

private:
    struct Worst {
        std::size_t runs = 0;
        std::chrono::milliseconds time{0};
        std::size_t memory = 0;
        std::string timeCase;
        std::string memoryCase;
    };
    static inline std::mutex m_mutex;
    static inline std::map<std::string, Worst> m_worst;
};

const auto* const kFigures = testing::AddGlobalTestEnvironment(new Figures);

class HostileReply : public testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override {
        // A connection the client keeps after a completed reply carries the good call as well.
        ConnectionScript script = GetParam().script();
        if (GetParam().completed) {
            script.answerEveryRequest(goodReply());
        }
        m_server = std::make_unique<ScriptedServer>(std::vector{script},
                                                    ConnectionScript::serveForever(goodReply()));
    }

    // Runs work, checks it stayed within the time and memory bounds and records the figures.
    template <typename Work>
    void measured(const std::string& label, std::size_t memoryBound, Work work) {
        MemoryProbe probe;
        auto start = std::chrono::steady_clock::now();
        work();
        auto time = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        std::size_t memory = probe.peakGrowth();
        Figures::record(label, GetParam().name, time, memory);
        EXPECT_LT(time, kTimeBound);
        EXPECT_LE(memory, memoryBound);
    }

    std::unique_ptr<ScriptedServer> m_server;
};

TEST_P(HostileReply, HttpClientEndsInTheNamedOutcomeAndStaysUsable) {
    const HostileCase& c = GetParam();
    HttpClient client;
    NavigationSettings settings;
    const std::string request = "<request/>";
    settings.method = "POST";
    settings.contentType = "text/xml; charset=utf-8";
    settings.body = request.data();
    settings.bodyLength = request.size();
    settings.timeoutMs = c.timeoutMs;
    Url url = *Url::parse(m_server->url("/svc"));
    measured("http", kMemoryBound, [&] {
        EXPECT_EQ(client.sendRequest(url, settings), c.completed);
        EXPECT_EQ(client.statusCode(), c.status);
        EXPECT_EQ(client.readOutcome(), c.outcome);
    });

    ASSERT_TRUE(client.sendRequest(url, settings));
    EXPECT_EQ(client.statusCode(), 200);
    EXPECT_EQ(client.body(), goodReply().substr(goodReply().find("\r\n\r\n") + 4));
}

TEST_P(HostileReply, ProxyCallFailsCleanlyAndTheNextCallSucceeds) {
    const HostileCase& c = GetParam();
    ServiceProxy proxy(m_server->url("/svc"));
    proxy.setTimeoutForTesting(c.timeoutMs);
    const ServiceText ticket = u"ticket";
    measured("proxy", c.proxyMemoryBound, [&] {
        ServiceText result;
        Status status = proxy.apiBalanceSms(ticket, &result);
        EXPECT_EQ(proxy.clientErrorState(), c.proxyErrorState);
        if (c.proxyErrorState == 0) {
            EXPECT_EQ(status, S_OK);
            EXPECT_TRUE(result.has_value());
        } else {
            // A reply that does not parse carries the reader's own code (out of memory for an
            // oversized value); every other failure is E_FAIL.
            if (c.proxyErrorState == 10) {
                EXPECT_TRUE(failed(status));
            } else {
                EXPECT_EQ(status, E_FAIL);
            }
            EXPECT_FALSE(result.has_value());
        }
    });

    ServiceText result;
    ASSERT_EQ(proxy.apiBalanceSms(ticket, &result), S_OK);
    EXPECT_EQ(proxy.clientErrorState(), 0);
    EXPECT_EQ(result, ServiceText(kGoodResult));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileReply, testing::ValuesIn(hostileCases()),
                         [](const testing::TestParamInfo<HostileCase>& info) {
                             return info.param.name;
                         });

TEST(HostileReplyTable, HoldsAtLeastFortyCases) {
    EXPECT_GE(hostileCases().size(), 40u);
}

} // namespace
} // namespace textowl::test
