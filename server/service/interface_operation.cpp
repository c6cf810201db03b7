// The interface description: web tabs, buttons and footer.
#include "server/service/operation_text.h"
#include "server/service/service.h"
#include "server/service/web_catalogue.h"
#include "server/soap/xml_text.h"

namespace textowl::server {
namespace {

void writeWebEntry(XmlBuilder& xml, std::string_view element, const WebEntry& entry,
                   const std::string& host) {
    const std::string url = "http://" + host + "/pagewright/" + std::string(entry.slug);
    xml.empty(element, {{"url", url},
                        {"imageURI", host},
                        {"location", kImageLocation},
                        {"file", entry.iconFile},
                        {"tooltip", entry.tooltip}});
}

} // namespace

std::string PagewrightService::getInterface(AccountId, const Params&,
                                            const RequestContext& context) {
    const std::string host = context.reachedHost.empty() ? publicHost() : context.reachedHost;
    if (m_config.interfaceDescription) {
        std::string text = *m_config.interfaceDescription;
        static constexpr std::string_view kHost = "{host}";
        for (std::size_t at = text.find(kHost); at != std::string::npos;
             at = text.find(kHost, at + host.size()))
            text.replace(at, kHost.size(), host);
        return text;
    }
    return result(Err::Ok, [&](XmlBuilder& xml) {
        xml.open("interface");
        xml.open("tabs");
        for (const WebEntry& tab : webTabs()) {
            writeWebEntry(xml, "tab", tab, host);
        }
        xml.close().open("buttons");
        for (const WebEntry& button : interfaceButtons()) {
            writeWebEntry(xml, "button", button, host);
        }
        xml.close();
        xml.empty("footer", {{"url", "http://" + host + "/pagewright/footer"}});
        xml.element("language", "en");
        xml.close();
    });
}

} // namespace textowl::server
