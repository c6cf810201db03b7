#include "app/key_filter.h"

#include "base/command_ids.h"

#include <array>

namespace textowl {

namespace {

enum class Flag { None, Cut, Copy, Paste, Delete };

struct KeyRule {
    FilterKey key;
    bool needsSession; // signed in and not in the sending state
    bool needsCtrl;
    Flag flag;
    int command;
};

constexpr std::array<KeyRule, 6> kRules{{
    {FilterKey::Escape, false, false, Flag::None, kCmdMinimise},
    {FilterKey::Delete, true, false, Flag::Delete, kCmdDelete},
    {FilterKey::C, true, true, Flag::Copy, kCmdCopy},
    {FilterKey::X, true, true, Flag::Cut, kCmdCut},
    {FilterKey::P, true, true, Flag::Paste, kCmdPaste},
    {FilterKey::V, true, true, Flag::Paste, kCmdPaste},
}};

bool flagSet(Flag flag, const WindowState& s) {
    switch (flag) {
    case Flag::None:
        return true;
    case Flag::Cut:
        return s.cutEnabled;
    case Flag::Copy:
        return s.copyEnabled;
    case Flag::Paste:
        return s.pasteEnabled;
    case Flag::Delete:
        return s.deleteEnabled;
    }
    return false;
}

} // namespace

std::optional<int> commandForKey(FilterKey key, bool ctrlHeld, const WindowState& state) {
    for (const KeyRule& rule : kRules) {
        if (rule.key != key)
            continue;
        if (rule.needsSession && (!state.signedIn || state.sending))
            return std::nullopt;
        if (rule.needsCtrl && !ctrlHeld)
            return std::nullopt;
        if (!flagSet(rule.flag, state))
            return std::nullopt;
        return rule.command;
    }
    return std::nullopt;
}

} // namespace textowl
