#pragma once

namespace textowl {

class MainWindow;

// Takes over Contacts > Import Contacts and Export Contacts. An import reads a vCard or CSV
// file, shows what it would do, then adds through the service with the progress on screen; an
// export writes the list, or the selected group, to a vCard or CSV file.
void installContactCommands(MainWindow& window);

} // namespace textowl
