#include "app/skin_commands.h"

#include "app/data_files.h"
#include "app/main_window.h"
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
             {QStringLiteral("All Files (*.*)"), QStringLiteral("*")}},
            QStringLiteral("bmp")};
}

void installSkinCommands(MainWindow& window) {
    window.setCommandHandler(kCmdChooseSkin, [&window] {
        QWidget* owner = QApplication::activeWindow();
        const std::optional<QString> path =
            window.prompts().chooseFile(owner != nullptr ? owner : &window, skinFileChoice());
        if (path)
            window.applySkin(*path);
    });
}

} // namespace textowl
