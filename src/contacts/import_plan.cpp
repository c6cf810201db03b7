#include "contacts/import_plan.h"

#include "contacts/text_encoding.h"

#include <algorithm>
#include <map>
#include <ostream>
#include <set>
#include <utility>

namespace textowl {

namespace {

// The list keeps numbers in the service's form, valid or not; one typed in some other way is
// read against the region as a last resort.
std::string comparableNumber(std::string_view stored, std::string_view region) {
    if (std::string digits = storedServiceNumber(stored); !digits.empty())
        return digits;
    const ServiceNumber number = serviceNumber(stored, region);
    return number.ok() ? number.digits : std::string(trimmed(stored));
}

// The first of the contact's numbers that is valid in the region; when none is, the problem of
// the one the file gives first.
ServiceNumber chosenNumber(const Contact& contact, std::string_view region) {
    const ServiceNumber first = serviceNumber(contact.cellPhone, region);
    if (first.ok())
        return first;
    for (const std::string& other : contact.otherPhones) {
        if (ServiceNumber number = serviceNumber(other, region); number.ok())
            return number;
    }
    return first;
}

// Every number the list holds, wherever it sits, with the name it is listed under.
std::map<std::string, std::string> numbersOf(const BuddyList& list, std::string_view region) {
    std::map<std::string, std::string> numbers;
    const auto hold = [&](const BuddyEntry& buddy) {
        numbers.emplace(comparableNumber(buddy.cellPhone, region), displayName(buddy));
    };
    for (const auto& child : list.root().children) {
        if (child->entry.isBuddy())
            hold(child->entry);
        for (const auto& buddy : child->children) {
            if (buddy->entry.isBuddy())
                hold(buddy->entry);
        }
    }
    return numbers;
}

bool contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

ImportPlan planImport(const BuddyList& list, const ContactBook& book, std::string_view region) {
    ImportPlan plan;
    plan.existingGroups = list.groupNames();
    std::map<std::string, std::string> held = numbersOf(list, region);
    for (const Contact& contact : book.contacts) {
        ImportRow row;
        row.contact = contact;
        const ServiceNumber number = chosenNumber(contact, region);
        if (number.ok())
            row.contact.cellPhone = number.digits;
        if (!number.ok()) {
            row.decision = ImportDecision::NoValidNumber;
            row.numberProblem = number.problem;
        } else if (const std::string_view name =
                       displayName(contact.nickname, contact.firstName, contact.lastName);
                   name.empty()) {
            row.decision = ImportDecision::NoName;
        } else if (const auto [at, added] = held.emplace(number.digits, name); !added) {
            // A second buddy with the number would be the same person twice.
            row.decision = ImportDecision::AlreadyInList;
            row.heldBy = at->second;
        } else {
            row.placements = contact.groups.empty() ? std::vector<std::string>{""} : contact.groups;
            if (contact.topLevel && !contact.groups.empty())
                row.placements.insert(row.placements.begin(), "");
        }
        plan.rows.push_back(std::move(row));
    }
    for (const std::string& group : book.groups) {
        const bool named = std::any_of(book.contacts.begin(), book.contacts.end(),
                                       [&](const Contact& c) { return contains(c.groups, group); });
        if (!named && !contains(plan.existingGroups, group))
            plan.emptyGroups.push_back(group);
    }
    return plan;
}

std::vector<ImportStep> importSteps(const ImportPlan& plan, const std::vector<bool>& ticked) {
    std::vector<ImportStep> steps;
    std::vector<std::string> groups = plan.existingGroups;
    const auto ensureGroup = [&](const std::string& group, std::size_t row) {
        if (!group.empty() && !contains(groups, group)) {
            groups.push_back(group);
            steps.push_back({OperationId::apiAddBuddyGroup, row, group, {}});
        }
    };
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        const ImportRow& row = plan.rows[i];
        if (row.decision != ImportDecision::Add || (i < ticked.size() && !ticked[i]))
            continue;
        for (const std::string& group : row.placements)
            ensureGroup(group, i);
        const std::string& first = row.placements.front();
        steps.push_back({OperationId::apiAddBuddy, i, first, {}});
        for (std::size_t p = 1; p < row.placements.size(); ++p)
            steps.push_back({OperationId::apiCopyBuddy, i, row.placements[p], first});
    }
    for (const std::string& group : plan.emptyGroups)
        ensureGroup(group, plan.rows.size());
    return steps;
}

const char* importDecisionName(ImportDecision decision) {
    switch (decision) {
    case ImportDecision::Add:
        return "Add";
    case ImportDecision::AlreadyInList:
        return "AlreadyInList";
    case ImportDecision::NoValidNumber:
        return "NoValidNumber";
    case ImportDecision::NoName:
        return "NoName";
    }
    return "?";
}

void PrintTo(const ImportStep& step, std::ostream* os) {
    *os << operationMap(step.operation).name << "(row " << step.row << ", \"" << step.group << "\"";
    if (!step.fromGroup.empty())
        *os << " from \"" << step.fromGroup << "\"";
    *os << ")";
}

} // namespace textowl
