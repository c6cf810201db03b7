// The interface description: web tabs, buttons and footer.
#include "server/service/operation_text.h"
#include "server/service/service.h"
#include "server/service/web_catalogue.h"
#include "server/soap/xml_text.h"

namespace textowl::server {
namespace {

// The icons are named by host alone: the client fetches them in the scheme it reached us by.
void writeWebEntry(XmlBuilder& xml, std::string_view element, const WebEntry& entry,
                   const std::string& pages, const std::string& host) {
    xml.empty(element, {{"url", pages + std::string(entry.slug)},
                        {"imageURI", host},
                        {"location", kImageLocation},
                        {"file", entry.iconFile},
                        {"tooltip", entry.tooltip}});
}

} // namespace

std::string PagewrightService::getInterface(AccountId, const Params&,
                                            const RequestContext& context) {
    const std::string host = context.reachedHost.empty() ? publicHost() : context.reachedHost;
    const std::string& scheme = context.scheme;
    if (m_config.interfaceDescription) {
        std::string text = *m_config.interfaceDescription;
        for (const auto& [placeholder, value] :
             {std::pair{std::string_view("{host}"), &host}, {"{scheme}", &scheme}}) {
            for (std::size_t at = text.find(placeholder); at != std::string::npos;
                 at = text.find(placeholder, at + value->size()))
                text.replace(at, placeholder.size(), *value);
        }
        return text;
    }
    const std::string pages = scheme + "://" + host + "/pagewright/";
    return result(Err::Ok, [&](XmlBuilder& xml) {
        xml.open("interface");
        xml.open("tabs");
        for (const WebEntry& tab : webTabs()) {
            writeWebEntry(xml, "tab", tab, pages, host);
        }
        xml.close().open("buttons");
        for (const WebEntry& button : interfaceButtons()) {
            writeWebEntry(xml, "button", button, pages, host);
        }
        xml.close();
        xml.empty("footer", {{"url", pages + "footer"}});
        xml.element("language", "en");
        xml.close();
    });
}

} // namespace textowl::server
