// Parses an apiGetBuddyList result, checks the shape of the parsed list, and places its top-level
// buddies the way the tree's fill does, cross-checked against inserting them one by one.
#include "buddylist/buddy_entry.h"
#include "buddylist/buddy_list_document.h"
#include "buddylist/tree_rules.h"
#include "service/status.h"
#include "service/utf.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// One-by-one insertion is quadratic; the cross-check only runs on lists of moderate length.
constexpr std::size_t kMaxCrossChecked = 256;

void checkShape(const textowl::BuddyEntry& root) {
    if (!root.isRoot() || root.groupId != textowl::kTopLevelGroupId) {
        __builtin_trap();
    }
    bool seenGroup = false;
    for (const textowl::BuddyEntry& child : root.children) {
        if (child.isGroup()) {
            seenGroup = true;
            for (const textowl::BuddyEntry& buddy : child.children) {
                if (!buddy.isBuddy() || buddy.groupId != child.groupId ||
                    buddy.groupName != child.groupName || !buddy.children.empty()) {
                    __builtin_trap();
                }
            }
        } else if (!child.isBuddy() || seenGroup || child.groupId != textowl::kTopLevelGroupId ||
                   !child.groupName.empty() || !child.children.empty()) {
            __builtin_trap(); // buddies first, each at the top level, then the groups
        }
    }
}

void checkFillOrder(const textowl::BuddyEntry& root) {
    std::vector<std::string> texts;
    for (const textowl::BuddyEntry& child : root.children) {
        if (child.isBuddy() && !textowl::displayName(child).empty()) {
            texts.emplace_back(textowl::displayName(child));
        }
    }
    const std::vector<std::size_t> order = textowl::topLevelFillOrder(texts);
    if (order.size() != texts.size() || texts.size() > kMaxCrossChecked) {
        if (order.size() != texts.size()) {
            __builtin_trap();
        }
        return;
    }
    std::vector<textowl::TopLevelLine> lines;
    for (const std::string& text : texts) {
        const std::size_t at = textowl::topLevelInsertIndex(lines, text);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                     {textowl::EntryKind::Buddy, text});
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (lines[i].text != texts[order[i]]) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const textowl::ServiceText result =
        textowl::utf8ToUtf16({reinterpret_cast<const char*>(data), size});
    textowl::BuddyEntry root;
    if (textowl::failed(textowl::parseBuddyListResult(result, root))) {
        if (!root.children.empty()) {
            __builtin_trap(); // a failed fetch hands nothing over
        }
        return 0;
    }
    checkShape(root);
    checkFillOrder(root);
    return 0;
}
