#include "texts/text_format.h"

namespace textowl {

std::string formatText(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        const char conversion = i + 1 < format.size() ? format[i + 1] : '\0';
        if (c != '%' || conversion == '\0') {
            out += c;
            continue;
        }
        if (conversion == '%') {
            out += '%';
            ++i;
        } else if ((conversion == 's' || conversion == 'd') && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace textowl
