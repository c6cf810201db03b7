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

namespace {

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

} // namespace

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
            if (answerMissing(answer.status, answer.result))
                self->m_context.session.changeUnanswered();
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
    form.region = m_context.contactFiles.numberRegion();
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
                  qs(m_context.catalogue.dialogTitle()),
                  text(Text::BadNumberFormat),
                  text(Text::LandlineRefused)};
    if (!m_context.prompts.editContact(&m_context.dialogParent, form) || !treeAlive())
        return std::nullopt;
    return form;
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

} // namespace textowl
