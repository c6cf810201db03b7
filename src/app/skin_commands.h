#pragma once

#include "ui/prompts.h"

#include <QString>

namespace textowl {

class MainWindow;

// Where the skin chooser opens: the skins folder under the current directory.
QString skinFolder();
// The chooser's title, folder and filters.
Prompts::FileChoice skinFileChoice();

// Command 32804: the user picks a skin file, which the window applies and remembers.
void installSkinCommands(MainWindow& window);

} // namespace textowl
