#pragma once

#include "server/http_request.h"

#include <functional>
#include <optional>
#include <string>

namespace textowl::server {

class PagewrightService;
class Store;

struct WebResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
};

// The service's plain HTML pages (no scripts): sign-up, password help, the help pages, the web
// tabs, the interface buttons' pages and the footer. Paths are below /pagewright/.
class WebPages {
public:
    // notice receives one line for the operator per request that needs a person, such as a
    // forgotten password.
    using Notice = std::function<void(const std::string&)>;
    WebPages(PagewrightService& service, Store& store, Notice notice = {});

    std::optional<WebResponse> get(const std::string& path, const FormFields& query);
    std::optional<WebResponse> post(const std::string& path, const FormFields& form);

private:
    WebResponse signupForm(const std::string& message, const std::string& name);
    WebResponse signup(const FormFields& form);
    WebResponse buttonPage(const std::string& slug, const FormFields& query);

    PagewrightService& service_;
    Store& store_;
    Notice notice_;
};

} // namespace textowl::server
