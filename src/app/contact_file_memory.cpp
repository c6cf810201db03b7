#include "app/contact_file_memory.h"

#include "contacts/phone_number.h"
#include "ui/qt_text.h"

#include <QDir>
#include <QFileInfo>

namespace textowl {

QString ContactFileMemory::numberRegion() const {
    const QString system = qs(systemRegion());
    return system.isEmpty() && lastRegion ? lastRegion() : system;
}

QString ContactFileMemory::startFolder() const {
    const QString last = lastFolder ? lastFolder() : QString();
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void ContactFileMemory::rememberFolderOf(const QString& path) const {
    if (rememberFolder)
        rememberFolder(QFileInfo(path).absolutePath());
}

} // namespace textowl
