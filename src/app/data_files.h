#pragma once

#include <QString>

namespace textowl {

// Where a data file or folder the program ships with lives ("strings.xml", "skins"): the current
// directory first, so a working copy still runs from its resources folder, then the per-user and
// system data directories an install puts it in. When none holds it, the path in the current
// directory, so that the caller meets it missing just as before.
// Needs the application and organisation names set, since they name the per-application folders.
QString dataFilePath(const QString& name);

} // namespace textowl
