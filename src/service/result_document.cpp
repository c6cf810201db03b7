#include "service/result_document.h"

#include "service/utf.h"

#include <new>

namespace textowl {

Status checkResult(const ServiceText& result, ResultDocument& out) {
    if (!result) {
        return E_FAIL;
    }
    try {
        const std::string text = utf16ToUtf8(*result);
        // pugixml never expands custom entities and parses iteratively, so hostile nesting is safe.
        const pugi::xml_parse_result parsed = out.document().load_buffer(
            text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!parsed) {
            return E_FAIL;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const pugi::xml_attribute err = out.documentElement().attribute("err");
    if (!err || std::string_view(err.value()) != "0") {
        return E_FAIL;
    }
    return S_OK;
}

std::optional<std::string> resultElement(const ResultDocument& doc, std::string_view name) {
    for (pugi::xml_node child = doc.documentElement().first_child(); child;
         child = child.next_sibling()) {
        if (child.type() == pugi::node_element && name == child.name()) {
            return std::string(child.first_child().value());
        }
    }
    return std::nullopt;
}

} // namespace textowl
