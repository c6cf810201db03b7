#pragma once

#include "ui/prompts.h"

#include <QString>
#include <functional>

class QWidget;

namespace textowl {

class CommandRouter;

// Where the skin chooser opens: the skins folder under the current directory.
QString skinFolder();
// The chooser's title, folder and filters.
Prompts::FileChoice skinFileChoice();

// Command 32804: the user picks a skin file, which apply puts in place and remembers. The
// chooser belongs to the active window, else to owner.
void installSkinCommands(CommandRouter& router, Prompts& prompts, QWidget& owner,
                         std::function<void(const QString&)> apply);

} // namespace textowl
