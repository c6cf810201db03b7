// A redirect target carrying spaces or control bytes is not followed: written into the next
// request line it would let the server add header lines, or a whole request, to what the client
// sends (found by the redirect_location fuzzer).
#include "service/http_client.h"
#include "service/url.h"

#include <gtest/gtest.h>
#include <string>

namespace textowl {
namespace {

struct HostileLocation {
    const char* name;
    std::string location;
};

class RedirectLocation : public testing::TestWithParam<HostileLocation> {};

TEST_P(RedirectLocation, SpaceOrControlByteIsNotFollowed) {
    const Url base = *Url::parse("http://svc:8080/dir/page.php");
    EXPECT_FALSE(resolveLocation(base, GetParam().location).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Table, RedirectLocation,
    testing::Values(HostileLocation{"LineFeedInPath", "/x\nEvil: 1"},
                    HostileLocation{"CarriageReturnInPath", "/x\rEvil: 1"},
                    HostileLocation{"SpaceInPath", "/a HTTP/1.1"},
                    HostileLocation{"TabInRelativePath", "next\t.php"},
                    HostileLocation{"NulInAbsolute", std::string("http://other/a\0b", 16)},
                    HostileLocation{"LineFeedInHost", "http://oth\ner/x"},
                    HostileLocation{"DeleteInNetworkPath", "//other/\x7f"},
                    HostileLocation{"ControlByteInQuery", "?q=\x01"}),
    [](const testing::TestParamInfo<HostileLocation>& info) { return info.param.name; });

TEST(RedirectLocation, TrailingBlanksAreStillTrimmed) {
    const Url base = *Url::parse("http://svc:8080/dir/page.php");
    const auto url = resolveLocation(base, "/svc \t");
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->path, "/svc");
}

} // namespace
} // namespace textowl
