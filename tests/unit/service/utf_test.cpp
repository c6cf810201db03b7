#include "service/utf.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
    const std::u16string wide = utf8ToUtf16(text);
    EXPECT_EQ(wide, u"a\u00E9\u20AC\U0001F600z");
    EXPECT_EQ(utf16ToUtf8(wide), text);
}

struct BadUtf8 {
    std::string input;
    std::u16string expected;
};

class Utf8Malformed : public ::testing::TestWithParam<BadUtf8> {};

TEST_P(Utf8Malformed, BecomesReplacementCharacters) {
    EXPECT_EQ(utf8ToUtf16(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Malformed,
                         ::testing::Values(BadUtf8{"\x80x", u"\uFFFDx"}, // stray continuation
                                           BadUtf8{"\xC3", u"\uFFFD"},   // truncated at the end
                                           BadUtf8{"\xC3x", u"\uFFFDx"}, // next byte is kept
                                           BadUtf8{"\xC0\xAF", u"\uFFFD\uFFFD"}, // overlong slash
                                           BadUtf8{"\xED\xA0\x80", u"\uFFFD"}, // encoded surrogate
                                           BadUtf8{"\xF4\x90\x80\x80",
                                                   u"\uFFFD"}, // beyond U+10FFFF
                                           BadUtf8{"\xFF\xFE", u"\uFFFD\uFFFD"}));

TEST(Utf, LoneSurrogatesBecomeReplacementCharacters) {
    const std::u16string lone{u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
    EXPECT_EQ(utf16ToUtf8(lone), "a\xEF\xBF\xBD"
                                 "b\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t(0xD83D)}), "\xEF\xBF\xBD");
}

// Long texts take the block path and cross the writer's chunk boundaries; non-ASCII characters
// at every offset make sure no block swallows or shifts one.
TEST(Utf, LongMixedTextsConvertLikeShortOnes) {
    for (std::size_t offset = 0; offset < 40; ++offset) {
        std::string utf8;
        std::u16string utf16;
        for (int i = 0; i < 300; ++i) {
            utf8 += std::string(offset + static_cast<std::size_t>(i % 7), 'a');
            utf16 += std::u16string(offset + static_cast<std::size_t>(i % 7), u'a');
            utf8 += i % 2 ? "\xC3\xA9" : "\xF0\x9F\x98\x80";
            utf16 += i % 2 ? u"\u00E9" : u"\U0001F600";
        }
        ASSERT_EQ(utf8ToUtf16(utf8), utf16) << offset;
        ASSERT_EQ(utf16ToUtf8(utf16), utf8) << offset;
    }
}

TEST(Utf, AppendKeepsWhatIsAlreadyThere) {
    std::u16string wide = u"x";
    appendUtf8ToUtf16(std::string(100, 'b'), wide);
    EXPECT_EQ(wide, u"x" + std::u16string(100, u'b'));
    std::string narrow = "y";
    appendUtf16ToUtf8(std::u16string(100, u'c'), narrow);
    EXPECT_EQ(narrow, "y" + std::string(100, 'c'));
}

} // namespace
} // namespace textowl
