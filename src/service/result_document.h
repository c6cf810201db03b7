#pragma once

#include "service/operation_map.h"
#include "service/status.h"

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace textowl {

// A "return" string that passed the result check, kept as a DOM for the Part that reads it.
class ResultDocument {
public:
    pugi::xml_node documentElement() const { return m_doc.document_element(); }
    pugi::xml_document& document() { return m_doc; }

private:
    pugi::xml_document m_doc;
};

// Passes only when the text parses and its document element carries err exactly "0".
Status checkResult(const ServiceText& result, ResultDocument& out);

// Text of the first child node of the first child element called name; nullopt when absent.
std::optional<std::string> resultElement(const ResultDocument& doc, std::string_view name);

} // namespace textowl
