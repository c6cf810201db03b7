#include "app/buddy_editor.h"
#include "app/session_context.h"
#include "base/clock.h"
#include "buddylist/buddy_operation.h"
#include "buddylist/buddy_tree.h"
#include "buddylist/contact_rules.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "texts/text_format.h"
#include "ui/qt_text.h"

#include <QApplication>

namespace textowl {

void BuddyEditor::cut() {
    BuddyNode* node = selectedNode();
    if (!node || !node->entry.isBuddy())
        return;
    placeBackCut();
    const BuddyEntry entry = node->entry;
    m_list.clipboard().cut(entry);
    const std::string ticket = m_context.session.ticket();
    if (ticket.empty())
        return;
    const QPointer<CutOnItsWay> onItsWay = new CutOnItsWay(entry, m_tree);
    m_context.calls.call<bool>(
        [ticket, entry, removed = onItsWay->removed](ServiceProxy& p) {
            ServiceText result;
            const Status status =
                p.apiRemoveBuddy(wire(ticket), wire(entry.id), wire(entry.groupId), &result);
            removed->store(succeeded(buddyOperationOutcome(ticket, status, result)));
            return removed->load();
        },
        m_tree,
        [self = shared_from_this(), entry, onItsWay](bool& removed) {
            // Gone when the session began to end meanwhile: the buddy is being put back.
            const bool puttingBack = onItsWay.isNull();
            delete onItsWay.data();
            if (!removed)
                return;
            if (BuddyNode* line = self->placementOf(entry))
                self->m_list.remove(*line);
            if (!puttingBack) {
                self->m_list.clipboard().cutAccepted();
                self->refreshPasteFlag();
            }
        });
}

void BuddyEditor::copy() {
    BuddyNode* node = selectedNode();
    if (!node || !node->entry.isBuddy())
        return;
    placeBackCut();
    m_list.clipboard().copy(node->entry);
    refreshPasteFlag();
}

void BuddyEditor::paste() {
    const BuddyEntry* pasteable = m_list.clipboard().pasteable();
    if (!pasteable)
        return;
    const BuddyEntry buddy = *pasteable;
    const QModelIndex selectedLine = m_tree->selectedLine();
    if (!selectedLine.isValid()) {
        show(Text::InternalError);
        return;
    }
    BuddyNode* target = m_tree->nodeOf(selectedLine);
    if (!target || !acceptsBuddy(*target, buddy.id)) {
        show(Text::PasteDuplicate);
        return;
    }
    const BuddyEntry placed = placedUnder(buddy, *target);
    call(
        [buddy, to = placed.groupId](ServiceProxy& p, const ServiceText& t, ServiceText* r) {
            return p.apiCopyBuddy(t, wire(buddy.id), wire(buddy.groupId), wire(to), r);
        },
        [this, placed](bool accepted, const std::string&) {
            if (!accepted) {
                show(Text::CopyFailed);
                return;
            }
            m_list.clipboard().cutSettled();
            if (BuddyNode* parent = parentLine(placed.groupId))
                showPlaced(m_list.insert(placed, *parent), *parent);
        });
}

void BuddyEditor::drop(const QModelIndex& dragged, const QModelIndex& target) {
    BuddyNode* from = m_tree->nodeFor(dragged);
    BuddyNode* to = m_tree->nodeOf(target);
    if (from && from->entry.isBuddy() && target.isValid()) {
        const BuddyEntry buddy = from->entry;
        if (!to || !acceptsBuddy(*to, buddy.id)) {
            show(Text::AddDuplicate);
        } else {
            const BuddyEntry placed = placedUnder(buddy, *to);
            call(
                [buddy, to = placed.groupId](ServiceProxy& p, const ServiceText& t,
                                             ServiceText* r) {
                    return p.apiMoveBuddy(t, wire(buddy.id), wire(buddy.groupId), wire(to), r);
                },
                [this, buddy, placed](bool accepted, const std::string&) {
                    BuddyNode* parent = parentLine(placed.groupId);
                    if (!accepted) {
                        show(Text::MoveFailed);
                    } else if (parent) {
                        showPlaced(m_list.insert(placed, *parent), *parent);
                        if (BuddyNode* moved = placementOf(buddy))
                            m_list.remove(*moved);
                    }
                    endDrop();
                });
            return;
        }
    }
    endDrop();
}

void BuddyEditor::endDrop() {
    if (!treeAlive())
        return;
    placeBackCut();
    m_list.clipboard().dropped();
}

CutOnItsWay* BuddyEditor::cutOnItsWay() const {
    for (QObject* child : m_tree->children()) {
        if (auto* cut = dynamic_cast<CutOnItsWay*>(child))
            return cut;
    }
    return nullptr;
}

// The cut removed the buddy on the service at once; if nothing placed it since, forgetting the
// clipboard would lose it for good. It goes back where it was cut from, with the same call a
// paste there makes, or to the top level when that group is gone. A cut whose answer is still
// on its way goes back too, unless the buddy has another place in the list.
void BuddyEditor::placeBackCut() {
    if (CutOnItsWay* onItsWay = cutOnItsWay()) {
        const BuddyEntry buddy = onItsWay->entry;
        const auto removed = onItsWay->removed;
        delete onItsWay;
        if (m_list.placements(buddy.id).size() == 1)
            putBack(buddy, removed);
        return;
    }
    const BuddyEntry* pending = m_list.unplacedCut();
    if (!pending)
        return;
    const BuddyEntry buddy = *pending;
    m_list.clipboard().cutSettled();
    putBack(buddy, nullptr);
}

// Both tries, and the look at the cut before them, are one job on the worker: at sign-out and
// exit the answer is dropped, but the buddy is back on the service.
void BuddyEditor::putBack(const BuddyEntry& buddy,
                          std::shared_ptr<const std::atomic<bool>> removed) {
    std::string ticket = m_context.session.ticket();
    if (ticket.empty())
        return;
    std::vector<BuddyEntry> places;
    if (const BuddyNode* home = m_list.findGroup(buddy.groupId))
        places.push_back(placedUnder(buddy, *home));
    places.push_back(placedUnder(buddy, m_list.root()));
    m_context.calls.call<std::optional<BuddyEntry>>(
        [ticket, buddy, places = std::move(places),
         removed = std::move(removed)](ServiceProxy& p) -> std::optional<BuddyEntry> {
            if (removed && !removed->load())
                return std::nullopt; // the service kept it where it was
            const ServiceText wireTicket = wire(ticket);
            for (const BuddyEntry& placed : places) {
                ServiceText result;
                const Status status = p.apiCopyBuddy(
                    wireTicket, wire(buddy.id), wire(buddy.groupId), wire(placed.groupId), &result);
                if (succeeded(buddyOperationOutcome(ticket, status, result)))
                    return placed;
            }
            return std::nullopt;
        },
        m_tree,
        [self = shared_from_this()](std::optional<BuddyEntry>& placed) {
            BuddyNode* target = placed ? self->parentLine(placed->groupId) : nullptr;
            if (!target)
                return;
            self->m_list.insert(*placed, *target);
            self->m_list.sortGroup(*target);
        });
}

} // namespace textowl
