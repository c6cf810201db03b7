#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace textowl::server {

inline constexpr std::string_view kServiceNamespace = "urn:Pagewright";

// One parsed call: the operation (the first child of Body) and its parameters by local name;
// a nil parameter is present with no value.
struct SoapRequest {
    std::string operation;
    std::map<std::string, std::optional<std::string>> params;
};

struct SoapParseResult {
    std::optional<SoapRequest> request;
    std::string fault;           // why the envelope was refused, when request is empty
    bool mustUnderstand = false; // refused because of a header entry the service cannot honour
};

// Parses a SOAP 1.1 request body, which must be UTF-8. Document type declarations are refused, so
// no entity is ever expanded, and a reference to one is refused rather than kept as text.
// Parameter texts have the characters XML forbids replaced and are otherwise kept as sent: blanks
// are never trimmed, whatever xml:space says.
SoapParseResult parseSoapRequest(std::string_view body);

std::string soapResponse(std::string_view operation, std::string_view returnText);

// faultCode is the local part: "Client", "Server", "MustUnderstand".
std::string soapFault(std::string_view faultCode, std::string_view faultString);

} // namespace textowl::server
