#pragma once

namespace textowl {

class BuddyTree;
class MainWindow;

// Connects the buddy tree to the window: its double click and its pop-up choices become commands,
// its selection sets the clipboard flags, its context requests, like right clicks anywhere on the
// window, open the pop-up of the selected line, and its drops move buddies.
void attachBuddyTree(MainWindow& window, BuddyTree& tree);

} // namespace textowl
