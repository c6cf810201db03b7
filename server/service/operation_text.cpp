#include "server/service/operation_text.h"

#include "server/soap/xml_text.h"

#include <sodium.h>

namespace textowl::server {

const std::optional<std::string>& param(const ParamMap& p, const char* name) {
    static const std::optional<std::string> kNull;
    const auto it = p.find(name);
    return it == p.end() ? kNull : it->second;
}

std::string result(Err err, const std::function<void(XmlBuilder&)>& children) {
    XmlBuilder xml;
    xml.open("result", {{"err", std::to_string(static_cast<int>(err))}});
    if (err != Err::Ok) {
        xml.element("error", errText(err));
    } else if (children) {
        children(xml);
    }
    return xml.finish();
}

std::string withValue(std::string_view element, std::string_view value) {
    return result(Err::Ok, [&](XmlBuilder& xml) { xml.element(element, value); });
}

std::string withNewId(std::string_view element, const Outcome<std::int64_t>& created) {
    return created.err == Err::Ok ? withValue(element, std::to_string(created.value))
                                  : result(created.err);
}

std::string hexEncode(const unsigned char* bytes, std::size_t size) {
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, size);
    hex.pop_back();
    return hex;
}

} // namespace textowl::server
