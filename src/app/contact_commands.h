#pragma once

#include <QString>
#include <functional>

namespace textowl {

class CommandRouter;
class PageHost;
struct SessionContext;

// The region chosen at the last import, kept with the user's preferences.
struct ImportRegionMemory {
    std::function<QString()> last;
    std::function<void(const QString&)> remember;
};

// Takes over Contacts > Import Contacts and Export Contacts. An import reads a vCard or CSV
// file, shows what it would do, then adds through the service with the progress on screen; an
// export writes the list, or the selected group, to a vCard or CSV file.
void installContactCommands(CommandRouter& router, const SessionContext& context, PageHost& pages,
                            const ImportRegionMemory& regions);

} // namespace textowl
