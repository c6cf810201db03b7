#pragma once

namespace textowl {

class BuddyTree;
class MainWindow;

// Connects the buddy tree to the window: its double click and its pop-up choices become commands,
// its selection sets the clipboard flags, its context requests open the window's pop-ups, and
// its drops move buddies.
void attachBuddyTree(MainWindow& window, BuddyTree& tree);

} // namespace textowl
