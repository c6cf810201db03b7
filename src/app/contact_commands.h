#pragma once

namespace textowl {

class CommandRouter;
class PageHost;
struct SessionContext;

// Takes over Contacts > Import Contacts and Export Contacts. An import reads a vCard or CSV
// file, shows what it would do, then adds through the service with the progress on screen; an
// export writes the list, or the selected group, to a vCard or CSV file: the type a name's
// suffix says, else the type of the filter chosen, whose suffix a name without one gets. Both
// file dialogs open in the folder of the last contact file.
void installContactCommands(CommandRouter& router, const SessionContext& context, PageHost& pages);

} // namespace textowl
