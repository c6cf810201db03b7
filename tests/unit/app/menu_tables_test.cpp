#include "app/menu_tables.h"
#include "texts/string_catalogue.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

TEST(MenuTables, TextsWithoutStringsFileAreTheBuiltInOnes) {
    const StringCatalogue catalogue("", "English");
    std::vector<std::string> titles;
    for (Text title : menuBarTitles())
        titles.push_back(lookUp(catalogue, title));
    EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Contacts", "&Languages", "&Help"}));
    EXPECT_EQ(lookUp(catalogue, sessionItemText(false)), "&Sign In...");
    EXPECT_EQ(lookUp(catalogue, sessionItemText(true)), "&Sign Out...");
}

TEST(PopupMenus, FollowTheKindOfTheSelectedLine) {
    EXPECT_EQ(popupMenuFor(LineKind::None), PopupMenu::Root);
    EXPECT_EQ(popupMenuFor(LineKind::Root), PopupMenu::Root);
    EXPECT_EQ(popupMenuFor(LineKind::Group), PopupMenu::Group);
    EXPECT_EQ(popupMenuFor(LineKind::Buddy), PopupMenu::Buddy);
    EXPECT_EQ(popupMenuFor(LineKind::Phone), PopupMenu::Buddy);
}

} // namespace
} // namespace textowl
