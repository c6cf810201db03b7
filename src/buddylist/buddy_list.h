#pragma once

#include "buddylist/buddy_entry.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// One line of the list that owns its entry: the root, a group, or one placement of a buddy.
// Phone lines are not nodes: they follow the buddy's cell phone.
struct BuddyNode {
    BuddyEntry entry;
    std::string text; // what the line shows; a buddy keeps its text when an edit empties every name
    BuddyNode* parent = nullptr;
    std::vector<std::unique_ptr<BuddyNode>> children;

    std::size_t indexInParent() const;
};

// Told before and after every change the list makes, so that a model can announce it in step:
// while a "before" call runs the list is still as it was, and every "after" call sees it changed.
class BuddyListObserver {
public:
    virtual ~BuddyListObserver() = default;
    virtual void listResetting() = 0;
    virtual void listReset() = 0;
    // node is not yet under parent; it will be child `index`.
    virtual void nodeInserting(const BuddyNode& parent, std::size_t index) = 0;
    virtual void nodeInserted(const BuddyNode& node) = 0;
    virtual void nodeRemoving(const BuddyNode& node) = 0;
    virtual void nodeRemoved(const BuddyNode& parent, std::size_t index) = 0;
    // Text or fields are about to change; newCellPhone is the number the line will carry.
    virtual void nodeChanging(const BuddyNode& node, const std::string& newCellPhone) = 0;
    virtual void nodeChanged(const BuddyNode& node) = 0;
    // The children of parent are about to move among themselves, and have moved.
    virtual void childrenReordering(const BuddyNode& parent) = 0;
    virtual void childrenReordered(const BuddyNode& parent) = 0;
};

// The buddy entry last cut or copied, and whether Paste is offered. A cut replaces the entry before
// the service is asked, so a failed cut replaces it too; a drop forgets it but leaves the flag.
class BuddyClipboard {
public:
    void cut(const BuddyEntry& entry) {
        m_entry = entry;
        m_cutPending = false;
    }
    void cutAccepted() { m_pasteEnabled = m_cutPending = true; }
    void copy(const BuddyEntry& entry) {
        m_entry = entry;
        m_pasteEnabled = true;
        m_cutPending = false;
    }
    // The cut buddy has a place again (pasted, put back, or deleted for good).
    void cutSettled() { m_cutPending = false; }
    void dropped() {
        m_entry.reset();
        m_cutPending = false;
    }
    void clear() { *this = {}; }
    bool pasteEnabled() const { return m_pasteEnabled; }
    // The entry to paste, or null while Paste has nothing to do.
    const BuddyEntry* pasteable() const { return m_pasteEnabled && m_entry ? &*m_entry : nullptr; }
    // The buddy the service removed at the last cut, while no paste has placed it since.
    const BuddyEntry* pendingCut() const { return m_cutPending && m_entry ? &*m_entry : nullptr; }

private:
    std::optional<BuddyEntry> m_entry;
    bool m_pasteEnabled = false;
    bool m_cutPending = false;
};

// The live buddy list of a session: filled once from the parsed list, then changed only after the
// service accepted each change. It decides where lines go; views only follow it.
class BuddyList {
public:
    BuddyList();

    // Observers must leave before the list goes; each is told in the order it was added.
    void addObserver(BuddyListObserver* observer);
    void removeObserver(BuddyListObserver* observer);

    // Replaces everything by the parsed list: top-level buddies in byte order, then the groups in
    // document order with their buddies in document order. Buddies without a display name are
    // dropped. The clipboard is emptied.
    void fill(BuddyEntry parsed);
    void clear();

    BuddyNode& root() { return *m_root; }
    const BuddyNode& root() const { return *m_root; }

    // A group line (last under the root) or a buddy line under parent, which must be the root or
    // a group: top-level buddies go to their sorted place, group members last. Null when nothing
    // was inserted (a buddy without a display name).
    BuddyNode* insert(const BuddyEntry& fields, BuddyNode& parent);
    // Removes the node with its subtree; the root stays.
    void remove(BuddyNode& node);
    // Removes a group line as the service deletes a group: each member placed nowhere else moves
    // to the top level, in the group's order, rather than leaving the list.
    void removeGroup(BuddyNode& group);
    // Orders a group's lines alphabetically ignoring case; the root is never sorted.
    void sortGroup(BuddyNode& group);
    void renameGroup(BuddyNode& group, std::string name);

    // Stores edited names, cell phone, e-mail and birthday in every placement of buddy bid; group
    // ids and names stay. Returns the number of lines changed.
    int updateBuddy(std::string_view bid, const BuddyEntry& values);
    // Removes every placement of buddy bid, children before their line. Returns the number.
    int removeBuddyEverywhere(std::string_view bid);

    // The first group line whose text equals name exactly.
    BuddyNode* findGroupByName(std::string_view name);
    BuddyNode* findGroup(std::string_view bgid);
    BuddyNode* findBuddy(std::string_view bid, std::string_view bgid);
    std::vector<BuddyNode*> placements(std::string_view bid);
    std::vector<std::string> groupNames() const;

    BuddyClipboard& clipboard() { return m_clipboard; }
    // The pending cut when the list holds no placement of that buddy: forgetting the clipboard
    // would lose it from the list for good.
    const BuddyEntry* unplacedCut();

private:
    template <class Visit> void visitAfterChildren(BuddyNode& node, Visit&& visit);
    template <class Call> void notify(Call&& call);
    void replaceRoot(std::unique_ptr<BuddyNode> root);
    std::size_t insertIndex(const BuddyNode& parent, const BuddyNode& line) const;

    std::unique_ptr<BuddyNode> m_root;
    BuddyClipboard m_clipboard;
    std::vector<BuddyListObserver*> m_observers;
};

// Whether target may receive buddy bid (by Paste or a drop): it must be the root or a group, and
// hold no placement of bid already.
bool acceptsBuddy(const BuddyNode& target, std::string_view bid);
// The buddy's fields as a placement under target: its group id and name, "0" and "" at the root.
BuddyEntry placedUnder(const BuddyEntry& buddy, const BuddyNode& target);

// Alphabetical order ignoring the case of ASCII letters, as group lines are sorted.
bool caseInsensitiveLess(std::string_view a, std::string_view b);

} // namespace textowl
