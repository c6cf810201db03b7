#include "app/buddy_commands.h"

#include "app/command_router.h"
#include "app/page_host.h"
#include "app/session_context.h"
#include "base/clock.h"
#include "base/command_ids.h"
#include "buddylist/buddy_operation.h"
#include "buddylist/buddy_tree.h"
#include "buddylist/contact_rules.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "texts/text_format.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QPointer>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace textowl {

namespace {

ServiceText wire(std::string_view text) {
    return utf8ToUtf16(std::string(text));
}

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

    const SessionContext& m_context;
    QPointer<BuddyTree> m_tree;
    BuddyList& m_list;
    // The birthday years run from this year down; the window's clock, so tests can pin it.
    int m_year = m_context.clock.utcNow().year;
};

void BuddyEditor::call(Operation operation, Then then, std::string_view element) {
    std::string ticket = m_context.session.ticket();
    // Without a session there is nothing to ask.
    if (ticket.empty()) {
        then(false, {});
        return;
    }
    ServiceText wireTicket = wire(ticket);
    m_context.calls.call(
        [operation = std::move(operation),
         wireTicket = std::move(wireTicket)](ServiceProxy& proxy, ServiceText* result) {
            return operation(proxy, wireTicket, result);
        },
        m_tree,
        [self = shared_from_this(), ticket = std::move(ticket), element = std::string(element),
         then = std::move(then)](const ServiceCalls::Answer& answer) {
            std::string value;
            then(succeeded(
                     buddyOperationOutcome(ticket, answer.status, answer.result, element, &value)),
                 value);
        });
}

QString BuddyEditor::text(Text which) const {
    return localised(m_context.catalogue, which);
}

void BuddyEditor::show(Text which, Prompts::Icon icon) {
    if (icon == Prompts::Icon::Warning)
        QApplication::beep();
    m_context.prompts.message(&m_context.dialogParent, text(which),
                              qs(m_context.catalogue.dialogTitle()), icon);
}

Prompts::Answer BuddyEditor::ask(Text format, const QString& name) {
    const std::string question = formatText(utf8(text(format)), {utf8(name)});
    return m_context.prompts.askYesNoCancel(&m_context.dialogParent, qs(question),
                                            qs(m_context.catalogue.dialogTitle()));
}

std::optional<Prompts::ContactForm>
BuddyEditor::askContact(const BuddyEntry& initial, std::string_view initialGroup, bool editing) {
    Prompts::ContactForm form;
    form.caption = text(editing ? Text::ContactEditTitle : Text::ContactTitle);
    form.firstName = qs(initial.firstName);
    form.lastName = qs(initial.lastName);
    form.nickname = qs(initial.nickname);
    form.cellPhone = qs(initial.cellPhone);
    form.email = qs(initial.email);
    form.currentYear = m_year;
    form.birthday = birthdayRows(initial.birthday, m_year);
    const std::vector<std::string> choices = groupChoices(m_list.groupNames());
    for (const std::string& choice : choices)
        form.groups.append(qs(choice));
    form.groupIndex = preselectedGroup(choices, initialGroup);
    form.texts = {text(Text::FirstNameLabel),
                  text(Text::LastNameLabel),
                  text(Text::NicknameLabel),
                  text(Text::CellPhoneLabel),
                  text(Text::EmailLabel),
                  text(Text::BirthdayLabel),
                  text(Text::GroupLabel),
                  text(Text::Ok),
                  text(Text::Cancel),
                  text(Text::Required),
                  qs(m_context.catalogue.dialogTitle())};
    if (!m_context.prompts.editContact(&m_context.dialogParent, form) || !treeAlive())
        return std::nullopt;
    return form;
}

BuddyEntry enteredValues(const Prompts::ContactForm& form, int year) {
    BuddyEntry values;
    values.kind = EntryKind::Buddy;
    values.firstName = utf8(form.firstName);
    values.lastName = utf8(form.lastName);
    values.nickname = utf8(form.nickname);
    values.cellPhone = utf8(form.cellPhone);
    values.email = utf8(form.email);
    values.birthday = birthdayText(form.birthday, year);
    return values;
}

void BuddyEditor::createGroup(const std::string& name, std::function<void(BuddyNode&)> then) {
    call([wireName = wire(name)](ServiceProxy& p, const ServiceText& t,
                                 ServiceText* r) { return p.apiAddBuddyGroup(t, wireName, r); },
         [this, name, then = std::move(then)](bool accepted, const std::string& bgid) {
             if (!accepted) {
                 show(Text::NewGroupFailed);
                 return;
             }
             if (BuddyNode* group = m_list.insert(BuddyEntry::makeGroup(bgid, name), m_list.root()))
                 then(*group);
         },
         "bgid");
}

void BuddyEditor::withGroupNamed(const std::string& name, std::function<void(BuddyNode&)> then) {
    if (name.empty())
        then(m_list.root());
    else if (BuddyNode* group = m_list.findGroupByName(name))
        then(*group);
    else
        createGroup(name, std::move(then));
}

void BuddyEditor::showPlaced(BuddyNode* placed, BuddyNode& parent) {
    if (!placed)
        return;
    m_list.sortGroup(parent); // leaves the root alone
    m_tree->expand(m_tree->lineOf(&parent));
    m_tree->selectLine(m_tree->lineOf(placed));
    m_tree->setFocus();
}

void BuddyEditor::addContact() {
    const BuddyNode* selected = m_tree->nodeOf(m_tree->selectedLine());
    const std::string initialGroup =
        selected && selected->entry.isGroup() ? selected->text : std::string();
    const auto form = askContact(BuddyEntry{}, initialGroup, false);
    if (!form)
        return;
    const std::string groupName = chosenGroup(utf8(form->groupText));
    BuddyEntry values = enteredValues(*form, m_year);
    withGroupNamed(groupName, [this, values, groupName](BuddyNode& parent) mutable {
        values.groupId = placedUnder(values, parent).groupId;
        values.groupName = groupName;
        call(
            [values](ServiceProxy& p, const ServiceText& t, ServiceText* r) {
                return p.apiAddBuddy(t, wire(values.groupId), wire(values.firstName),
                                     wire(values.lastName), wire(values.nickname),
                                     wire(values.cellPhone), wire(values.email),
                                     wire(values.birthday), r);
            },
            [this, values](bool accepted, const std::string& bid) mutable {
                if (!accepted) {
                    show(Text::NewBuddyFailed);
                    return;
                }
                values.id = bid;
                if (BuddyNode* parent = parentLine(values.groupId))
                    showPlaced(m_list.insert(values, *parent), *parent);
            },
            "bid");
    });
}

void BuddyEditor::editContact() {
    const QModelIndex selectedLine = m_tree->selectedLine();
    if (!selectedLine.isValid())
        return;
    BuddyNode* node = m_tree->nodeFor(selectedLine);
    if (!node) {
        QApplication::beep();
        return;
    }
    if (!node->entry.isBuddy())
        return;
    const bool phoneSelected = !m_tree->nodeOf(selectedLine);
    const BuddyEntry buddy = node->entry;
    const auto form = askContact(buddy, buddy.groupName, true);
    if (!form)
        return;
    const BuddyEntry values = enteredValues(*form, m_year);
    withGroupNamed(chosenGroup(utf8(form->groupText)), [this, buddy, values,
                                                        phoneSelected](BuddyNode& target) {
        const std::string targetId = placedUnder(buddy, target).groupId;
        call(
            [id = buddy.id, values](ServiceProxy& p, const ServiceText& t, ServiceText* r) {
                return p.apiUpdateBuddy(t, wire(id), wire(values.firstName), wire(values.lastName),
                                        wire(values.nickname), wire(values.cellPhone),
                                        wire(values.email), wire(values.birthday), r);
            },
            [this, buddy, values, phoneSelected, targetId](bool accepted, const std::string&) {
                if (!accepted) {
                    show(Text::NewBuddyFailed);
                    return;
                }
                m_list.updateBuddy(buddy.id, values);
                // The buddy stays where it was; the group named in the dialog is only sorted
                // and opened.
                if (BuddyNode* group = parentLine(targetId)) {
                    m_list.sortGroup(*group);
                    m_tree->expand(m_tree->lineOf(group));
                }
                QModelIndex line = m_tree->lineOf(placementOf(buddy));
                if (phoneSelected && m_tree->model()->hasChildren(line))
                    line = m_tree->model()->index(0, 0, line);
                m_tree->selectLine(line);
                m_tree->setFocus();
            });
    });
}

void BuddyEditor::addGroup() {
    Prompts::GroupForm form{
        text(Text::GroupTitle), {}, text(Text::GroupNameLabel), text(Text::Ok), text(Text::Cancel)};
    if (!m_context.prompts.editGroup(&m_context.dialogParent, form) || !treeAlive())
        return;
    const std::string name = utf8(form.name);
    if (m_list.findGroupByName(name)) {
        show(Text::GroupExists, Prompts::Icon::Warning);
        return;
    }
    createGroup(name, [this](BuddyNode& group) {
        m_tree->expand(m_tree->rootLine());
        m_tree->selectLine(m_tree->lineOf(&group));
        m_tree->setFocus();
    });
}

void BuddyEditor::renameGroup() {
    BuddyNode* group = m_tree->selectedNode();
    if (!group)
        return;
    // Only a group can be renamed: a buddy's group id would rename the group it sits in.
    if (!group->entry.isGroup()) {
        QApplication::beep();
        return;
    }
    const std::string title = formatText(utf8(text(Text::GroupEditTitle)), {group->text});
    Prompts::GroupForm form{qs(title), qs(group->entry.groupName), text(Text::GroupNameLabel),
                            text(Text::Ok), text(Text::Cancel)};
    if (!m_context.prompts.editGroup(&m_context.dialogParent, form) || !treeAlive())
        return;
    const std::string name = utf8(form.name);
    const std::string bgid = group->entry.groupId;
    call(
        [bgid, name](ServiceProxy& p, const ServiceText& t, ServiceText* r) {
            return p.apiUpdateBuddyGroup(t, wire(bgid), wire(name), r);
        },
        [this, bgid, name](bool accepted, const std::string&) {
            if (!accepted) {
                show(Text::NewGroupFailed);
                return;
            }
            if (BuddyNode* renamed = m_list.findGroup(bgid)) {
                m_list.renameGroup(*renamed, name);
                m_tree->selectLine(m_tree->lineOf(renamed));
                m_tree->setFocus();
            }
        });
}

void BuddyEditor::deleteSelected(bool groupsOnly) {
    const QModelIndex selectedLine = m_tree->selectedLine();
    if (!selectedLine.isValid())
        return;
    BuddyNode* node = m_tree->nodeFor(selectedLine);
    if (!node || node->entry.isRoot() || (groupsOnly && !node->entry.isGroup())) {
        QApplication::beep();
        return;
    }
    if (node->entry.isGroup())
        deleteGroup(*node);
    else
        deleteBuddy(*node, selectedLine.data().toString());
}

void BuddyEditor::deleteGroup(BuddyNode& group) {
    if (ask(Text::DeleteGroup, qs(group.text)) != Prompts::Answer::Yes || !treeAlive())
        return;
    const std::string bgid = group.entry.groupId;
    call([bgid](ServiceProxy& p, const ServiceText& t,
                ServiceText* r) { return p.apiDeleteBuddyGroup(t, wire(bgid), r); },
         [this, bgid](bool accepted, const std::string&) {
             if (BuddyNode* deleted = m_list.findGroup(bgid); accepted && deleted)
                 m_list.removeGroup(*deleted);
         });
}

void BuddyEditor::deleteBuddy(BuddyNode& buddy, const QString& lineText) {
    const Prompts::Answer answer = ask(Text::DeleteBuddy, lineText);
    if (answer == Prompts::Answer::Cancel || !treeAlive())
        return;
    const BuddyEntry entry = buddy.entry;
    if (answer == Prompts::Answer::Yes) {
        call(
            [entry](ServiceProxy& p, const ServiceText& t, ServiceText* r) {
                return p.apiRemoveBuddy(t, wire(entry.id), wire(entry.groupId), r);
            },
            [this, entry](bool accepted, const std::string&) {
                if (BuddyNode* line = placementOf(entry); accepted && line)
                    m_list.remove(*line);
            });
        return;
    }
    call([entry](ServiceProxy& p, const ServiceText& t,
                 ServiceText* r) { return p.apiDeleteBuddy(t, wire(entry.id), r); },
         [this, entry](bool accepted, const std::string&) {
             if (accepted)
                 m_list.removeBuddyEverywhere(entry.id);
         });
}

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

// Runs one editing command against the session's list and tree; nothing while signed out.
template <class Command>
void runOnTree(const SessionContext& context, BuddyTree* tree, Command&& command) {
    if (BuddyList* list = context.session.buddyList(); list && tree)
        command(*std::make_shared<BuddyEditor>(context, *tree, *list));
}

} // namespace

void installBuddyCommands(CommandRouter& router, const SessionContext& context, PageHost& pages) {
    const std::pair<int, void (BuddyEditor::*)()> commands[] = {
        {kCmdAddContact, &BuddyEditor::addContact},
        {kCmdEditContact, &BuddyEditor::editContact},
        {kCmdAddGroup, &BuddyEditor::addGroup},
        {kCmdEditGroup, &BuddyEditor::renameGroup},
        {kCmdCut, &BuddyEditor::cut},
        {kCmdCopy, &BuddyEditor::copy},
        {kCmdPaste, &BuddyEditor::paste},
    };
    for (const auto& [id, command] : commands)
        router.setCommandHandler(id, [&context, &pages, command] {
            runOnTree(context, pages.buddyTree(),
                      [command](BuddyEditor& editor) { (editor.*command)(); });
        });
    for (const auto& [id, groupsOnly] : {std::pair{kCmdDelete, false}, {kCmdDeleteGroup, true}}) {
        router.setCommandHandler(id, [&context, &pages, groupsOnly] {
            runOnTree(context, pages.buddyTree(),
                      [groupsOnly](BuddyEditor& editor) { editor.deleteSelected(groupsOnly); });
        });
    }
}

void placeBackCutBuddy(const SessionContext& context, BuddyTree* tree) {
    runOnTree(context, tree, [](BuddyEditor& editor) { editor.placeBackCut(); });
}

void dropBuddyLine(const SessionContext& context, BuddyTree& tree, const QModelIndex& dragged,
                   const QModelIndex& target) {
    runOnTree(context, &tree, [&](BuddyEditor& editor) { editor.drop(dragged, target); });
}

} // namespace textowl
