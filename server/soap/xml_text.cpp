#include "server/soap/xml_text.h"

#include "base/xml_escape.h"

namespace textowl::server {

std::string escapeXml(std::string_view text, bool attribute) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (const std::string_view entity = xmlEntity(static_cast<unsigned char>(c), attribute);
            !entity.empty()) {
            out += entity;
            continue;
        }
        switch (c) {
        case '\t':
            out += attribute ? "&#9;" : "\t";
            break;
        case '\n':
            out += attribute ? "&#10;" : "\n";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void XmlBuilder::start(std::string_view name, const Attributes& attributes) {
    m_out += '<';
    m_out += name;
    for (const auto& [key, value] : attributes) {
        m_out += ' ';
        m_out += key;
        m_out += "=\"";
        m_out += escapeXml(value, true);
        m_out += '"';
    }
}

XmlBuilder& XmlBuilder::open(std::string_view name, const Attributes& attributes) {
    start(name, attributes);
    m_out += '>';
    m_open.emplace_back(name);
    return *this;
}

XmlBuilder& XmlBuilder::empty(std::string_view name, const Attributes& attributes) {
    start(name, attributes);
    m_out += "/>";
    return *this;
}

XmlBuilder& XmlBuilder::text(std::string_view content) {
    m_out += escapeXml(content, false);
    return *this;
}

XmlBuilder& XmlBuilder::element(std::string_view name, std::string_view content) {
    return open(name).text(content).close();
}

XmlBuilder& XmlBuilder::close() {
    m_out += "</";
    m_out += m_open.back();
    m_out += '>';
    m_open.pop_back();
    return *this;
}

std::string XmlBuilder::finish() {
    while (!m_open.empty()) {
        close();
    }
    return std::move(m_out);
}

} // namespace textowl::server
