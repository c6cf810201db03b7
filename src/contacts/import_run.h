#pragma once

#include "buddylist/buddy_list.h"
#include "contacts/import_plan.h"
#include "service/operation_map.h"
#include "service/status.h"

#include <cstddef>
#include <optional>
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

// One service call of an import: the operation with its in-parameters in order, the ticket first.
struct ImportCall {
    OperationId operation = OperationId::apiAddBuddy;
    std::vector<ServiceText> parameters;
};

// Carries out an import plan, one call at a time, against the service and the session's list: a
// group is created before the first buddy that needs it, the buddy is added to its first group
// and copied to the others, and every accepted call changes the list as the add, create and
// paste commands would. A row whose call fails counts as failed and the next row goes on. The
// run makes no call itself: it hands out the next one and takes its answer, so that whoever
// drives it decides how to wait.
class ImportRun {
public:
    ImportRun(BuddyList& list, const ImportPlan& plan, const std::vector<bool>& ticked,
              std::string ticket);

    // Rows with calls to make, and how many of them are done.
    std::size_t rowsToImport() const { return m_rowOrder.size(); }
    std::size_t rowsImported() const { return m_rowsDone; }
    bool finished() const { return !m_call; }

    // The call to make now, the same until its answer is in; null once the run is finished.
    const ImportCall* nextCall() const { return m_call ? &*m_call : nullptr; }
    // The answer to nextCall(): the call's status and the result text it filled in.
    void answer(Status status, const ServiceText& result);
    // Between an answer and the next call: the row in hand is finished, then nothing more. The
    // rows after it count as not reached and the file's empty groups are not made; a call handed
    // out for a row not begun is taken back.
    void cancel();

    const ImportReport& report() const { return m_report; }

private:
    // What the answer in hand is for.
    enum class Awaiting { Group, Buddy, Copy };

    // Works through the plan up to the next call, or to the end.
    void advance();
    // One piece of work that needs no answer; false when the run is over.
    bool stepOnce();
    void take(Status status, const ServiceText& result);
    void ask(Awaiting awaiting, OperationId operation, const std::vector<std::string>& parameters);
    bool askForStep(const ImportStep& step);
    void endStep(bool ok);
    // The root for "", else the group line of that name; null when the list has none.
    BuddyNode* groupLine(const std::string& name);

    BuddyList& m_list;
    const ImportPlan& m_plan;
    std::string m_ticket;
    std::vector<ImportStep> m_steps;
    std::vector<std::size_t> m_rowOrder; // rows that have steps, in order
    std::vector<std::string> m_addedIds; // per row: the buddy id the service gave
    std::size_t m_rowsDone = 0;
    std::size_t m_stepAt = 0;
    // Within the step in hand: the groups it needs that are seen to, and whether all exist.
    std::size_t m_groupsSeen = 0;
    bool m_groupsOk = true;
    bool m_rowOk = true;
    bool m_rowBegun = false; // an answer of the row in hand, or of the empty groups, is in
    bool m_cancelled = false;
    std::optional<ImportCall> m_call;
    Awaiting m_awaiting = Awaiting::Group;
    // The group being made, or the placement being added or copied, until its answer.
    std::string m_pendingGroup;
    BuddyEntry m_pendingEntry;
    ImportReport m_report;
};

} // namespace textowl
