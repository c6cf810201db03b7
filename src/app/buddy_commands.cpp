#include "app/buddy_commands.h"

#include "app/buddy_editor.h"
#include "app/command_router.h"
#include "app/page_host.h"
#include "app/session_context.h"
#include "base/command_ids.h"
#include "session/session.h"

#include <memory>

namespace textowl {

namespace {

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
