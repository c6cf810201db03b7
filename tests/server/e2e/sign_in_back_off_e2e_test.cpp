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
        config.steadyClock = [this] { return now_.load(); };
        config.diagnostics = [this](const std::string& line) {
            std::lock_guard lock(logMutex_);
            log_ += line + "\n";
        };
        loopback_ = std::make_unique<LoopbackService>(config);
        service_ = &loopback_->service();
        proxy_ = &loopback_->proxy();
        ASSERT_EQ(service_->createAccount("carol", "right horse", 100), Err::Ok);
    }

    bool signIn(const std::string& password) {
        ServiceText result;
        EXPECT_EQ(proxy_->apiValidateLogin(utf8ToUtf16("carol"), utf8ToUtf16(password), &result),
                  S_OK);
        ResultDocument doc;
        return !failed(checkResult(result, doc));
    }

    int logLines(const std::string& text) {
        std::lock_guard lock(logMutex_);
        int n = 0;
        for (auto at = log_.find(text); at != std::string::npos; at = log_.find(text, at + 1)) {
            ++n;
        }
        return n;
    }

    std::atomic<Milliseconds> now_{Milliseconds(5'000'000)};
    std::mutex logMutex_;
    std::string log_;
    std::unique_ptr<LoopbackService> loopback_;
    PagewrightService* service_ = nullptr;
    ServiceProxy* proxy_ = nullptr;
};

TEST_F(SignInBackOffEndToEnd, GuessesAreRefusedUnhashedAndTheRightPasswordWaitsOutTheBackOff) {
    const std::uint64_t hashesBefore = service_->passwordHashesComputed();
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(signIn("guess " + std::to_string(i)));
    }
    EXPECT_EQ(service_->passwordHashesComputed() - hashesBefore, 5u);
    EXPECT_FALSE(signIn("right horse"));
    EXPECT_EQ(service_->passwordHashesComputed() - hashesBefore, 5u);

    now_ = now_.load() + Milliseconds(1000);
    EXPECT_TRUE(signIn("right horse"));
    EXPECT_EQ(service_->passwordHashesComputed() - hashesBefore, 6u);

    EXPECT_EQ(logLines("sign-in failed for \"carol\" from 127.0.0.1\n"), 5);
    EXPECT_EQ(logLines("sign-in back-off for \"carol\" from 127.0.0.1: 1 s\n"), 1);
    EXPECT_EQ(logLines("guess"), 0);
    EXPECT_EQ(logLines("horse"), 0);
}

} // namespace
} // namespace textowl::server
