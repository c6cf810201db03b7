#include "service/url.h"

#include <gtest/gtest.h>
#include <string>

namespace textowl {
namespace {

struct ParseCase {
    const char* text;
    bool valid;
    const char* host;
    std::uint16_t port;
    const char* path;
    const char* extra;
    const char* scheme = "http";
};

class UrlParse : public testing::TestWithParam<ParseCase> {};

TEST_P(UrlParse, SplitsTheAddress) {
    const ParseCase& c = GetParam();
    auto url = Url::parse(c.text);
    ASSERT_EQ(url.has_value(), c.valid) << c.text;
    if (!c.valid) {
        return;
    }
    EXPECT_EQ(url->scheme, c.scheme);
    EXPECT_EQ(url->host, c.host);
    EXPECT_EQ(url->port, c.port);
    EXPECT_EQ(url->path, c.path);
    EXPECT_EQ(url->extra, c.extra);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UrlParse,
    testing::Values(ParseCase{"http://localhost/pagewright/soapserver.php", true, "localhost", 0,
                              "/pagewright/soapserver.php", ""},
                    ParseCase{"http://127.0.0.1:8080", true, "127.0.0.1", 8080, "/", ""},
                    ParseCase{"HTTP://Host:80/p?q=1#frag", true, "Host", 80, "/p", "?q=1"},
                    ParseCase{"http://host?x", true, "host", 0, "/", "?x"},
                    ParseCase{"http://[::1]:81/v6", true, "::1", 81, "/v6", ""},
                    ParseCase{"http://host:/p", true, "host", 0, "/p", ""},
                    ParseCase{"HTTPS://host:8443/s", true, "host", 8443, "/s", "", "https"},
                    ParseCase{"ftp://host/", false, "", 0, "", ""},
                    ParseCase{"host/path", false, "", 0, "", ""},
                    ParseCase{"http:///path", false, "", 0, "", ""},
                    ParseCase{"http://host:99999/", false, "", 0, "", ""},
                    ParseCase{"http://host:8x/", false, "", 0, "", ""},
                    ParseCase{"http://user:pw@host/", false, "", 0, "", ""},
                    ParseCase{"http://host/a b", false, "", 0, "", ""},
                    ParseCase{"http://host/p\r\nX-Injected: 1", false, "", 0, "", ""},
                    ParseCase{"http://ho\tst/", false, "", 0, "", ""}));

struct RedirectCase {
    const char* location;
    bool valid;
    const char* host;
    std::uint16_t port;
    const char* path;
    const char* extra;
};

class RedirectResolve : public testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectResolve, ResolvesAgainstTheCurrentAddress) {
    Url base = *Url::parse("http://svc:8080/dir/page.php?a=1");
    const RedirectCase& c = GetParam();
    auto url = resolveLocation(base, c.location);
    ASSERT_EQ(url.has_value(), c.valid) << c.location;
    if (!c.valid) {
        return;
    }
    EXPECT_EQ(url->host, c.host);
    EXPECT_EQ(url->port, c.port);
    EXPECT_EQ(url->path, c.path);
    EXPECT_EQ(url->extra, c.extra);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RedirectResolve,
    testing::Values(RedirectCase{"http://other/x", true, "other", 80, "/x", ""},
                    RedirectCase{"http://other:81/x?y", true, "other", 81, "/x", "?y"},
                    RedirectCase{"//other/x", true, "other", 80, "/x", ""},
                    RedirectCase{"/top?q", true, "svc", 8080, "/top", "?q"},
                    RedirectCase{"next.php", true, "svc", 8080, "/dir/next.php", ""},
                    RedirectCase{"../up.php", true, "svc", 8080, "/up.php", ""},
                    RedirectCase{"../../../up.php", true, "svc", 8080, "/up.php", ""},
                    RedirectCase{"./sub/", true, "svc", 8080, "/dir/sub/", ""},
                    RedirectCase{"?b=2", true, "svc", 8080, "/dir/page.php", "?b=2"},
                    RedirectCase{"https://secure/", true, "secure", 443, "/", ""},
                    RedirectCase{"", false, "", 0, "", ""}));

} // namespace
} // namespace textowl
