#include "service/result_document.h"

#include "service/utf.h"

#include <algorithm>
#include <expat.h>
#include <memory>
#include <new>

namespace textowl {
namespace {

struct ExpatDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// pugixml is lenient: it takes a second root element, text after the root, a bare "&", an unknown
// entity or a repeated attribute (so err="0" err="1" would pass). The service's result must be
// well formed, so expat judges that first. A default handler keeps it from expanding entities.
bool isWellFormed(const std::string& text) {
    std::unique_ptr<XML_ParserStruct, ExpatDeleter> parser(XML_ParserCreate("UTF-8"));
    if (!parser) {
        throw std::bad_alloc();
    }
    XML_SetDefaultHandler(parser.get(), [](void*, const XML_Char*, int) {});
    constexpr std::size_t kSlice = 1u << 20;
    std::string_view rest = text;
    do {
        const std::size_t n = std::min(kSlice, rest.size());
        const bool last = n == rest.size();
        if (XML_Parse(parser.get(), rest.data(), static_cast<int>(n), last) != XML_STATUS_OK) {
            if (XML_GetErrorCode(parser.get()) == XML_ERROR_NO_MEMORY) {
                throw std::bad_alloc();
            }
            return false;
        }
        rest.remove_prefix(n);
    } while (!rest.empty());
    return true;
}

} // namespace

Status checkResult(const ServiceText& result, ResultDocument& out) {
    if (!result) {
        return E_FAIL;
    }
    try {
        const std::string text = utf16ToUtf8(*result);
        if (!isWellFormed(text)) {
            return E_FAIL;
        }
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
