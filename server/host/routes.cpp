#include "server/host/routes.h"

#include "server/gateway/delivery_reports.h"
#include "server/service/service.h"
#include "server/service/web_catalogue.h"
#include "server/soap/soap_envelope.h"
#include "server/web/bmp_icons.h"
#include "server/web/page_language.h"

#include <optional>

namespace textowl::server {
namespace {

constexpr const char* kXmlType = "text/xml; charset=utf-8";
constexpr const char* kHtmlType = "text/html; charset=utf-8";

std::string stripQuotes(std::string value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

HttpReply fault(std::string_view code, std::string_view why) {
    return HttpReply{500, kXmlType, soapFault(code, why), {}};
}

// The host name of a Host header without its port: a DNS name, an IPv4 address or a bracketed
// IPv6 address. Anything else names no host a client could be sent to.
std::optional<std::string> hostName(const std::string& header) {
    const bool bracketed = !header.empty() && header.front() == '[';
    const std::size_t end = bracketed ? header.find(']') : header.find(':');
    if (bracketed && end == std::string::npos) {
        return std::nullopt;
    }
    const std::string name = header.substr(0, bracketed ? end + 1 : end);
    const std::string_view allowed = bracketed ? "[]:.0123456789abcdefABCDEF"
                                               : "-.0123456789abcdefghijklmnopqrstuvwxyz"
                                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    if (name.empty() || name.size() > 255 || name.find_first_not_of(allowed) != std::string::npos) {
        return std::nullopt;
    }
    return name;
}

bool validIconName(const std::string& name) {
    return !name.empty() &&
           name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                  "0123456789_.") == std::string::npos;
}

HttpReply page(std::optional<HttpReply> page) {
    if (!page) {
        return HttpReply{
            404, kHtmlType, "<!DOCTYPE html><title>Not found</title><p>Not found.</p>", {}};
    }
    return std::move(*page);
}

bool isPagePath(const std::string& path) {
    return path == "/pagewright" || path.rfind("/pagewright/", 0) == 0;
}

bool isFormPath(const std::string& path) {
    for (const char* form : {"/pagewright/signup", "/pagewright/signup.php",
                             "/pagewright/forgotpwd", "/pagewright/forgotpwd.php"}) {
        if (path == form) {
            return true;
        }
    }
    return false;
}

} // namespace

PagewrightRoutes::PagewrightRoutes(PagewrightService& service, Store& store, Notice notice)
    : m_service(service), m_store(store), m_notice(notice), m_pages(service, store, notice),
      m_icons(buildInterfaceIcons()) {}

void PagewrightRoutes::setListenAddress(std::string listenHost, int port) {
    m_listenHost = std::move(listenHost);
    m_port = port;
}

HttpReply PagewrightRoutes::handle(const HttpRequest& request) {
    try {
        return route(request);
    } catch (const std::exception& e) {
        if (m_notice) {
            m_notice("internal error at " + request.path + ": " + e.what());
        }
        return fault("Server", "internal error");
    }
}

HttpReply PagewrightRoutes::route(const HttpRequest& request) {
    const std::string& path = request.path;
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (request.method == "POST" && path == kSoapPath) {
        return soap(request);
    }
    if (get && path.rfind(kImagesPrefix, 0) == 0) {
        return icon(path.substr(kImagesPrefix.size()));
    }
    if (get && path == kDeliveryReportPath) {
        const ReportReply reply =
            receiveDeliveryReport(m_store, formFields(request), m_service.now());
        return HttpReply{reply.status, "text/plain; charset=utf-8", reply.body, {}};
    }
    if (get && isPagePath(path)) {
        return page(
            m_pages.get(path, formFields(request), preferredPageLanguage(request.acceptLanguage)));
    }
    if (request.method == "POST" && isFormPath(path)) {
        return page(m_pages.post(path, formFields(request), request.remoteAddress));
    }
    return HttpReply{404, {}, {}, {}};
}

HttpReply PagewrightRoutes::icon(const std::string& name) const {
    const auto it = validIconName(name) ? m_icons.find(name) : m_icons.end();
    if (it == m_icons.end()) {
        return HttpReply{404, {}, {}, {}};
    }
    return HttpReply{200, "image/bmp", it->second, {}};
}

HttpReply PagewrightRoutes::soap(const HttpRequest& request) {
    const SoapParseResult parsed = parseSoapRequest(request.body);
    if (!parsed.request) {
        return fault(parsed.mustUnderstand ? "MustUnderstand" : "Client", parsed.fault);
    }
    const SoapRequest& call = *parsed.request;
    if (request.hasSoapAction) {
        const std::string action = stripQuotes(request.soapAction);
        if (!action.empty() && action != std::string(kServiceNamespace) + "#" + call.operation) {
            return fault("Client", "the SOAPAction header names another operation");
        }
    }
    const CallReply reply =
        m_service.call(call, RequestContext{request.remoteAddress, reachedHost(request),
                                            request.secure ? "https" : "http", m_service.now()});
    if (reply.faultCode) {
        return fault(*reply.faultCode, reply.faultString);
    }
    return HttpReply{200, kXmlType, soapResponse(call.operation, reply.returnText), {}};
}

// A server listening on every address has no one address to name to its clients; each is told
// the host name it used itself, which is how it reached this server.
std::string PagewrightRoutes::reachedHost(const HttpRequest& request) const {
    if (!isWildcardHost(m_listenHost)) {
        return {};
    }
    const auto name = hostName(request.host);
    return name ? *name + ":" + std::to_string(m_port) : std::string();
}

} // namespace textowl::server
