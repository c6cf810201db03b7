#include "server/web/page_language.h"

#include <gtest/gtest.h>

namespace textowl::server {
namespace {

TEST(PreferredPageLanguage, FollowsTheHighestWeightTheServiceCanAnswerIn) {
    constexpr auto en = PageLanguage::English;
    constexpr auto sv = PageLanguage::Swedish;
    const struct {
        const char* header;
        PageLanguage expected;
    } rows[] = {
        {"", en},
        {"sv", sv},
        {"SV-se", sv},
        {"sv-SE,sv;q=0.9", sv},
        {"en-US,en;q=0.9,sv;q=0.8", en},
        {"en;q=0.5, sv-FI;q=0.7", sv},
        // A language the pages lack does not count; "*" is any, so English.
        {"de-DE, sv;q=0.3", sv},
        {"sv;q=0.5, *;q=0.8", en},
        // q=0 refuses.
        {"sv;q=0, en;q=0.1", en},
        {"sv;q=0", en},
        // Of equal weights, the first.
        {"sv, en", sv},
        {"en, sv", en},
        // A malformed weight leaves its range out.
        {"sv;q=2, en;q=0.1", en},
        {"sv;q=0.5x, en;q=0.1", en},
        {"svenska", en},
        {" sv ; q = 0.9 , en;q=0.8", sv},
        {",,;;q=,sv", sv},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(preferredPageLanguage(row.header), row.expected) << row.header;
    }
}

} // namespace
} // namespace textowl::server
