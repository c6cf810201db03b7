#include "texts/string_catalogue.h"
#include "texts/text_table.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace textowl {
namespace {

namespace fs = std::filesystem;

class StringCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("textowl-catalogue-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string write(const std::string& xml) {
        const fs::path path = m_dir / "strings.xml";
        std::ofstream(path, std::ios::binary) << xml;
        return path.string();
    }

    fs::path m_dir;
};

const char* kTwoLanguages = R"(<?xml version="1.0" encoding="utf-8"?>
<strings>
  <language display="English" appname="Textowl" dialogtitle="Textowl says">
    <menus><main><file text="&amp;File!"><signin alt="Sign &amp;Out">Sign &amp;In</signin></file></main></menus>
    <login btn_signin="Sign In Now" prompt="Welcome"/>
    <dialogs cancel="Cancel"/>
    <main><root/></main>
  </language>
  <language display="Svenska" appname="Textuggla" dialogtitle="Meddelande">
    <login btn_signin="Logga in"/>
    <main><addcontact>Lägg till</addcontact></main>
  </language>
  <language appname="No display, never listed"/>
  <language display="Svenska" appname="Second Svenska"/>
</strings>)";

TEST_F(StringCatalogueTest, MissingFileGivesEveryDefaultAndNoLanguages) {
    StringCatalogue catalogue((m_dir / "absent.xml").string(), "English");
    EXPECT_FALSE(catalogue.hasDocument());
    EXPECT_TRUE(catalogue.languages().empty());
    EXPECT_EQ(catalogue.applicationName(), "Varnel Textowl 2006");
    EXPECT_EQ(catalogue.dialogTitle(), "Textowl Message");
    std::string out;
    EXPECT_LT(catalogue.attribute("login", "btn_signin", out, "Sign In"), 0);
    EXPECT_EQ(out, "Sign In");
    EXPECT_LT(catalogue.text("menus/main/file/signin", out, "&Sign In..."), 0);
    EXPECT_EQ(out, "&Sign In...");
}

// Older strings files were saved in the Windows code page and say so in their declaration.
TEST_F(StringCatalogueTest, DeclaredWindowsCodePageIsReadAsSuch) {
    for (const char* encoding : {"windows-1252", "Windows-1252", "cp1252", "ISO-8859-1"}) {
        SCOPED_TRACE(encoding);
        const std::string xml = std::string("<?xml version=\"1.0\" encoding=\"") + encoding +
                                "\"?><s><language display=\"Svenska\" appname=\"Textuggla\">"
                                "<login forgotPwd=\"Gl\xF6mt l\xF6senordet?\"/>"
                                "<main><format><balance>Kredit: %s \x80</balance></format></main>"
                                "</language></s>";
        StringCatalogue catalogue(write(xml), "Svenska");
        ASSERT_TRUE(catalogue.hasDocument());
        EXPECT_EQ(catalogue.attributeOr("login", "forgotPwd", ""), "Glömt lösenordet?");
        const std::string balance = catalogue.textOr("main/format/balance", "");
        if (std::string_view(encoding) != "ISO-8859-1")
            EXPECT_EQ(balance, "Kredit: %s \u20ac");
        else
            EXPECT_EQ(balance.substr(0, 11), "Kredit: %s ");
    }
}

TEST_F(StringCatalogueTest, Utf8FileWithoutDeclarationKeepsItsTexts) {
    StringCatalogue catalogue(write("<s><language display=\"Svenska\">"
                                    "<main><format><balance>Kredit: %s \u20ac</balance></format>"
                                    "</main></language></s>"),
                              "Svenska");
    EXPECT_EQ(catalogue.textOr("main/format/balance", ""), "Kredit: %s \u20ac");
}

TEST_F(StringCatalogueTest, MalformedFileCountsAsMissing) {
    StringCatalogue catalogue(write("<strings><language display='English'>"), "English");
    EXPECT_FALSE(catalogue.hasDocument());
    EXPECT_EQ(catalogue.attributeOr("login", "prompt", "dflt"), "dflt");
}

TEST_F(StringCatalogueTest, ListsDisplayNamesInDocumentOrderSkippingNamelessLanguages) {
    StringCatalogue catalogue(write(kTwoLanguages), "English");
    EXPECT_EQ(catalogue.languages(), (std::vector<std::string>{"English", "Svenska", "Svenska"}));
}

TEST_F(StringCatalogueTest, LooksUpAttributesAndTextsOfTheSelectedLanguage) {
    StringCatalogue catalogue(write(kTwoLanguages), "English");
    EXPECT_EQ(catalogue.attributeOr("login", "btn_signin", "Sign In"), "Sign In Now");
    EXPECT_EQ(catalogue.attributeOr("menus/main/file", "text", "&File"), "&File!");
    EXPECT_EQ(catalogue.textOr("menus/main/file/signin", "&Sign In..."), "Sign &In");
    EXPECT_EQ(catalogue.attributeOr("menus/main/file/signin", "alt", "&Sign Out..."), "Sign &Out");
}

TEST_F(StringCatalogueTest, MissingKeyGivesDefaultButKeyWithoutAttributeGivesEmpty) {
    StringCatalogue catalogue(write(kTwoLanguages), "English");
    std::string out;
    EXPECT_LT(catalogue.attribute("nowhere/at/all", "ok", out, "Ok"), 0);
    EXPECT_EQ(out, "Ok");
    EXPECT_LT(catalogue.attribute("dialogs", "ok", out, "Ok"), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(catalogue.attributeOr("dialogs", "cancel", "x"), "Cancel");
}

TEST_F(StringCatalogueTest, ElementWithoutTextKeepsTheDefault) {
    StringCatalogue catalogue(write(kTwoLanguages), "English");
    EXPECT_EQ(catalogue.textOr("main/root", "Buddies"), "Buddies");
    EXPECT_EQ(catalogue.textOr("menus/main", "Menu"), "Menu");
}

TEST_F(StringCatalogueTest, FirstMatchInDocumentOrderEvenUnderALaterParent) {
    StringCatalogue catalogue(write(R"(<s><language display="English">
        <main><other/></main><main><addgroup>Second main</addgroup></main>
        <main><addgroup>Third main</addgroup></main></language></s>)"),
                              "English");
    EXPECT_EQ(catalogue.textOr("main/addgroup", "d"), "Second main");
}

TEST_F(StringCatalogueTest, DuplicateDisplayNameSelectsTheFirst) {
    StringCatalogue catalogue(write(kTwoLanguages), "Svenska");
    EXPECT_EQ(catalogue.applicationName(), "Textuggla");
    EXPECT_EQ(catalogue.textOr("main/addcontact", "Add A Contact"), "Lägg till");
}

TEST_F(StringCatalogueTest, DisplayNamesAreComparedCaseSensitively) {
    StringCatalogue catalogue(write(kTwoLanguages), "english");
    EXPECT_EQ(catalogue.applicationName(), "Varnel Textowl 2006");
    EXPECT_EQ(catalogue.attributeOr("login", "btn_signin", "Sign In"), "Sign In");
    EXPECT_FALSE(catalogue.selectLanguage("svenska"));
    EXPECT_TRUE(catalogue.selectLanguage("Svenska"));
    EXPECT_EQ(catalogue.attributeOr("login", "btn_signin", "Sign In"), "Logga in");
}

TEST_F(StringCatalogueTest, UnknownNameKeepsThePreviousSelection) {
    StringCatalogue catalogue(write(kTwoLanguages), "Svenska");
    EXPECT_FALSE(catalogue.selectLanguage("Deutsch"));
    EXPECT_EQ(catalogue.attributeOr("login", "btn_signin", "Sign In"), "Logga in");
}

TEST_F(StringCatalogueTest, ApplicationNameAndDialogTitleAreReadOnlyAtCreation) {
    StringCatalogue catalogue(write(kTwoLanguages), "English");
    catalogue.selectLanguage("Svenska");
    EXPECT_EQ(catalogue.applicationName(), "Textowl");
    EXPECT_EQ(catalogue.dialogTitle(), "Textowl says");
}

TEST_F(StringCatalogueTest, TextsOfTheTableFallBackToTheirEnglishDefaults) {
    StringCatalogue absent((m_dir / "absent.xml").string(), "English");
    EXPECT_EQ(absent.applicationName(), "Varnel Textowl 2006");
    EXPECT_EQ(absent.dialogTitle(), "Textowl Message");
    EXPECT_EQ(lookUp(absent, Text::SignOutItem), "&Sign Out...");
    EXPECT_EQ(lookUp(absent, Text::BalanceFormat), "Credits: %s \u20ac");
    // The file's text wins, as attribute or element text.
    StringCatalogue catalogue(write(kTwoLanguages), "Svenska");
    EXPECT_EQ(lookUp(catalogue, Text::SignInButton), "Logga in");
}

TEST_F(StringCatalogueTest, SharedCatalogueIsCountedAndFollowsTheCurrentLanguage) {
    write(kTwoLanguages);
    const fs::path previous = fs::current_path();
    fs::current_path(m_dir);
    StringCatalogue::setCurrentLanguageName("English");
    {
        auto first = StringCatalogue::obtain();
        auto second = StringCatalogue::obtain();
        EXPECT_EQ(first.get(), second.get());
        EXPECT_EQ(StringCatalogue::useCount(), 2);
        StringCatalogue::setCurrentLanguageName("Svenska");
        EXPECT_EQ(first->attributeOr("login", "btn_signin", "Sign In"), "Logga in");
        EXPECT_EQ(first->applicationName(), "Textowl");
    }
    EXPECT_EQ(StringCatalogue::useCount(), 0);
    // The next holder creates a fresh catalogue, with the language named now.
    auto again = StringCatalogue::obtain();
    EXPECT_EQ(again->applicationName(), "Textuggla");
    again.reset();
    StringCatalogue::setCurrentLanguageName("English");
    fs::current_path(previous);
}

TEST_F(StringCatalogueTest, SharedCatalogueReadsTheFileItIsPointedAtFromAnyDirectory) {
    const std::string installed = write(kTwoLanguages);
    const fs::path previous = fs::current_path();
    fs::current_path(fs::path(installed).root_path());
    StringCatalogue::setDocumentPath(installed);
    auto catalogue = StringCatalogue::obtain();
    StringCatalogue::setDocumentPath("strings.xml");
    fs::current_path(previous);
    EXPECT_TRUE(catalogue->hasDocument());
    EXPECT_EQ(catalogue->languages(), (std::vector<std::string>{"English", "Svenska", "Svenska"}));
}

} // namespace
} // namespace textowl
