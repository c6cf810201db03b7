#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace textowl::server {

using FormFields = std::multimap<std::string, std::string>;

// One request as the routes see it, whatever carried it.
struct HttpRequest {
    std::string method; // "GET", "HEAD", "POST", ...
    std::string path;   // percent-decoded, without the query
    std::string query;  // as sent, after the '?'
    std::string body;
    std::string host; // the Host header
    std::string contentType;
    bool hasSoapAction = false;
    std::string soapAction;
    std::string remoteAddress;
    std::string acceptLanguage;
    bool secure = false; // came over TLS
};

struct HttpReply {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// "0.0.0.0" or "::": a listening address that names no one host clients could use.
bool isWildcardHost(std::string_view host);

// %XX sequences decoded; with plusIsSpace, '+' too (form values, not paths). A '%' not
// followed by two hex digits stays as it is.
std::string decodeUrl(std::string_view text, bool plusIsSpace);
// name=value pairs separated by '&', each side decoded as a form value.
void addFormFields(std::string_view text, FormFields& into);
// The query's fields, and a form-encoded body's.
FormFields formFields(const HttpRequest& request);

} // namespace textowl::server
