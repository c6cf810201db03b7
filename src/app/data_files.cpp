#include "app/data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace textowl {

namespace {

// The folder an install uses under each data directory; lower case like the executable.
constexpr QLatin1StringView kInstalledFolder("textowl");

QStringList installedDataFolders() {
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(data + u'/' + kInstalledFolder);
    // An install under a prefix the data directories do not name (/opt, a home folder) still
    // finds its own files beside its bin folder.
    if (QCoreApplication::instance())
        folders.append(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/") +
                       kInstalledFolder);
    return folders;
}

} // namespace

QString dataFilePath(const QString& name) {
    const QString local = QDir::current().absoluteFilePath(name);
    if (QFileInfo::exists(local))
        return local;
    for (const QString& folder : installedDataFolders()) {
        const QString candidate = QDir(folder).absoluteFilePath(name);
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return local;
}

} // namespace textowl
