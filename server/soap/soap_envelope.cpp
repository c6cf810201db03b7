#include "server/soap/soap_envelope.h"

#include "server/soap/sanitized_text.h"
#include "server/soap/xml_text.h"

#include <algorithm>
#include <optional>
#include <pugixml.hpp>
#include <utility>

namespace textowl::server {
namespace {

constexpr std::string_view kEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::string_view kInstanceNs = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view kInstanceNs1999 = "http://www.w3.org/1999/XMLSchema-instance";

std::string_view localName(std::string_view qualified) {
    const std::size_t colon = qualified.find(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

std::string_view prefixOf(std::string_view qualified) {
    const std::size_t colon = qualified.find(':');
    return colon == std::string_view::npos ? std::string_view{} : qualified.substr(0, colon);
}

// pugixml does not resolve namespaces, so prefixes are looked up through the ancestors'
// declarations by hand.
std::string_view namespaceOfPrefix(pugi::xml_node node, std::string_view prefix) {
    const std::string attributeName =
        prefix.empty() ? std::string("xmlns") : "xmlns:" + std::string(prefix);
    for (; node; node = node.parent()) {
        if (pugi::xml_attribute a = node.attribute(attributeName.c_str())) {
            return a.value();
        }
    }
    return {};
}

std::string_view namespaceOf(pugi::xml_node node) {
    return namespaceOfPrefix(node, prefixOf(node.name()));
}

bool isEnvelopeElement(pugi::xml_node node, std::string_view name) {
    return node.type() == pugi::node_element && localName(node.name()) == name &&
           namespaceOf(node) == kEnvelopeNs;
}

pugi::xml_node firstElement(pugi::xml_node parent) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            return child;
        }
    }
    return {};
}

bool isTrue(std::string_view value) {
    return value == "1" || value == "true";
}

bool isNil(pugi::xml_node element) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        if (localName(name) != "nil" || prefixOf(name).empty()) {
            continue;
        }
        const std::string_view ns = namespaceOfPrefix(element, prefixOf(name));
        if ((ns == kInstanceNs || ns == kInstanceNs1999) && isTrue(a.value())) {
            return true;
        }
    }
    return false;
}

bool headerNeedsUnderstanding(pugi::xml_node header) {
    for (pugi::xml_node entry = firstElement(header); entry; entry = entry.next_sibling()) {
        for (pugi::xml_attribute a = entry.first_attribute(); a; a = a.next_attribute()) {
            if (localName(a.name()) == "mustUnderstand" &&
                namespaceOfPrefix(entry, prefixOf(a.name())) == kEnvelopeNs &&
                std::string_view(a.value()) != "0" && std::string_view(a.value()) != "false") {
                return true;
            }
        }
    }
    return false;
}

// A parameter's value is its character data; markup inside a string parameter is not accepted.
std::optional<std::string> parameterText(pugi::xml_node element, std::string& fault) {
    std::string text;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            text += child.value();
        } else if (child.type() == pugi::node_element) {
            fault = "parameter " + std::string(localName(element.name())) +
                    " holds markup instead of text";
            return std::nullopt;
        }
    }
    return sanitizeText(text);
}

// The code point a character reference such as "#x41" or "#65" names; nothing when it is
// not one, which the parser then judges.
std::optional<char32_t> referencedCharacter(std::string_view reference) {
    const bool hex = reference.size() > 2 && (reference[1] == 'x');
    std::string_view digits = reference.substr(hex ? 2 : 1);
    if (digits.empty()) {
        return std::nullopt;
    }
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    if (digits.size() > 8) {
        return char32_t{0x110000}; // beyond Unicode, whatever its digits
    }
    char32_t value = 0;
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    return value;
}

// pugixml turns "&#0;" into a NUL that ends the value there, and references to the other
// characters XML 1.0 forbids into text no document may hold: a request with one is malformed,
// never cut short. Character data sections and comments hold no references.
std::optional<std::string> forbiddenCharacter(std::string_view body) {
    if (body.find('\0') != std::string_view::npos) {
        return "a NUL byte";
    }
    for (std::size_t at = body.find_first_of("<&"); at != std::string_view::npos;
         at = body.find_first_of("<&", at + 1)) {
        const std::string_view rest = body.substr(at);
        for (const auto& [open, close] :
             {std::pair{"<![CDATA[", "]]>"}, std::pair{"<!--", "-->"}}) {
            if (rest.starts_with(open)) {
                at = body.find(close, at);
                if (at == std::string_view::npos) {
                    return std::nullopt;
                }
            }
        }
        if (!rest.starts_with("&#")) {
            continue;
        }
        const std::size_t end = rest.find(';');
        const auto cp = end == std::string_view::npos
                            ? std::nullopt
                            : referencedCharacter(rest.substr(1, end - 1));
        if (cp && !isXmlChar(*cp)) {
            return "a reference to a character XML forbids: " +
                   std::string(rest.substr(0, std::min<std::size_t>(end + 1, 16)));
        }
    }
    return std::nullopt;
}

SoapParseResult refuse(std::string why) {
    SoapParseResult result;
    result.fault = std::move(why);
    return result;
}

} // namespace

SoapParseResult parseSoapRequest(std::string_view body) {
    if (const auto forbidden = forbiddenCharacter(body)) {
        return refuse("malformed XML: " + *forbidden);
    }
    pugi::xml_document doc;
    // Without parse_ws_pcdata a parameter of blanks only would arrive as an empty string.
    const unsigned options = pugi::parse_default | pugi::parse_doctype | pugi::parse_ws_pcdata;
    const pugi::xml_parse_result parsed = doc.load_buffer(body.data(), body.size(), options);
    if (!parsed) {
        return refuse(std::string("malformed XML: ") + parsed.description());
    }
    for (pugi::xml_node node = doc.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_doctype) {
            return refuse("document type declarations are not accepted");
        }
    }
    const pugi::xml_node envelope = doc.document_element();
    if (!isEnvelopeElement(envelope, "Envelope")) {
        return refuse("the document element is not a SOAP 1.1 Envelope");
    }
    pugi::xml_node body_element;
    for (pugi::xml_node child = firstElement(envelope); child; child = child.next_sibling()) {
        if (isEnvelopeElement(child, "Header") && !body_element) {
            if (headerNeedsUnderstanding(child)) {
                SoapParseResult result = refuse("a header entry must be understood");
                result.mustUnderstand = true;
                return result;
            }
        } else if (isEnvelopeElement(child, "Body")) {
            body_element = child;
            break;
        }
    }
    if (!body_element) {
        return refuse("the envelope has no Body");
    }
    const pugi::xml_node call = firstElement(body_element);
    if (!call) {
        return refuse("the Body names no operation");
    }
    if (namespaceOf(call) != kServiceNamespace) {
        return refuse("the operation is not in the namespace urn:Pagewright");
    }
    SoapRequest request;
    request.operation = std::string(localName(call.name()));
    for (pugi::xml_node p = call.first_child(); p; p = p.next_sibling()) {
        if (p.type() != pugi::node_element) {
            continue;
        }
        std::string name(localName(p.name()));
        if (request.params.count(name) != 0) {
            return refuse("parameter " + name + " is given twice");
        }
        if (isNil(p)) {
            request.params.emplace(std::move(name), std::nullopt);
            continue;
        }
        std::string fault;
        auto text = parameterText(p, fault);
        if (!text) {
            return refuse(std::move(fault));
        }
        request.params.emplace(std::move(name), std::move(text));
    }
    SoapParseResult result;
    result.request = std::move(request);
    return result;
}

namespace {

constexpr std::string_view kEnvelopeOpen =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\" "
    "soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body>";
constexpr std::string_view kEnvelopeClose = "</soap:Body></soap:Envelope>";

} // namespace

std::string soapResponse(std::string_view operation, std::string_view returnText) {
    std::string out(kEnvelopeOpen);
    out += "<ns1:";
    out += operation;
    out += "Response xmlns:ns1=\"urn:Pagewright\"><return xsi:type=\"xsd:string\">";
    out += escapeXml(returnText, false);
    out += "</return></ns1:";
    out += operation;
    out += "Response>";
    out += kEnvelopeClose;
    return out;
}

std::string soapFault(std::string_view faultCode, std::string_view faultString) {
    std::string out(kEnvelopeOpen);
    out += "<soap:Fault><faultcode>soap:";
    out += faultCode;
    out += "</faultcode><faultstring>";
    out += escapeXml(sanitizeText(faultString), false);
    out += "</faultstring></soap:Fault>";
    out += kEnvelopeClose;
    return out;
}

} // namespace textowl::server
