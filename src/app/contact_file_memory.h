#pragma once

#include <QString>
#include <functional>

namespace textowl {

// What the contact files' dialogs chose last, kept with the user's preferences.
struct ContactFileMemory {
    std::function<QString()> lastRegion;
    std::function<void(const QString&)> rememberRegion;
    std::function<QString()> lastFolder;
    std::function<void(const QString&)> rememberFolder;

    // What national numbers are read against, by the import and the contact dialog alike: the
    // region of the user's locale, else the one chosen at the last import.
    QString numberRegion() const;
    // Where the file dialogs open: the folder of the last contact file while it is there, else
    // the home folder.
    QString startFolder() const;
    // Keeps the folder of a file just chosen.
    void rememberFolderOf(const QString& path) const;
};

} // namespace textowl
