#include "app/skin_commands.h"

#include "app/command_router.h"
#include "app/data_files.h"
#include "base/command_ids.h"

#include <QApplication>
#include <QDir>

namespace textowl {

QString skinFolder() {
    // skins/ beside the working directory first, else the folder an install put them in.
    return QDir(dataFilePath(QStringLiteral("skins"))).absolutePath();
}

Prompts::FileChoice skinFileChoice() {
    return {QStringLiteral("Select Textowl Skin"),
            skinFolder(),
            {{QStringLiteral("Textowl Skins (*.bmp)"), QStringLiteral("*.bmp")},
             {QStringLiteral("All Files (*.*)"), QStringLiteral("*")}}};
}

void installSkinCommands(CommandRouter& router, Prompts& prompts, QWidget& owner,
                         std::function<void(const QString&)> apply) {
    router.setCommandHandler(kCmdChooseSkin, [&prompts, &owner, apply = std::move(apply)] {
        QWidget* active = QApplication::activeWindow();
        Prompts::FileChoice choice = skinFileChoice();
        const std::optional<QString> path =
            prompts.chooseFile(active != nullptr ? active : &owner, choice);
        if (path)
            apply(*path);
    });
}

} // namespace textowl
