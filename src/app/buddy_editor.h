#pragma once

#include "app/session_context.h"
#include "base/clock.h"
#include "buddylist/buddy_list.h"
#include "buddylist/buddy_tree.h"
#include "service/operation_map.h"
#include "service/status.h"
#include "service/utf.h"
#include "texts/text_table.h"
#include "ui/prompts.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace textowl {

class ServiceProxy;

// A cut asked of the service and not answered yet, kept beside the tree. Sign-out and exit drop
// its answer, so the put-back at the end of the session learns of it here; the worker notes
// whether the service removed the buddy, and the put-back, queued behind the cut, reads that.
class CutOnItsWay : public QObject {
public:
    CutOnItsWay(BuddyEntry buddy, QObject* tree) : QObject(tree), entry(std::move(buddy)) {}

    const BuddyEntry entry;
    const std::shared_ptr<std::atomic<bool>> removed = std::make_shared<std::atomic<bool>>(false);
};

// One command or one drop, from the gesture to the last answer it waits for. The callbacks share
// it, so it lives as long as an answer is due; the tree is the context of every call, so that the
// answers for a tree gone with its session are dropped, and the command with them.
class BuddyEditor : public std::enable_shared_from_this<BuddyEditor> {
public:
    BuddyEditor(const SessionContext& context, BuddyTree& tree, BuddyList& list)
        : m_context(context), m_tree(&tree), m_list(list) {}

    void addContact();
    void editContact();
    void addGroup();
    void renameGroup();
    void deleteSelected(bool groupsOnly);
    void cut();
    void copy();
    void paste();
    void drop(const QModelIndex& dragged, const QModelIndex& target);
    void placeBackCut();

private:
    using Operation =
        std::function<Status(ServiceProxy&, const ServiceText& ticket, ServiceText* result)>;
    // What an answer leads to: whether the service accepted, and the required element's value.
    using Then = std::function<void(bool accepted, const std::string& value)>;
    void call(Operation operation, Then then, std::string_view element = {});

    QString text(Text which) const;
    void show(Text which, Prompts::Icon icon = Prompts::Icon::Error);
    Prompts::Answer ask(Text format, const QString& name);
    // False when the tree went away while a prompt was open.
    bool treeAlive() const { return !m_tree.isNull(); }
    BuddyNode* selectedNode() const { return m_tree->selectedNode(); }
    // The root or the group a placement with that group id sits in; null when it is gone.
    BuddyNode* parentLine(std::string_view bgid) const {
        return bgid == kTopLevelGroupId ? &m_list.root() : m_list.findGroup(bgid);
    }
    BuddyNode* placementOf(const BuddyEntry& buddy) const {
        return m_list.findBuddy(buddy.id, buddy.groupId);
    }

    std::optional<Prompts::ContactForm> askContact(const BuddyEntry& initial,
                                                   std::string_view initialGroup, bool editing);
    // The group a dialog answer names, created on the service when missing; the root for none.
    // then runs only when there is one.
    void withGroupNamed(const std::string& name, std::function<void(BuddyNode&)> then);
    void createGroup(const std::string& name, std::function<void(BuddyNode&)> then);
    void showPlaced(BuddyNode* placed, BuddyNode& parent);
    void refreshPasteFlag() { m_tree->setPasteEnabled(m_list.clipboard().pasteEnabled()); }
    void deleteGroup(BuddyNode& group);
    void deleteBuddy(BuddyNode& buddy, const QString& lineText);
    void endDrop();
    CutOnItsWay* cutOnItsWay() const;
    // Puts buddy back on the service, at home or else at the top level, then in the list; only
    // once the service removed it, when that is still to be learnt.
    void putBack(const BuddyEntry& buddy, std::shared_ptr<const std::atomic<bool>> removed);

    static ServiceText wire(std::string_view text) { return utf8ToUtf16(std::string(text)); }

    const SessionContext& m_context;
    QPointer<BuddyTree> m_tree;
    BuddyList& m_list;
    // The birthday years run from this year down; the window's clock, so tests can pin it.
    int m_year = m_context.clock.utcNow().year;
};

} // namespace textowl
