#include "texts/text_table.h"

#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The web-page addresses; every other lookup the program makes is a row of the text table.
constexpr const char* kPageKeys[] = {
    "url/signup", "url/forgotpwd", "url/about", "url/terms", "url/faqs", "url/contactus",
};

// Formats and the conversions each must keep, in order: the callers fill exactly these.
struct FormatRule {
    textowl::Text text;
    const char* conversions;
};

constexpr FormatRule kFormats[] = {
    {textowl::Text::BalanceFormat, "%s"},       {textowl::Text::DeleteBuddy, "%s"},
    {textowl::Text::DeleteGroup, "%s"},         {textowl::Text::GroupEditTitle, "%s"},
    {textowl::Text::RemainingFormat, "%d"},     {textowl::Text::EstimatePart, "%d"},
    {textowl::Text::EstimateParts, "%d"},       {textowl::Text::EstimateCredit, "%d"},
    {textowl::Text::EstimateCredits, "%d"},     {textowl::Text::EstimateUnicodeTip, "%s"},
    {textowl::Text::ImportNoValidNumber, "%s"}, {textowl::Text::ImportSummary, "%d%d%d"},
    {textowl::Text::FileUnreadable, "%s"},      {textowl::Text::ReadAtLine, "%s%d"},
    {textowl::Text::ExportGroupQuestion, "%s"}, {textowl::Text::ExportDone, "%d"},
    {textowl::Text::ImportHeldBy, "%s"},
};

using textowl::Text;

// The items of each menu, as shown together; their & letters must differ. The File menu shows
// one of the session item's two texts, and Exit when there is no notification area.
const std::vector<std::vector<Text>> kMenus = {
    {Text::FileMenu, Text::ContactsMenu, Text::LanguagesMenu, Text::HelpMenu},
    {Text::SignInItem, Text::CloseItem, Text::TrayExit},
    {Text::SignOutItem, Text::CloseItem, Text::TrayExit},
    {Text::AddContactItem, Text::EditContactItem, Text::CutItem, Text::CopyItem, Text::PasteItem,
     Text::DeleteItem, Text::CreateGroupItem, Text::ImportContactsItem, Text::ExportContactsItem},
    {Text::LanguagesItem, Text::SkinsItem},
    {Text::TermsItem, Text::FaqsItem, Text::ContactUsItem, Text::AboutItem},
    {Text::TrayRestore, Text::TrayExit},
};

// The buddy tree's pop-ups share the Contacts items and add their own.
const std::vector<std::vector<Text>> kPopups = {
    {Text::AddGroupPopupItem},
    {Text::EditGroupPopupItem},
    {Text::EditContactItem},
};
constexpr Text kPopupCommon[] = {
    Text::AddContactItem, Text::CutItem,    Text::CopyItem,
    Text::PasteItem,      Text::DeleteItem, Text::SendMessagePopupItem,
};

struct Lookup {
    std::string_view key;
    std::string_view attribute; // empty: the element's own text
};

// Every lookup the program makes: the rows of the text table and the page addresses.
std::vector<Lookup> everyLookup() {
    std::vector<Lookup> lookups;
    for (int id = 0; id < static_cast<int>(textowl::Text::Count); ++id) {
        const textowl::TextEntry& entry = textowl::textEntry(static_cast<textowl::Text>(id));
        lookups.push_back({entry.key, entry.attribute});
    }
    for (std::string_view key : kPageKeys)
        lookups.push_back({key, {}});
    return lookups;
}

class StringsXml : public ::testing::Test {
protected:
    void SetUp() override {
        const auto result = m_doc.load_file(TEXTOWL_RESOURCES_DIR "/strings.xml");
        ASSERT_TRUE(result) << result.description() << " at offset " << result.offset;
        for (auto language : m_doc.document_element().children("language")) {
            m_languages.push_back(language);
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
    static std::string lookup(pugi::xml_node language, std::string_view key,
                              std::string_view attribute) {
        const auto node = select(language, key);
        if (!attribute.empty()) {
            return node.attribute(std::string(attribute).c_str()).value();
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
                                               const std::vector<Text>& items) {
        std::map<std::string, std::vector<std::string>> byLetter;
        for (const Text item : items) {
            const textowl::TextEntry& entry = textowl::textEntry(item);
            const std::string text = lookup(language, entry.key, entry.attribute);
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

    pugi::xml_document m_doc;
    std::vector<pugi::xml_node> m_languages;
};

TEST_F(StringsXml, OffersEnglishAndSwedishByDisplayName) {
    ASSERT_EQ(m_languages.size(), 2u);
    EXPECT_STREQ(m_languages[0].attribute("display").value(), "English");
    EXPECT_STREQ(m_languages[1].attribute("display").value(), "Svenska");
    for (auto language : m_languages) {
        EXPECT_FALSE(std::string_view(language.attribute("appname").value()).empty());
        EXPECT_FALSE(std::string_view(language.attribute("dialogtitle").value()).empty());
    }
}

TEST_F(StringsXml, EveryLookupFindsATextInEveryLanguage) {
    for (auto language : m_languages) {
        for (const Lookup& use : everyLookup()) {
            EXPECT_FALSE(lookup(language, use.key, use.attribute).empty())
                << language.attribute("display").value() << ": " << use.key << " @"
                << use.attribute;
        }
    }
}

TEST_F(StringsXml, LanguagesCarryTheSameKeysAndAttributes) {
    ASSERT_EQ(m_languages.size(), 2u);
    std::set<std::string> english, swedish;
    collect(m_languages[0], "", english);
    collect(m_languages[1], "", swedish);
    EXPECT_EQ(english, swedish);
}

TEST_F(StringsXml, EachMenuGivesItsItemsDistinctAccessLetters) {
    std::vector<std::vector<Text>> menus = kMenus;
    for (auto popup : kPopups) {
        popup.insert(popup.end(), std::begin(kPopupCommon), std::end(kPopupCommon));
        menus.push_back(popup);
    }
    for (auto language : m_languages) {
        for (const auto& menu : menus) {
            EXPECT_EQ(collisions(language, menu), std::vector<std::string>{})
                << language.attribute("display").value() << ": menu of "
                << textowl::textEntry(menu.front()).key;
        }
    }
}

TEST_F(StringsXml, FormatsKeepExactlyTheirConversions) {
    for (auto language : m_languages) {
        for (const auto& rule : kFormats) {
            const textowl::TextEntry& entry = textowl::textEntry(rule.text);
            EXPECT_EQ(conversionsOf(lookup(language, entry.key, entry.attribute)), rule.conversions)
                << language.attribute("display").value() << ": " << entry.key;
            EXPECT_EQ(conversionsOf(std::string(entry.defaultText)), rule.conversions)
                << "default of " << entry.key;
        }
    }
}

TEST_F(StringsXml, BalanceEndsInTheEuroSign) {
    for (auto language : m_languages) {
        const auto balance = lookup(language, "main/format/balance", {});
        EXPECT_TRUE(balance.ends_with("\xE2\x82\xAC")) << balance;
    }
}

TEST_F(StringsXml, PageAddressesPointAtTheServicePages) {
    for (auto language : m_languages) {
        for (const char* key : kPageKeys) {
            EXPECT_TRUE(lookup(language, key, {}).starts_with("http://localhost/pagewright/"))
                << key;
        }
    }
}

TEST_F(StringsXml, TextsAreUtf8WithoutStrayWhitespace) {
    // Leading or trailing blanks would shift painted labels and break exact comparisons.
    for (auto language : m_languages) {
        for (const Lookup& use : everyLookup()) {
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
