#pragma once

class QModelIndex;

namespace textowl {

class BuddyTree;
class CommandRouter;
class PageHost;
struct SessionContext;

// Takes over the editing commands of the buddy list: add and edit a contact, add,
// rename and delete a group, delete a line, and cut, copy and paste. Each asks the service first
// and changes the session's buddy list only once the service accepted.
void installBuddyCommands(CommandRouter& router, const SessionContext& context, PageHost& pages);

// Before the clipboard goes with the session or the program: a buddy cut and never pasted is put
// back on the service where it was cut from, so that it is not lost.
void placeBackCutBuddy(const SessionContext& context, BuddyTree* tree);

// The end of a drag in the tree: moves the buddy to target (a group or the root) on the service,
// then in the list. Empties the clipboard whatever the outcome.
void dropBuddyLine(const SessionContext& context, BuddyTree& tree, const QModelIndex& dragged,
                   const QModelIndex& target);

} // namespace textowl
