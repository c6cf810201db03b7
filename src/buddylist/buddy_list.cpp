#include "buddylist/buddy_list.h"

#include "base/ascii.h"
#include "buddylist/tree_rules.h"

#include <algorithm>
#include <cctype>

namespace textowl {

namespace {

std::unique_ptr<BuddyNode> makeNode(BuddyEntry entry, std::string text) {
    auto node = std::make_unique<BuddyNode>();
    entry.children.clear();
    node->entry = std::move(entry);
    node->text = std::move(text);
    return node;
}

std::unique_ptr<BuddyNode> makeRootNode() {
    return makeNode(BuddyEntry::makeRoot(), {});
}

std::unique_ptr<BuddyNode> makeGroupNode(const BuddyEntry& fields) {
    return makeNode(BuddyEntry::makeGroup(fields.groupId, fields.groupName), fields.groupName);
}

// Null for a buddy that has no name to be listed under.
std::unique_ptr<BuddyNode> makeBuddyNode(BuddyEntry fields) {
    std::string text(displayName(fields));
    if (text.empty())
        return nullptr;
    fields.kind = EntryKind::Buddy;
    return makeNode(std::move(fields), std::move(text));
}

void adopt(BuddyNode& parent, std::unique_ptr<BuddyNode> child, std::size_t index) {
    child->parent = &parent;
    parent.children.insert(parent.children.begin() + static_cast<std::ptrdiff_t>(index),
                           std::move(child));
}

} // namespace

std::size_t BuddyNode::indexInParent() const {
    if (!parent)
        return 0;
    const auto& siblings = parent->children;
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [this](const auto& child) { return child.get() == this; });
    return static_cast<std::size_t>(it - siblings.begin());
}

BuddyList::BuddyList() : m_root(makeRootNode()) {}

void BuddyList::addObserver(BuddyListObserver* observer) {
    if (observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void BuddyList::removeObserver(BuddyListObserver* observer) {
    std::erase(m_observers, observer);
}

template <class Call> void BuddyList::notify(Call&& call) {
    for (BuddyListObserver* observer : m_observers)
        call(*observer);
}

void BuddyList::replaceRoot(std::unique_ptr<BuddyNode> root) {
    notify([](BuddyListObserver& o) { o.listResetting(); });
    m_root = std::move(root);
    m_clipboard.clear();
    notify([](BuddyListObserver& o) { o.listReset(); });
}

void BuddyList::fill(BuddyEntry parsed) {
    auto root = makeRootNode();
    std::vector<BuddyEntry*> buddies;
    std::vector<std::string> texts;
    for (BuddyEntry& child : parsed.children) {
        if (child.isBuddy() && !displayName(child).empty()) {
            buddies.push_back(&child);
            texts.emplace_back(displayName(child));
        }
    }
    // One sort instead of a sorted-place scan per line: the same order, for lists of any size.
    for (std::size_t index : topLevelFillOrder(texts))
        adopt(*root, makeBuddyNode(std::move(*buddies[index])), root->children.size());
    for (BuddyEntry& child : parsed.children) {
        if (!child.isGroup())
            continue;
        std::vector<BuddyEntry> members = std::move(child.children);
        auto group = makeGroupNode(child);
        for (BuddyEntry& member : members) {
            if (!member.isBuddy())
                continue;
            if (auto line = makeBuddyNode(std::move(member)))
                adopt(*group, std::move(line), group->children.size());
        }
        adopt(*root, std::move(group), root->children.size());
    }
    replaceRoot(std::move(root));
}

void BuddyList::clear() {
    replaceRoot(makeRootNode());
}

std::size_t BuddyList::insertIndex(const BuddyNode& parent, const BuddyNode& line) const {
    const std::size_t count = parent.children.size();
    if (&parent != m_root.get() || !line.entry.isBuddy())
        return count;
    const auto lineAt = [&](std::size_t i) {
        const BuddyNode& child = *parent.children[i];
        return TopLevelLine{child.entry.kind, child.text};
    };
    return topLevelInsertIndex(count, lineAt, line.text);
}

BuddyNode* BuddyList::insert(const BuddyEntry& fields, BuddyNode& parent) {
    // Groups sit only under the root, buddies only under the root or a group.
    if (parent.entry.isBuddy() || (fields.isGroup() && &parent != m_root.get()))
        return nullptr;
    std::unique_ptr<BuddyNode> line;
    if (fields.isGroup())
        line = makeGroupNode(fields);
    else if (fields.isBuddy())
        line = makeBuddyNode(fields);
    if (!line)
        return nullptr;
    BuddyNode* inserted = line.get();
    const std::size_t index = insertIndex(parent, *line);
    notify([&](BuddyListObserver& o) { o.nodeInserting(parent, index); });
    adopt(parent, std::move(line), index);
    notify([&](BuddyListObserver& o) { o.nodeInserted(*inserted); });
    return inserted;
}

void BuddyList::remove(BuddyNode& node) {
    if (!node.parent)
        return;
    notify([&](BuddyListObserver& o) { o.nodeRemoving(node); });
    BuddyNode& parent = *node.parent;
    const std::size_t index = node.indexInParent();
    parent.children.erase(parent.children.begin() + static_cast<std::ptrdiff_t>(index));
    notify([&](BuddyListObserver& o) { o.nodeRemoved(parent, index); });
}

void BuddyList::removeGroup(BuddyNode& group) {
    if (!group.entry.isGroup())
        return;
    std::vector<BuddyEntry> lone;
    for (const auto& member : group.children) {
        if (member->entry.isBuddy() && placements(member->entry.id).size() == 1)
            lone.push_back(placedUnder(member->entry, *m_root));
    }
    remove(group);
    for (const BuddyEntry& entry : lone)
        insert(entry, *m_root);
}

void BuddyList::sortGroup(BuddyNode& group) {
    if (&group == m_root.get() || !group.entry.isGroup())
        return;
    notify([&](BuddyListObserver& o) { o.childrenReordering(group); });
    std::stable_sort(
        group.children.begin(), group.children.end(),
        [](const auto& a, const auto& b) { return caseInsensitiveLess(a->text, b->text); });
    notify([&](BuddyListObserver& o) { o.childrenReordered(group); });
}

void BuddyList::renameGroup(BuddyNode& group, std::string name) {
    if (!group.entry.isGroup())
        return;
    notify([&](BuddyListObserver& o) { o.nodeChanging(group, group.entry.cellPhone); });
    group.entry.groupName = name;
    group.text = std::move(name);
    notify([&](BuddyListObserver& o) { o.nodeChanged(group); });
}

template <class Visit> void BuddyList::visitAfterChildren(BuddyNode& node, Visit&& visit) {
    // By index from the end: a visit may remove the node it is given, never one before it.
    for (std::size_t i = node.children.size(); i-- > 0;) {
        if (i < node.children.size())
            visitAfterChildren(*node.children[i], visit);
    }
    visit(node);
}

int BuddyList::updateBuddy(std::string_view bid, const BuddyEntry& values) {
    const std::string_view name = displayName(values);
    int changed = 0;
    for (BuddyNode* line : placements(bid)) {
        notify([&](BuddyListObserver& o) { o.nodeChanging(*line, values.cellPhone); });
        if (!name.empty())
            line->text = name;
        BuddyEntry& entry = line->entry;
        entry.firstName = values.firstName;
        entry.lastName = values.lastName;
        entry.nickname = values.nickname;
        entry.cellPhone = values.cellPhone;
        entry.email = values.email;
        entry.birthday = values.birthday;
        ++changed;
        notify([&](BuddyListObserver& o) { o.nodeChanged(*line); });
    }
    return changed;
}

int BuddyList::removeBuddyEverywhere(std::string_view bid) {
    int removed = 0;
    visitAfterChildren(*m_root, [&](BuddyNode& node) {
        if (node.entry.isBuddy() && node.entry.id == bid) {
            remove(node);
            ++removed;
        }
    });
    // Deleted from the whole list on purpose: nothing is left to put back.
    if (const BuddyEntry* cut = m_clipboard.pendingCut(); cut && cut->id == bid)
        m_clipboard.cutSettled();
    return removed;
}

const BuddyEntry* BuddyList::unplacedCut() {
    const BuddyEntry* cut = m_clipboard.pendingCut();
    return cut && placements(cut->id).empty() ? cut : nullptr;
}

BuddyNode* BuddyList::findGroupByName(std::string_view name) {
    for (auto& child : m_root->children) {
        if (child->entry.isGroup() && child->text == name)
            return child.get();
    }
    return nullptr;
}

BuddyNode* BuddyList::findGroup(std::string_view bgid) {
    for (auto& child : m_root->children) {
        if (child->entry.isGroup() && child->entry.groupId == bgid)
            return child.get();
    }
    return nullptr;
}

BuddyNode* BuddyList::findBuddy(std::string_view bid, std::string_view bgid) {
    for (BuddyNode* line : placements(bid)) {
        if (line->entry.groupId == bgid)
            return line;
    }
    return nullptr;
}

std::vector<BuddyNode*> BuddyList::placements(std::string_view bid) {
    std::vector<BuddyNode*> lines;
    for (auto& child : m_root->children) {
        if (child->entry.isBuddy() && child->entry.id == bid)
            lines.push_back(child.get());
        for (auto& member : child->children) {
            if (member->entry.isBuddy() && member->entry.id == bid)
                lines.push_back(member.get());
        }
    }
    return lines;
}

std::vector<std::string> BuddyList::groupNames() const {
    std::vector<std::string> names;
    for (const auto& child : m_root->children) {
        if (child->entry.isGroup())
            names.push_back(child->entry.groupName);
    }
    return names;
}

bool acceptsBuddy(const BuddyNode& target, std::string_view bid) {
    if (!target.entry.isRoot() && !target.entry.isGroup())
        return false;
    return std::none_of(target.children.begin(), target.children.end(), [&](const auto& child) {
        return child->entry.isBuddy() && child->entry.id == bid;
    });
}

BuddyEntry placedUnder(const BuddyEntry& buddy, const BuddyNode& target) {
    BuddyEntry placed = buddy;
    placed.children.clear();
    placed.kind = EntryKind::Buddy;
    placed.groupId = target.entry.isGroup() ? target.entry.groupId : std::string(kTopLevelGroupId);
    placed.groupName = target.entry.isGroup() ? target.entry.groupName : std::string();
    return placed;
}

bool caseInsensitiveLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return foldedAscii(x) < foldedAscii(y);
    });
}

} // namespace textowl
