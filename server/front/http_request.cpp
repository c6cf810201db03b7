#include "server/front/http_request.h"

#include "base/ascii.h"

namespace textowl::server {

bool isWildcardHost(std::string_view host) {
    return host == "0.0.0.0" || host == "::";
}

std::string decodeUrl(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = hexDigitValue(text[i + 1]);
            const int low = hexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += plusIsSpace && c == '+' ? ' ' : c;
    }
    return out;
}

void addFormFields(std::string_view text, FormFields& into) {
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        const std::string_view pair = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        if (pair.empty()) {
            continue;
        }
        const std::size_t eq = pair.find('=');
        into.emplace(decodeUrl(pair.substr(0, eq), true),
                     eq == std::string_view::npos ? std::string()
                                                  : decodeUrl(pair.substr(eq + 1), true));
    }
}

FormFields formFields(const HttpRequest& request) {
    FormFields fields;
    addFormFields(request.query, fields);
    if (request.method == "POST" &&
        request.contentType.rfind("application/x-www-form-urlencoded", 0) == 0) {
        addFormFields(request.body, fields);
    }
    return fields;
}

} // namespace textowl::server
