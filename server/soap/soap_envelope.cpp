#include "server/soap/soap_envelope.h"

#include "server/soap/sanitized_text.h"
#include "server/soap/well_formed.h"
#include "server/soap/xml_text.h"

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

SoapParseResult refuse(std::string why) {
    SoapParseResult result;
    result.fault = std::move(why);
    return result;
}

} // namespace

SoapParseResult parseSoapRequest(std::string_view body) {
    if (const auto malformed = notWellFormed(body)) {
        return refuse("malformed XML: " + *malformed);
    }
    pugi::xml_document doc;
    // Without parse_ws_pcdata a parameter of blanks only would arrive as an empty string.
    const unsigned options = pugi::parse_default | pugi::parse_doctype | pugi::parse_ws_pcdata;
    // The bytes are known to be UTF-8 by now, whatever a declaration inside claims.
    const pugi::xml_parse_result parsed =
        doc.load_buffer(body.data(), body.size(), options, pugi::encoding_utf8);
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
