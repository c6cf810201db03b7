#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace textowl::server {

// Escapes text for element content or a double-quoted attribute. Line breaks and tabs in
// attributes are written as character references so that they survive attribute normalisation.
std::string escapeXml(std::string_view text, bool attribute);

// Builds the small result documents of the service without a DOM: elements are closed in order.
class XmlBuilder {
public:
    using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;

    XmlBuilder& open(std::string_view name, const Attributes& attributes = {});
    XmlBuilder& empty(std::string_view name, const Attributes& attributes = {});
    XmlBuilder& text(std::string_view content);
    XmlBuilder& element(std::string_view name, std::string_view content);
    XmlBuilder& close();
    std::string finish();

private:
    void start(std::string_view name, const Attributes& attributes);

    std::string m_out;
    std::vector<std::string> m_open;
};

} // namespace textowl::server
