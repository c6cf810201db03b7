#include "loopback_service.h"
#include "service/result_document.h"
#include "service/utf.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

namespace textowl::server {
namespace {

// The real client against the service on loopback, with the back-off's clock in the test's hand
// and the password hashes counted rather than timed.
class SignInBackOffEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        ServiceConfig config;
        config.steadyClock = [this] { return m_now.load(); };
        config.diagnostics = [this](const std::string& line) {
            std::lock_guard lock(m_logMutex);
            m_log += line + "\n";
        };
        m_loopback = std::make_unique<LoopbackService>(config);
        m_service = &m_loopback->service();
        m_proxy = &m_loopback->proxy();
        ASSERT_EQ(m_service->createAccount("carol", "right horse", 100), Err::Ok);
    }

    bool signIn(const std::string& password) {
        ServiceText result;
        EXPECT_EQ(m_proxy->apiValidateLogin(utf8ToUtf16("carol"), utf8ToUtf16(password), &result),
                  S_OK);
        ResultDocument doc;
        return !failed(checkResult(result, doc));
    }

    int logLines(const std::string& text) {
        std::lock_guard lock(m_logMutex);
        int n = 0;
        for (auto at = m_log.find(text); at != std::string::npos; at = m_log.find(text, at + 1)) {
            ++n;
        }
        return n;
    }

    std::atomic<Milliseconds> m_now{Milliseconds(5'000'000)};
    std::mutex m_logMutex;
    std::string m_log;
    std::unique_ptr<LoopbackService> m_loopback;
    PagewrightService* m_service = nullptr;
    ServiceProxy* m_proxy = nullptr;
};

TEST_F(SignInBackOffEndToEnd, GuessesAreRefusedUnhashedAndTheRightPasswordWaitsOutTheBackOff) {
    const std::uint64_t hashesBefore = m_service->passwordHashesComputed();
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(signIn("guess " + std::to_string(i)));
    }
    EXPECT_EQ(m_service->passwordHashesComputed() - hashesBefore, 5u);
    EXPECT_FALSE(signIn("right horse"));
    EXPECT_EQ(m_service->passwordHashesComputed() - hashesBefore, 5u);

    m_now = m_now.load() + Milliseconds(1000);
    EXPECT_TRUE(signIn("right horse"));
    EXPECT_EQ(m_service->passwordHashesComputed() - hashesBefore, 6u);

    EXPECT_EQ(logLines("sign-in failed for \"carol\" from 127.0.0.1\n"), 5);
    EXPECT_EQ(logLines("sign-in back-off for \"carol\" from 127.0.0.1: 1 s\n"), 1);
    EXPECT_EQ(logLines("guess"), 0);
    EXPECT_EQ(logLines("horse"), 0);
}

} // namespace
} // namespace textowl::server
