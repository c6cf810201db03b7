#pragma once

#include <string_view>

namespace textowl::server {

// The languages the service's own pages are written in; English unless the reader asks otherwise.
enum class PageLanguage { English, Swedish };

// The language of those an Accept-Language header ranks highest. Ranges are matched by their
// first subtag ("sv-SE" is Swedish), "*" counts as English, q=0 refuses a language, and of equal
// weights the one named first wins.
PageLanguage preferredPageLanguage(std::string_view acceptLanguage);

// The tag for Content-Language and the document's lang attribute.
std::string_view languageTag(PageLanguage language);

// One text of the pages in each of their languages.
struct PageText {
    std::string_view english;
    std::string_view swedish;

    std::string_view in(PageLanguage language) const {
        return language == PageLanguage::Swedish ? swedish : english;
    }
};

} // namespace textowl::server
