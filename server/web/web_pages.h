#pragma once

#include "server/front/http_request.h"
#include "server/service/event_quota.h"
#include "server/web/page_language.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace textowl::server {

class PagewrightService;
class Store;

// The service's plain HTML pages (no scripts): sign-up, password help, the help pages, the web
// tabs, the interface buttons' pages and the footer. Paths are below /pagewright/.
class WebPages {
public:
    // notice receives one line for the operator per request that needs a person, such as a
    // forgotten password: at most five an hour per address, and beyond those one line a minute
    // that counts the ones left out.
    using Notice = std::function<void(const std::string&)>;
    WebPages(PagewrightService& service, Store& store, Notice notice = {});
    ~WebPages();
    WebPages(const WebPages&) = delete;
    WebPages& operator=(const WebPages&) = delete;

    // In language, but for sign-up and the password help, which are written in English only.
    std::optional<HttpReply> get(const std::string& path, const FormFields& query,
                                 PageLanguage language);
    // clientAddress is where the form came from, which the sign-up and notice limits count by.
    std::optional<HttpReply> post(const std::string& path, const FormFields& form,
                                  const std::string& clientAddress = {});

private:
    HttpReply signupForm(const std::string& message, const std::string& name);
    HttpReply signup(const FormFields& form, const std::string& clientAddress);
    std::optional<HttpReply> localisedPage(const std::string& path, const std::string& slug,
                                           const FormFields& query, PageLanguage language);
    HttpReply buttonPage(const std::string& slug, const FormFields& query, PageLanguage language);
    HttpReply accountPage(const std::string& slug, const FormFields& query, PageLanguage language);
    void forgottenPassword(const std::string& name, const std::string& clientAddress);
    void writeLeftOutNotices(bool evenWithinTheMinute);

    PagewrightService& m_service;
    Store& m_store;
    Notice m_notice;
    EventQuota m_notices;
    std::mutex m_leftOutMutex;
    std::int64_t m_leftOut = 0;
    std::optional<EventQuota::Milliseconds> m_lastSummary;
};

} // namespace textowl::server
