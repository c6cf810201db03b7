#pragma once

#include "server/front/http_request.h"
#include "server/web/web_pages.h"

#include <functional>
#include <map>
#include <string>

namespace textowl::server {

class PagewrightService;
class Store;

// What each path of the service answers: SOAP at POST /pagewright/soapserver.php, the
// interface icons, the gateway's delivery reports and the web pages. Knows nothing of sockets.
class PagewrightRoutes {
public:
    using Notice = std::function<void(const std::string&)>;
    PagewrightRoutes(PagewrightService& service, Store& store, Notice notice);

    // listenHost and port are where the server listens: a server on every address names to
    // each client the host that client reached it by.
    void setListenAddress(std::string listenHost, int port);
    HttpReply handle(const HttpRequest& request);

private:
    HttpReply route(const HttpRequest& request);
    HttpReply soap(const HttpRequest& request);
    HttpReply icon(const std::string& name) const;
    std::string reachedHost(const HttpRequest& request) const;

    PagewrightService& m_service;
    Store& m_store;
    Notice m_notice;
    WebPages m_pages;
    std::map<std::string, std::string> m_icons;
    std::string m_listenHost;
    int m_port = 0;
};

} // namespace textowl::server
