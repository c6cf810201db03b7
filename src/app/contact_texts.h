#pragma once

#include "contacts/contact.h"
#include "contacts/import_plan.h"
#include "contacts/import_run.h"

#include <string>
#include <vector>

namespace textowl {

class StringCatalogue;

// What the contact files' dialogs say about a row, a file or an import, in the user's language.
std::string importActionText(const StringCatalogue& catalogue, const ImportRow& row);
std::string readErrorText(const StringCatalogue& catalogue, const ReadError& error);
// How many were added, skipped and failed, then one line per reason with its count.
std::string importSummaryText(const StringCatalogue& catalogue, const ImportPlan& plan,
                              const std::vector<bool>& ticked, const ImportReport& report);

} // namespace textowl
