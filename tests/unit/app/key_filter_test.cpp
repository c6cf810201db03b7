#include "base/command_ids.h"
#include "app/key_filter.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

WindowState signedInAllEnabled() {
    WindowState s;
    s.signedIn = true;
    s.cutEnabled = s.copyEnabled = s.pasteEnabled = s.deleteEnabled = true;
    return s;
}

struct KeyCase {
    const char* name;
    FilterKey key;
    bool ctrl;
    WindowState state;
    std::optional<int> command;
};

class KeyFilter : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyFilter, PostsCommandOnlyWhenItsConditionHolds) {
    const KeyCase& c = GetParam();
    EXPECT_EQ(commandForKey(c.key, c.ctrl, c.state), c.command);
}

WindowState with(void (*change)(WindowState&)) {
    WindowState s = signedInAllEnabled();
    change(s);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyFilter,
    ::testing::Values(
        KeyCase{"EscapeAlwaysMinimises", FilterKey::Escape, false, WindowState{}, kCmdMinimise},
        KeyCase{"EscapeWithCtrlMinimises", FilterKey::Escape, true, WindowState{}, kCmdMinimise},
        KeyCase{"DeleteSignedIn", FilterKey::Delete, false, signedInAllEnabled(), kCmdDelete},
        KeyCase{"DeleteSignedOut", FilterKey::Delete, false, WindowState{}, std::nullopt},
        KeyCase{"DeleteFlagClear", FilterKey::Delete, false,
                with([](WindowState& s) { s.deleteEnabled = false; }), std::nullopt},
        KeyCase{"DeleteWhileSending", FilterKey::Delete, false,
                with([](WindowState& s) { s.sending = true; }), std::nullopt},
        KeyCase{"CtrlC", FilterKey::C, true, signedInAllEnabled(), kCmdCopy},
        KeyCase{"PlainCGoesToControl", FilterKey::C, false, signedInAllEnabled(), std::nullopt},
        KeyCase{"CtrlCCopyFlagClear", FilterKey::C, true,
                with([](WindowState& s) { s.copyEnabled = false; }), std::nullopt},
        KeyCase{"CtrlX", FilterKey::X, true, signedInAllEnabled(), kCmdCut},
        KeyCase{"CtrlXCutFlagClear", FilterKey::X, true,
                with([](WindowState& s) { s.cutEnabled = false; }), std::nullopt},
        KeyCase{"CtrlP", FilterKey::P, true, signedInAllEnabled(), kCmdPaste},
        KeyCase{"CtrlV", FilterKey::V, true, signedInAllEnabled(), kCmdPaste},
        KeyCase{"CtrlVPasteFlagClear", FilterKey::V, true,
                with([](WindowState& s) { s.pasteEnabled = false; }), std::nullopt},
        KeyCase{"CtrlVWhileSendingReachesTextBox", FilterKey::V, true,
                with([](WindowState& s) { s.sending = true; }), std::nullopt},
        KeyCase{"CtrlCopyUsesOnlyItsOwnFlag", FilterKey::C, true, with([](WindowState& s) {
                    s.cutEnabled = s.pasteEnabled = s.deleteEnabled = false;
                }),
                kCmdCopy},
        KeyCase{"OtherKeyNeverConsumed", FilterKey::Other, true, signedInAllEnabled(),
                std::nullopt}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl
