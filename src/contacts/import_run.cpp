#include "contacts/import_run.h"

#include "buddylist/buddy_entry.h"
#include "buddylist/buddy_operation.h"
#include "service/utf.h"

#include <algorithm>
#include <utility>

namespace textowl {

int ImportReport::count(RowOutcome outcome) const {
    return static_cast<int>(std::count(rows.begin(), rows.end(), outcome));
}

ImportRun::ImportRun(BuddyList& list, const ImportPlan& plan, const std::vector<bool>& ticked,
                     std::string ticket)
    : m_list(list), m_plan(plan), m_ticket(std::move(ticket)), m_steps(importSteps(plan, ticked)),
      m_addedIds(plan.rows.size()) {
    m_report.rows.assign(plan.rows.size(), RowOutcome::Skipped);
    for (const ImportStep& step : m_steps) {
        if (step.row < plan.rows.size() && (m_rowOrder.empty() || m_rowOrder.back() != step.row)) {
            m_rowOrder.push_back(step.row);
            m_report.rows[step.row] = RowOutcome::NotReached;
        }
    }
    advance();
}

void ImportRun::answer(Status status, const ServiceText& result) {
    if (!m_call)
        return;
    take(status, result);
    advance();
}

void ImportRun::cancel() {
    m_cancelled = true;
    if (m_call && !m_rowBegun) {
        m_call.reset();
        m_stepAt = m_steps.size();
    }
}

void ImportRun::advance() {
    for (;;) {
        if (m_call) {
            // Without a session nothing is asked, and every call fails.
            if (!m_ticket.empty())
                return;
            take(E_FAIL, std::nullopt);
        } else if (!stepOnce()) {
            return;
        }
    }
}

// The steps of each row in turn, then the file's empty groups, which come after every contact.
bool ImportRun::stepOnce() {
    if (m_stepAt >= m_steps.size())
        return false;
    const ImportStep& step = m_steps[m_stepAt];
    const bool rowStep = step.row < m_plan.rows.size();
    if (rowStep && !m_rowOk) {
        endStep(false); // the rest of a row that failed
        return true;
    }
    // The groups the step needs, made when missing; a copy tries both even if the first fails.
    const bool copy = step.operation == OperationId::apiCopyBuddy;
    const std::size_t needs = copy ? 2 : 1;
    if (m_groupsSeen < needs) {
        const std::string& name = copy && m_groupsSeen == 0 ? step.fromGroup : step.group;
        if (groupLine(name)) {
            ++m_groupsSeen;
        } else {
            m_pendingGroup = name;
            ask(Awaiting::Group, OperationId::apiAddBuddyGroup, {name});
        }
        return true;
    }
    if (!m_groupsOk)
        endStep(false);
    else if (!askForStep(step))
        endStep(step.operation == OperationId::apiAddBuddyGroup || !rowStep);
    return true;
}

// False when the step needs no call, or cannot make it.
bool ImportRun::askForStep(const ImportStep& step) {
    switch (step.operation) {
    case OperationId::apiAddBuddy: {
        const BuddyNode* parent = groupLine(step.group);
        const Contact& c = m_plan.rows[step.row].contact;
        BuddyEntry values;
        values.kind = EntryKind::Buddy;
        values.firstName = c.firstName;
        values.lastName = c.lastName;
        values.nickname = c.nickname;
        values.cellPhone = c.cellPhone;
        values.email = c.email;
        values.birthday = c.birthday;
        values.groupId =
            parent->entry.isGroup() ? parent->entry.groupId : std::string(kTopLevelGroupId);
        values.groupName = step.group;
        m_pendingEntry = values;
        m_pendingGroup = step.group;
        ask(Awaiting::Buddy, OperationId::apiAddBuddy,
            {values.groupId, values.firstName, values.lastName, values.nickname, values.cellPhone,
             values.email, values.birthday});
        return true;
    }
    case OperationId::apiCopyBuddy: {
        const BuddyNode* source = groupLine(step.fromGroup);
        const BuddyNode* target = groupLine(step.group);
        if (!source || !target || m_addedIds[step.row].empty())
            return false;
        const BuddyNode* placed = m_list.findBuddy(
            m_addedIds[step.row],
            source->entry.isGroup() ? source->entry.groupId : std::string(kTopLevelGroupId));
        if (!placed)
            return false;
        m_pendingEntry = placedUnder(placed->entry, *target);
        m_pendingGroup = step.group;
        ask(Awaiting::Copy, OperationId::apiCopyBuddy,
            {m_pendingEntry.id, placed->entry.groupId, m_pendingEntry.groupId});
        return true;
    }
    default:
        return false;
    }
}

void ImportRun::take(Status status, const ServiceText& result) {
    m_call.reset();
    m_rowBegun = true;
    const char* element = m_awaiting == Awaiting::Group   ? "bgid"
                          : m_awaiting == Awaiting::Buddy ? "bid"
                                                          : "";
    std::string value;
    const bool ok = succeeded(buddyOperationOutcome(m_ticket, status, result, element, &value));
    switch (m_awaiting) {
    case Awaiting::Group: {
        ++m_groupsSeen;
        const BuddyNode* group =
            ok ? m_list.insert(BuddyEntry::makeGroup(value, m_pendingGroup), m_list.root())
               : nullptr;
        ++(ok ? m_report.groupsCreated : m_report.groupsFailed);
        m_groupsOk = m_groupsOk && group;
        return;
    }
    case Awaiting::Buddy:
        if (ok) {
            m_pendingEntry.id = value;
            m_addedIds[m_steps[m_stepAt].row] = value;
        }
        break;
    case Awaiting::Copy:
        break;
    }
    if (BuddyNode* parent = ok ? groupLine(m_pendingGroup) : nullptr;
        parent && m_list.insert(m_pendingEntry, *parent))
        m_list.sortGroup(*parent);
    endStep(ok);
}

void ImportRun::endStep(bool ok) {
    const std::size_t row = m_steps[m_stepAt].row;
    ++m_stepAt;
    m_groupsSeen = 0;
    m_groupsOk = true;
    if (row < m_plan.rows.size()) {
        m_rowOk = m_rowOk && ok;
        if (m_stepAt < m_steps.size() && m_steps[m_stepAt].row == row)
            return;
        m_report.rows[row] = m_rowOk ? RowOutcome::Added : RowOutcome::Failed;
        ++m_rowsDone;
        m_rowOk = true;
        m_rowBegun = false;
        if (m_cancelled)
            m_stepAt = m_steps.size();
    }
}

void ImportRun::ask(Awaiting awaiting, OperationId operation,
                    const std::vector<std::string>& parameters) {
    ImportCall call{operation, {}};
    call.parameters.reserve(parameters.size() + 1);
    call.parameters.push_back(utf8ToUtf16(m_ticket));
    for (const std::string& parameter : parameters)
        call.parameters.push_back(utf8ToUtf16(parameter));
    m_awaiting = awaiting;
    m_call = std::move(call);
}

BuddyNode* ImportRun::groupLine(const std::string& name) {
    return name.empty() ? &m_list.root() : m_list.findGroupByName(name);
}

} // namespace textowl
