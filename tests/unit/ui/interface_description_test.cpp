#include "ui/interface_description.h"

#include <gtest/gtest.h>
#include <string>

namespace textowl {
namespace {

std::string element(const char* kind, const char* url, const char* tooltip = "tip") {
    return std::string("<") + kind + " url=\"" + url +
           "\" imageURI=\"img.test\" location=\"icons\" file=\"a.bmp\"" +
           (tooltip ? std::string(" tooltip=\"") + tooltip + "\"" : std::string()) + "/>";
}

TEST(InterfaceDescription, ReadsTabsButtonsAndFooterSkippingIncompleteElements) {
    const struct {
        const char* name;
        std::string text;
        std::vector<int> tabIndexes;
        std::vector<int> buttonIndexes;
        std::string footer;
    } cases[] = {
        {"SkippedSecondButtonLeavesAGap",
         "<r err=\"0\"><interface><tabs>" + element("tab", "http://t/1") + "</tabs><buttons>" +
             element("button", "http://b/0") + element("button", "http://b/1", nullptr) +
             element("button", "http://b/2") +
             "</buttons><footer url=\"http://f/\"/></interface></r>",
         {0},
         {0, 2},
         "http://f/"},
        {"MissingContainersHoldNothing", "<r err=\"0\"><interface/></r>", {}, {}, ""},
        {"EmptyAttributesStillCount",
         "<r err=\"0\"><interface><tabs><tab url=\"\" imageURI=\"\" location=\"\" file=\"\" "
         "tooltip=\"\"/></tabs></interface></r>",
         {0},
         {},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto description = readInterfaceDescription(c.text);
        ASSERT_TRUE(description.has_value());
        std::vector<int> tabs, buttons;
        for (const auto& e : description->tabs)
            tabs.push_back(e.elementIndex);
        for (const auto& e : description->buttons)
            buttons.push_back(e.elementIndex);
        EXPECT_EQ(tabs, c.tabIndexes);
        EXPECT_EQ(buttons, c.buttonIndexes);
        EXPECT_EQ(description->footerUrl, c.footer);
    }
    EXPECT_FALSE(readInterfaceDescription("<r err=\"1\"><interface/></r>").has_value());
    EXPECT_FALSE(readInterfaceDescription("not xml").has_value());
}

TEST(InterfaceDescription, FooterComesOnlyFromTheInterfaceElement) {
    const auto footer = [](std::string_view text) {
        const auto description = readInterfaceDescription(text);
        return description ? description->footerUrl : std::string("refused");
    };
    EXPECT_EQ(
        footer(
            R"(<result err="0"><interface><tabs/><footer url="http://h/f"/></interface></result>)"),
        "http://h/f");
    EXPECT_EQ(footer(R"(<result err="0"><interface><tabs/></interface></result>)"), "");
    EXPECT_EQ(footer(R"(<result err="0"><footer url="x"/></result>)"), "");
    EXPECT_EQ(footer("not xml <"), "refused");
    EXPECT_EQ(footer(""), "refused");
}

TEST(InterfaceDescription, TicketIsAddedAsAQueryParameterAndEncoded) {
    EXPECT_EQ(pageWithTicket("http://h/p", "ab12"), "http://h/p?ticket=ab12");
    EXPECT_EQ(pageWithTicket("http://h/p?x=1", "ab12"), "http://h/p?x=1&ticket=ab12");
    // A "?" anywhere counts, even in a fragment.
    EXPECT_EQ(pageWithTicket("http://h/p#a?b", "ab12"), "http://h/p#a?b&ticket=ab12");
    EXPECT_EQ(pageWithTicket("http://h/p", "a&b=c#d e"), "http://h/p?ticket=a%26b%3Dc%23d%20e");
}

TEST(InterfaceDescription, IconsComeFromTheNamedHostAndPort) {
    InterfaceElement e{"", "img.test", "pagewright/images", "tab.bmp", "", 0};
    EXPECT_EQ(imageRequest(e), (ImageRequest{"img.test", 80, "/pagewright/images/tab.bmp"}));
    e.imageUri = "127.0.0.1:8123";
    e.location = "/pagewright/images";
    EXPECT_EQ(imageRequest(e), (ImageRequest{"127.0.0.1", 8123, "/pagewright/images/tab.bmp"}));
    e.location = "";
    EXPECT_EQ(imageRequest(e), (ImageRequest{"127.0.0.1", 8123, "/tab.bmp"}));
    e.imageUri = "[::1]:8123";
    EXPECT_EQ(imageRequest(e), (ImageRequest{"::1", 8123, "/tab.bmp"}));
    e.imageUri = "[::1]";
    EXPECT_EQ(imageRequest(e), (ImageRequest{"::1", 80, "/tab.bmp"}));
    // Nothing the service names may break the request line or add a header line to it.
    e.location = "my icons";
    e.file = "t\r\nX: 1.bmp";
    EXPECT_EQ(imageRequest(e)->path, "/my%20icons/t%0D%0AX:%201.bmp");
    for (const char* bad :
         {"", "host:", "host:http", "host:70000", ":80", "h\r\nX: 1:80", "h\x7f"}) {
        e.imageUri = bad;
        EXPECT_FALSE(imageRequest(e).has_value()) << bad;
    }
}

} // namespace
} // namespace textowl
