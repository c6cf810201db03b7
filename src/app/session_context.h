#pragma once

#include "app/contact_file_memory.h"

class QWidget;

namespace textowl {

class Clock;
class Prompts;
class ServiceCalls;
class Session;
class StringCatalogue;

// What the session's commands and views work with, handed down from where the window is put
// together; none of them reaches back into the window for more.
struct SessionContext {
    Session& session;
    ServiceCalls& calls;
    Prompts& prompts;
    const StringCatalogue& catalogue;
    const Clock& clock;
    // The parent of every dialog and message box, so that they stay in front of the window.
    QWidget& dialogParent;
    ContactFileMemory contactFiles;
};

} // namespace textowl
