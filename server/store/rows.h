#pragma once

// Statements that more than one aggregate runs inside its own transaction.

#include "server/store/store_types.h"
#include "server/store/transactions.h"

namespace textowl::server {

// NotFound when the last statement changed no row.
Err changedOrNotFound();
// Binds the six buddy fields to consecutive parameters from first on.
Statement& bindFields(Statement& s, int first, const BuddyFields& f);
std::int64_t insertBuddy(AccountId account, const BuddyFields& f);
std::int64_t insertGroup(AccountId account, const std::string& name);
void insertPlacement(std::int64_t buddyId, std::int64_t groupId);
// Gives the message's credits back to its account.
void refund(std::int64_t messageId);
MessageState stateOf(const Statement& s, int column);
// From the columns id, due_at, recipient, text, parts, state, state_at, reason.
HistoryEntry historyEntry(const Statement& s);

} // namespace textowl::server
