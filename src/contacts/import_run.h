#pragma once

#include "buddylist/buddy_list.h"
#include "contacts/import_plan.h"
#include "service/status.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace textowl {

enum class RowOutcome : int {
    Skipped = 0, // the plan skips it, or the user unticked it
    Added,
    Failed,     // the service refused a call the row needed
    NotReached, // the import was cancelled before it
};

struct ImportReport {
    std::vector<RowOutcome> rows; // one per row of the plan
    int groupsCreated = 0;
    int groupsFailed = 0;

    int count(RowOutcome outcome) const;
};

// Carries out an import plan, one row at a time, against the service and the session's list: a
// group is created before the first buddy that needs it, the buddy is added to its first group
// and copied to the others, and every accepted call changes the list as the add, create and
// paste commands would. A row whose call fails counts as failed and the next row goes on.
class ImportRun {
public:
    // One service call: the operation with its in-parameters in order, the ticket first.
    using Call = std::function<Status(
        OperationId operation, std::span<const ServiceText> parameters, ServiceText* result)>;

    ImportRun(BuddyList& list, const ImportPlan& plan, const std::vector<bool>& ticked,
              std::string ticket, Call call);

    // Rows with calls to make, and how many of them are done.
    std::size_t rowsToImport() const { return m_rowOrder.size(); }
    std::size_t rowsImported() const { return m_next; }
    bool finished() const { return m_next >= m_rowOrder.size() && m_emptyGroupsDone; }

    // The calls of the next row; false when nothing is left.
    bool runNextRow();
    // Everything left: rows count as not reached, the file's empty groups are not made.
    void cancel();

    const ImportReport& report() const { return m_report; }

private:
    BuddyNode* groupFor(const std::string& name);
    bool addBuddy(std::size_t row, const std::string& group);
    bool copyBuddy(std::size_t row, const std::string& from, const std::string& to);
    bool run(OperationId operation, std::vector<std::string> parameters,
             std::string_view element = {}, std::string* value = nullptr);

    BuddyList& m_list;
    const ImportPlan& m_plan;
    std::string m_ticket;
    Call m_call;
    std::vector<ImportStep> m_steps;
    std::vector<std::size_t> m_rowOrder; // rows that have steps, in order
    std::vector<std::string> m_addedIds; // per row: the buddy id the service gave
    std::size_t m_next = 0;
    std::size_t m_stepAt = 0;
    bool m_emptyGroupsDone = false;
    ImportReport m_report;
};

} // namespace textowl
