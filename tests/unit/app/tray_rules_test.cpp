#include "ui/tray_rules.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

TEST(TrayTip, LongApplicationNameIsCutTo127Characters) {
    EXPECT_EQ(trayTipText("Textowl"), "Textowl");
    EXPECT_EQ(trayTipText(std::string(127, 'a')).size(), 127u);
    EXPECT_EQ(trayTipText(std::string(300, 'a')), std::string(127, 'a'));
}

TEST(TrayTip, CutCountsCharactersAndKeepsUtf8Whole) {
    std::string name;
    for (int i = 0; i < 130; ++i)
        name += "\xc3\xa5"; // å
    const std::string tip = trayTipText(name);
    EXPECT_EQ(tip.size(), 127u * 2);
    EXPECT_EQ(tip.substr(tip.size() - 2), "\xc3\xa5");
}

struct TrayCase {
    const char* name;
    TrayWindowState state;
    TrayEvent event;
    bool trayAvailable;
    TrayTransition expected;
};

class TrayStateTable : public ::testing::TestWithParam<TrayCase> {};

TEST_P(TrayStateTable, MovesAsTheTableSays) {
    const TrayCase& c = GetParam();
    EXPECT_EQ(trayTransition(c.state, c.event, c.trayAvailable), c.expected);
}

using S = TrayWindowState;
using E = TrayEvent;
using A = TrayAction;

INSTANTIATE_TEST_SUITE_P(
    Table, TrayStateTable,
    ::testing::Values(
        TrayCase{"MinimiseHidesToTray", S::Shown, E::Minimise, true, {S::InTray, A::HideToTray}},
        TrayCase{"CloseHidesToTray", S::Shown, E::Close, true, {S::InTray, A::HideToTray}},
        TrayCase{
            "DoubleClickShows", S::InTray, E::IconDoubleClick, true, {S::Shown, A::ShowWindow}},
        TrayCase{"RestoreShowsAndRestores",
                 S::InTray,
                 E::RestoreCommand,
                 true,
                 {S::Shown, A::ShowAndRestore}},
        TrayCase{"SecondCloseInTrayDoesNothing", S::InTray, E::Close, true, {S::InTray, A::None}},
        TrayCase{"DoubleClickWhileShownDoesNothing",
                 S::Shown,
                 E::IconDoubleClick,
                 true,
                 {S::Shown, A::None}},
        TrayCase{"NoTrayCloseMinimisesNormally",
                 S::Shown,
                 E::Close,
                 false,
                 {S::Minimised, A::MinimiseNormally}},
        TrayCase{"NoTrayMinimiseMinimisesNormally",
                 S::Shown,
                 E::Minimise,
                 false,
                 {S::Minimised, A::MinimiseNormally}},
        TrayCase{"NoTrayRestoreShows",
                 S::Minimised,
                 E::RestoreCommand,
                 false,
                 {S::Shown, A::ShowAndRestore}}),
    [](const ::testing::TestParamInfo<TrayCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl
