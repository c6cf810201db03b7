#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Lookup {
    const char* key;
    const char* attribute; // nullptr: the element's own text
};

// Every lookup the program makes, as key plus attribute or element text.
constexpr Lookup kLookups[] = {
    {"menus/main/file", "text"},
    {"menus/main/contacts", "text"},
    {"menus/main/preferences", "text"},
    {"menus/main/help", "text"},
    {"menus/main/file/signin", nullptr},
    {"menus/main/file/signin", "alt"},
    {"menus/main/file/close", nullptr},
    {"menus/main/contacts/addcontact", nullptr},
    {"menus/main/contacts/editcontact", nullptr},
    {"menus/main/contacts/cut", nullptr},
    {"menus/main/contacts/copy", nullptr},
    {"menus/main/contacts/paste", nullptr},
    {"menus/main/contacts/delete", nullptr},
    {"menus/main/contacts/creategroup", nullptr},
    {"menus/main/preferences/languages", nullptr},
    {"menus/main/preferences/skins", nullptr},
    {"menus/main/help/terms", nullptr},
    {"menus/main/help/faqs", nullptr},
    {"menus/main/help/contactus", nullptr},
    {"menus/main/help/about", nullptr},
    {"menus/popups/addgroup", nullptr},
    {"menus/popups/editgroup", nullptr},
    {"menus/popups/sendmessage", nullptr},
    {"menus/tray/restore", nullptr},
    {"menus/tray/exit", nullptr},
    {"main/toggleframe", "hide"},
    {"main/toggleframe", "show"},
    {"main/scrolltabs", "up"},
    {"main/scrolltabs", "down"},
    {"main/addcontact", nullptr},
    {"main/addcontact", "tip"},
    {"main/addgroup", nullptr},
    {"main/addgroup", "tip"},
    {"main/quicksend", nullptr},
    {"main/quicksend", "tip"},
    {"main/format/balance", nullptr},
    {"main/format/deletebuddy", nullptr},
    {"main/format/deletegroup", nullptr},
    {"main/newbuddy", nullptr},
    {"main/newgroup", nullptr},
    {"main/groupexists", nullptr},
    {"main/root", nullptr},
    {"login", "btn_signin"},
    {"login", "btn_register"},
    {"login", "prompt"},
    {"login", "forgotPwd"},
    {"login", "post"},
    {"login/failed", nullptr},
    {"dialogs", "ok"},
    {"dialogs", "cancel"},
    {"dialogs/signin", "title"},
    {"dialogs/signin/username", nullptr},
    {"dialogs/signin/password", nullptr},
    {"dialogs/newcontact", "title"},
    {"dialogs/newcontact", "alttitle"},
    {"dialogs/newcontact/firstname", nullptr},
    {"dialogs/newcontact/lastname", nullptr},
    {"dialogs/newcontact/nickname", nullptr},
    {"dialogs/newcontact/cellphone", nullptr},
    {"dialogs/newcontact/email", nullptr},
    {"dialogs/newcontact/birthday", nullptr},
    {"dialogs/newcontact/group", nullptr},
    {"dialogs/newgroup", "title"},
    {"dialogs/newgroup", "alttitle"},
    {"dialogs/newgroup/name", nullptr},
    {"dialogs/sendmessage", "success"},
    {"dialogs/sendmessage", "failed"},
    {"dialogs/sendmessage/remaining", nullptr},
    {"dialogs/sendmessage/to", nullptr},
    {"dialogs/sendmessage/charset", nullptr},
    {"dialogs/sendmessage/sendmsg", nullptr},
    {"dialogs/sendmessage/flash", nullptr},
    {"dialogs/sendmessage/enableschd", nullptr},
    {"dialogs/sendmessage/msgstatus", nullptr},
    {"dialogs/sendmessage/msglogs", nullptr},
    {"dialogs/sendmessage/status", nullptr},
    {"dialogs/sendmessage/buttons/sendmessage", nullptr},
    {"dialogs/sendmessage/buttons/gotosend", nullptr},
    {"dialogs/sendmessage/buttons/buddylist", nullptr},
    {"dialogs/sendmessage/buttons/logs", nullptr},
    {"dialogs/sendmessage/errors/invalidnumber", nullptr},
    {"dialogs/sendmessage/errors/invalidformat", nullptr},
    {"dialogs/sendmessage/errors/invalidtext", nullptr},
    {"dialogs/sendmessage/errors/success", nullptr},
    {"dialogs/sendmessage/errors/failed", nullptr},
    {"dialogs/sendmessage/estimate/gsm", nullptr},
    {"dialogs/sendmessage/estimate/unicode", nullptr},
    {"dialogs/sendmessage/estimate/part", nullptr},
    {"dialogs/sendmessage/estimate/parts", nullptr},
    {"dialogs/sendmessage/estimate/credit", nullptr},
    {"dialogs/sendmessage/estimate/credits", nullptr},
    {"dialogs/sendmessage/estimate/gsmtip", nullptr},
    {"dialogs/sendmessage/estimate/unicodetip", nullptr},
    {"dialogs/sendmessage/estimate/forcedtip", nullptr},
    {"errors/required", nullptr},
    {"errors/internalerror", nullptr},
    {"errors/pastedupe", nullptr},
    {"errors/copyfailed", nullptr},
    {"errors/adddupe", nullptr},
    {"errors/movefailed", nullptr},
    {"url/signup", nullptr},
    {"url/forgotpwd", nullptr},
    {"url/about", nullptr},
    {"url/terms", nullptr},
    {"url/faqs", nullptr},
    {"url/contactus", nullptr},
};

// Formats and the conversions each must keep, in order: the callers fill exactly these.
struct FormatRule {
    const char* key;
    const char* attribute;
    const char* conversions;
};

constexpr FormatRule kFormats[] = {
    {"main/format/balance", nullptr, "%s"},
    {"main/format/deletebuddy", nullptr, "%s"},
    {"main/format/deletegroup", nullptr, "%s"},
    {"dialogs/newgroup", "alttitle", "%s"},
    {"dialogs/sendmessage/remaining", nullptr, "%d"},
    {"dialogs/sendmessage/estimate/part", nullptr, "%d"},
    {"dialogs/sendmessage/estimate/parts", nullptr, "%d"},
    {"dialogs/sendmessage/estimate/credit", nullptr, "%d"},
    {"dialogs/sendmessage/estimate/credits", nullptr, "%d"},
    {"dialogs/sendmessage/estimate/unicodetip", nullptr, "%s"},
};

// The items of each menu, as shown together; their & letters must differ. The File menu shows
// one of the session item's two texts, and Exit when there is no notification area.
const std::vector<std::vector<Lookup>> kMenus = {
    {{"menus/main/file", "text"},
     {"menus/main/contacts", "text"},
     {"menus/main/preferences", "text"},
     {"menus/main/help", "text"}},
    {{"menus/main/file/signin", nullptr},
     {"menus/main/file/close", nullptr},
     {"menus/tray/exit", nullptr}},
    {{"menus/main/file/signin", "alt"},
     {"menus/main/file/close", nullptr},
     {"menus/tray/exit", nullptr}},
    {{"menus/main/contacts/addcontact", nullptr},
     {"menus/main/contacts/editcontact", nullptr},
     {"menus/main/contacts/cut", nullptr},
     {"menus/main/contacts/copy", nullptr},
     {"menus/main/contacts/paste", nullptr},
     {"menus/main/contacts/delete", nullptr},
     {"menus/main/contacts/creategroup", nullptr}},
    {{"menus/main/preferences/languages", nullptr}, {"menus/main/preferences/skins", nullptr}},
    {{"menus/main/help/terms", nullptr},
     {"menus/main/help/faqs", nullptr},
     {"menus/main/help/contactus", nullptr},
     {"menus/main/help/about", nullptr}},
    {{"menus/tray/restore", nullptr}, {"menus/tray/exit", nullptr}},
};

// The buddy tree's pop-ups share the Contacts items and add their own.
const std::vector<std::vector<Lookup>> kPopups = {
    {{"menus/popups/addgroup", nullptr}},
    {{"menus/popups/editgroup", nullptr}},
    {{"menus/main/contacts/editcontact", nullptr}},
};
constexpr Lookup kPopupCommon[] = {
    {"menus/main/contacts/addcontact", nullptr}, {"menus/main/contacts/cut", nullptr},
    {"menus/main/contacts/copy", nullptr},       {"menus/main/contacts/paste", nullptr},
    {"menus/main/contacts/delete", nullptr},     {"menus/popups/sendmessage", nullptr},
};

class StringsXml : public ::testing::Test {
protected:
    void SetUp() override {
        const auto result = doc_.load_file(TEXTOWL_RESOURCES_DIR "/strings.xml");
        ASSERT_TRUE(result) << result.description() << " at offset " << result.offset;
        for (auto language : doc_.document_element().children("language")) {
            languages_.push_back(language);
        }
    }

    static pugi::xml_node select(pugi::xml_node language, std::string_view key) {
        pugi::xml_node node = language;
        while (!key.empty() && node) {
            const auto slash = key.find('/');
            const std::string name(key.substr(0, slash));
            node = node.child(name.c_str());
            key = slash == std::string_view::npos ? std::string_view{} : key.substr(slash + 1);
        }
        return node;
    }

    // The text the program would show: an attribute, or the value of the first child node.
    static std::string lookup(pugi::xml_node language, const char* key, const char* attribute) {
        const auto node = select(language, key);
        if (attribute != nullptr) {
            return node.attribute(attribute).value();
        }
        return node.first_child().type() == pugi::node_pcdata ? node.first_child().value() : "";
    }

    // Every element path and attribute below a language, so two languages can be compared.
    static void collect(pugi::xml_node node, const std::string& path, std::set<std::string>& out) {
        for (auto attribute : node.attributes()) {
            out.insert(path + "@" + attribute.name());
        }
        for (auto child : node.children()) {
            if (child.type() == pugi::node_element) {
                const std::string childPath =
                    path.empty() ? child.name() : path + "/" + child.name();
                out.insert(childPath);
                collect(child, childPath, out);
            } else if (child.type() == pugi::node_pcdata) {
                out.insert(path + "#text");
            }
        }
    }

    static bool isUtf8(std::string_view text) {
        std::size_t i = 0;
        while (i < text.size()) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const std::size_t length = lead < 0x80           ? 1
                                       : (lead >> 5) == 0x6  ? 2
                                       : (lead >> 4) == 0xE  ? 3
                                       : (lead >> 3) == 0x1E ? 4
                                                             : 0;
            if (length == 0 || i + length > text.size()) {
                return false;
            }
            for (std::size_t k = 1; k < length; ++k) {
                if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) {
                    return false;
                }
            }
            i += length;
        }
        return true;
    }

    static std::string conversionsOf(const std::string& text) {
        std::string found;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%') {
                found += text.substr(i, 2);
                ++i;
            }
        }
        return found;
    }

    // The access letter of a menu text, the character after a lone "&", with the letter case
    // of ASCII and Latin-1 folded away; empty without one.
    static std::string accessLetter(const std::string& text) {
        for (std::size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != '&') {
                continue;
            }
            if (text[i + 1] == '&') {
                ++i;
                continue;
            }
            std::size_t length = 1;
            while (i + 1 + length < text.size() &&
                   (static_cast<unsigned char>(text[i + 1 + length]) & 0xC0) == 0x80) {
                ++length;
            }
            std::string letter = text.substr(i + 1, length);
            const auto lead = static_cast<unsigned char>(letter[0]);
            if (length == 1) {
                letter[0] = static_cast<char>(std::tolower(lead));
            } else if (length == 2 && lead == 0xC3 &&
                       static_cast<unsigned char>(letter[1]) < 0x9F &&
                       static_cast<unsigned char>(letter[1]) != 0x97) {
                letter[1] = static_cast<char>(letter[1] + 0x20);
            }
            return letter;
        }
        return {};
    }

    // The items of one menu sharing an access letter, as "letter: text, text".
    static std::vector<std::string> collisions(pugi::xml_node language,
                                               const std::vector<Lookup>& items) {
        std::map<std::string, std::vector<std::string>> byLetter;
        for (const auto& item : items) {
            const std::string text = lookup(language, item.key, item.attribute);
            if (const std::string letter = accessLetter(text); !letter.empty()) {
                byLetter[letter].push_back(text);
            }
        }
        std::vector<std::string> found;
        for (const auto& [letter, texts] : byLetter) {
            if (texts.size() > 1) {
                std::string line = letter + ":";
                for (const auto& text : texts) {
                    line += " " + text;
                }
                found.push_back(line);
            }
        }
        return found;
    }

    pugi::xml_document doc_;
    std::vector<pugi::xml_node> languages_;
};

TEST_F(StringsXml, OffersEnglishAndSwedishByDisplayName) {
    ASSERT_EQ(languages_.size(), 2u);
    EXPECT_STREQ(languages_[0].attribute("display").value(), "English");
    EXPECT_STREQ(languages_[1].attribute("display").value(), "Svenska");
    for (auto language : languages_) {
        EXPECT_FALSE(std::string_view(language.attribute("appname").value()).empty());
        EXPECT_FALSE(std::string_view(language.attribute("dialogtitle").value()).empty());
    }
}

TEST_F(StringsXml, EveryLookupFindsATextInEveryLanguage) {
    for (auto language : languages_) {
        for (const auto& use : kLookups) {
            EXPECT_FALSE(lookup(language, use.key, use.attribute).empty())
                << language.attribute("display").value() << ": " << use.key
                << (use.attribute ? std::string(" @") + use.attribute : std::string());
        }
    }
}

TEST_F(StringsXml, LanguagesCarryTheSameKeysAndAttributes) {
    ASSERT_EQ(languages_.size(), 2u);
    std::set<std::string> english, swedish;
    collect(languages_[0], "", english);
    collect(languages_[1], "", swedish);
    EXPECT_EQ(english, swedish);
}

TEST_F(StringsXml, EachMenuGivesItsItemsDistinctAccessLetters) {
    std::vector<std::vector<Lookup>> menus = kMenus;
    for (auto popup : kPopups) {
        popup.insert(popup.end(), std::begin(kPopupCommon), std::end(kPopupCommon));
        menus.push_back(popup);
    }
    for (auto language : languages_) {
        for (const auto& menu : menus) {
            EXPECT_EQ(collisions(language, menu), std::vector<std::string>{})
                << language.attribute("display").value() << ": menu of " << menu.front().key;
        }
    }
}

TEST_F(StringsXml, FormatsKeepExactlyTheirConversions) {
    for (auto language : languages_) {
        for (const auto& rule : kFormats) {
            EXPECT_EQ(conversionsOf(lookup(language, rule.key, rule.attribute)), rule.conversions)
                << language.attribute("display").value() << ": " << rule.key;
        }
    }
}

TEST_F(StringsXml, BalanceEndsInTheEuroSign) {
    for (auto language : languages_) {
        const auto balance = lookup(language, "main/format/balance", nullptr);
        EXPECT_TRUE(balance.ends_with("\xE2\x82\xAC")) << balance;
    }
}

TEST_F(StringsXml, PageAddressesPointAtTheServicePages) {
    for (auto language : languages_) {
        for (const char* key : {"url/signup", "url/forgotpwd", "url/about", "url/terms", "url/faqs",
                                "url/contactus"}) {
            EXPECT_TRUE(lookup(language, key, nullptr).starts_with("http://localhost/pagewright/"))
                << key;
        }
    }
}

TEST_F(StringsXml, TextsAreUtf8WithoutStrayWhitespace) {
    // Leading or trailing blanks would shift painted labels and break exact comparisons.
    for (auto language : languages_) {
        for (const auto& use : kLookups) {
            const auto text = lookup(language, use.key, use.attribute);
            ASSERT_FALSE(text.empty());
            EXPECT_TRUE(isUtf8(text)) << use.key;
            EXPECT_NE(text.front(), ' ') << use.key;
            EXPECT_NE(text.back(), ' ') << use.key;
            EXPECT_EQ(text.find('\n'), std::string::npos) << use.key;
        }
    }
}

} // namespace
