#include "server/host/http_server.h"

#include "server/gateway/delivery_reports.h"
#include "server/host/routes.h"
#include "server/service/service.h"
#include "server/service/web_catalogue.h"

namespace textowl::server {
namespace {

// An IPv6 literal goes in brackets; a wildcard address is no place to connect to, so the image
// host named to clients is the loopback address instead.
std::string hostForUrl(const std::string& host, bool connectable) {
    if (connectable && isWildcardHost(host)) {
        return "127.0.0.1";
    }
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

FrontOptions withWorkers(FrontOptions options, int workers) {
    options.workers = workers;
    return options;
}

} // namespace

struct PagewrightServer::Impl {
    PagewrightService& service;
    ServerOptions options;
    PagewrightRoutes routes;
    HttpFront front;

    Impl(PagewrightService& s, Store& store, ServerOptions o)
        : service(s), options(std::move(o)), routes(s, store, options.front.notice),
          front(withWorkers(options.front, store.concurrency()),
                [this](const HttpRequest& request) {
                    const bool report = request.path == kDeliveryReportPath;
                    if (options.reportsOnly ? !report : report && !options.takesReports) {
                        return HttpReply{404, {}, {}, {}};
                    }
                    return routes.handle(request);
                }) {}
};

PagewrightServer::PagewrightServer(PagewrightService& service, Store& store, ServerOptions options)
    : m_impl(std::make_unique<Impl>(service, store, std::move(options))) {}

PagewrightServer::~PagewrightServer() {
    m_impl->front.stop();
}

bool PagewrightServer::bind() {
    Impl& d = *m_impl;
    if (!d.front.bind()) {
        return false;
    }
    if (!d.options.reportsOnly) {
        d.routes.setListenAddress(d.options.front.host, d.front.port());
        d.service.setPublicHost(hostForUrl(d.options.front.host, true) + ":" +
                                std::to_string(d.front.port()));
    }
    return true;
}

std::string PagewrightServer::baseUrl() const {
    return std::string(m_impl->front.secure() ? "https://" : "http://") +
           hostForUrl(m_impl->options.front.host, true) + ":" + std::to_string(port());
}

int PagewrightServer::port() const {
    return m_impl->front.port();
}

std::string PagewrightServer::endpointUrl() const {
    return std::string(m_impl->front.secure() ? "https://" : "http://") +
           hostForUrl(m_impl->options.front.host, false) + ":" + std::to_string(port()) +
           std::string(kSoapPath);
}

int PagewrightServer::connectionCeiling() const {
    return m_impl->front.connectionCeiling();
}

void PagewrightServer::run() {
    m_impl->front.run();
}

void PagewrightServer::start() {
    m_impl->front.start();
}

void PagewrightServer::stop() {
    m_impl->front.stop();
}

} // namespace textowl::server
