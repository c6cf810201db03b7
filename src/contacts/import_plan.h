#pragma once

#include "buddylist/buddy_list.h"
#include "contacts/contact.h"
#include "contacts/phone_number.h"
#include "service/operation_map.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

enum class ImportDecision : int {
    Add = 0,
    AlreadyInList, // a buddy of the list, or an earlier row, has the number
    NoValidNumber, // see the row's number problem
    NoName,        // no nickname, first or last name: the buddy could never be shown
};

struct ImportRow {
    Contact contact; // the cell phone in the service's form when it is valid, else as found
    ImportDecision decision = ImportDecision::Add;
    NumberProblem numberProblem = NumberProblem::None;
    std::string heldBy; // AlreadyInList: the name of the buddy, or of the earlier row, with it
    // Where an added buddy goes: the contact's groups, "" for the top level.
    std::vector<std::string> placements;
};

struct ImportPlan {
    std::vector<ImportRow> rows;
    std::vector<std::string> existingGroups; // group lines of the list when it was planned
    std::vector<std::string> emptyGroups;    // groups the file names for no contact
};

// Decides for every contact of the file what the import does with it, against the list as it
// is and the region that national numbers belong to. Numbers are compared in the service's form,
// those of the list read against the same region.
ImportPlan planImport(const BuddyList& list, const ContactBook& book, std::string_view region);

// One service call of an import, as plain data: groups and buddies are named by group name and
// row, since their ids exist only once the service has made them.
struct ImportStep {
    OperationId operation = OperationId::apiAddBuddy; // apiAddBuddyGroup, apiAddBuddy, apiCopyBuddy
    std::size_t row = 0;   // the row it serves; rows.size() for the file's empty groups
    std::string group;     // the group made, added to or copied to; "" is the top level
    std::string fromGroup; // apiCopyBuddy: where this row's buddy was added

    friend bool operator==(const ImportStep&, const ImportStep&) = default;
};

// The calls for the ticked rows that are to be added, row by row: a missing group is created
// just before the first buddy that needs it, the buddy is added to its first placement and
// copied to the others. The file's empty groups come last. ticked may be shorter than the rows;
// a missing entry counts as ticked.
std::vector<ImportStep> importSteps(const ImportPlan& plan, const std::vector<bool>& ticked = {});

const char* importDecisionName(ImportDecision decision);
void PrintTo(const ImportStep& step, std::ostream* os);

} // namespace textowl
