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
                     std::string ticket, Call call)
    : m_list(list), m_plan(plan), m_ticket(std::move(ticket)), m_call(std::move(call)),
      m_steps(importSteps(plan, ticked)), m_addedIds(plan.rows.size()) {
    m_report.rows.assign(plan.rows.size(), RowOutcome::Skipped);
    for (const ImportStep& step : m_steps) {
        if (step.row < plan.rows.size() && (m_rowOrder.empty() || m_rowOrder.back() != step.row)) {
            m_rowOrder.push_back(step.row);
            m_report.rows[step.row] = RowOutcome::NotReached;
        }
    }
}

bool ImportRun::runNextRow() {
    if (m_next >= m_rowOrder.size()) {
        // The file's empty groups come last, after every contact.
        if (m_emptyGroupsDone)
            return false;
        for (; m_stepAt < m_steps.size(); ++m_stepAt)
            groupFor(m_steps[m_stepAt].group);
        m_emptyGroupsDone = true;
        return true;
    }
    const std::size_t row = m_rowOrder[m_next++];
    bool ok = true;
    for (; m_stepAt < m_steps.size() && m_steps[m_stepAt].row == row; ++m_stepAt) {
        const ImportStep& step = m_steps[m_stepAt];
        if (!ok)
            continue;
        switch (step.operation) {
        case OperationId::apiAddBuddyGroup:
            ok = groupFor(step.group) != nullptr;
            break;
        case OperationId::apiAddBuddy:
            ok = addBuddy(row, step.group);
            break;
        case OperationId::apiCopyBuddy:
            ok = copyBuddy(row, step.fromGroup, step.group);
            break;
        default:
            ok = false;
        }
    }
    m_report.rows[row] = ok ? RowOutcome::Added : RowOutcome::Failed;
    return true;
}

void ImportRun::cancel() {
    m_next = m_rowOrder.size();
    m_stepAt = m_steps.size();
    m_emptyGroupsDone = true;
}

// The group line of that name, created on the service when the list has none; the root for "".
BuddyNode* ImportRun::groupFor(const std::string& name) {
    if (name.empty())
        return &m_list.root();
    if (BuddyNode* group = m_list.findGroupByName(name))
        return group;
    std::string bgid;
    if (!run(OperationId::apiAddBuddyGroup, {name}, "bgid", &bgid)) {
        ++m_report.groupsFailed;
        return nullptr;
    }
    ++m_report.groupsCreated;
    return m_list.insert(BuddyEntry::makeGroup(bgid, name), m_list.root());
}

bool ImportRun::addBuddy(std::size_t row, const std::string& group) {
    BuddyNode* parent = groupFor(group);
    if (!parent)
        return false;
    const Contact& c = m_plan.rows[row].contact;
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
    values.groupName = group;
    if (!run(OperationId::apiAddBuddy,
             {values.groupId, values.firstName, values.lastName, values.nickname, values.cellPhone,
              values.email, values.birthday},
             "bid", &values.id))
        return false;
    m_addedIds[row] = values.id;
    if (m_list.insert(values, *parent))
        m_list.sortGroup(*parent);
    return true;
}

bool ImportRun::copyBuddy(std::size_t row, const std::string& from, const std::string& to) {
    BuddyNode* source = groupFor(from);
    BuddyNode* target = groupFor(to);
    if (!source || !target || m_addedIds[row].empty())
        return false;
    BuddyNode* placed =
        m_list.findBuddy(m_addedIds[row], source->entry.isGroup() ? source->entry.groupId
                                                                  : std::string(kTopLevelGroupId));
    if (!placed)
        return false;
    const BuddyEntry copy = placedUnder(placed->entry, *target);
    if (!run(OperationId::apiCopyBuddy, {copy.id, placed->entry.groupId, copy.groupId}))
        return false;
    if (m_list.insert(copy, *target))
        m_list.sortGroup(*target);
    return true;
}

bool ImportRun::run(OperationId operation, std::vector<std::string> parameters,
                    std::string_view element, std::string* value) {
    std::vector<ServiceText> wire;
    wire.reserve(parameters.size() + 1);
    wire.push_back(utf8ToUtf16(m_ticket));
    for (const std::string& parameter : parameters)
        wire.push_back(utf8ToUtf16(parameter));
    const ServiceCall call = [&](ServiceText& result) { return m_call(operation, wire, &result); };
    return succeeded(runBuddyOperation(m_ticket, call, element, value));
}

} // namespace textowl
