#include "server/store/rows.h"

namespace textowl::server {

Err changedOrNotFound() {
    return db().changes() == 0 ? Err::NotFound : Err::Ok;
}

std::int64_t insertBuddy(AccountId account, const BuddyFields& f) {
    Statement insert(db(), "INSERT INTO buddies(account_id, firstname, lastname, nickname,"
                           " cellphone, email, birthday) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    bindFields(insert.bind(1, account), 2, f).run();
    return db().lastInsertId();
}

std::int64_t insertGroup(AccountId account, const std::string& name) {
    Statement(db(), "INSERT INTO buddy_groups(account_id, name) VALUES(?1, ?2)")
        .bind(1, account)
        .bind(2, name)
        .run();
    return db().lastInsertId();
}

void insertPlacement(std::int64_t buddyId, std::int64_t groupId) {
    Statement(db(), "INSERT INTO placements(buddy_id, group_id) VALUES(?1, ?2)")
        .bind(1, buddyId)
        .bind(2, groupId)
        .run();
}

void refund(std::int64_t messageId) {
    Statement(db(), "UPDATE accounts SET balance_cents = balance_cents + 100 *"
                    " (SELECT parts FROM outbox WHERE id = ?1)"
                    " WHERE id = (SELECT account_id FROM outbox WHERE id = ?1)")
        .bind(1, messageId)
        .run();
}

HistoryEntry historyEntry(const Statement& s) {
    return HistoryEntry{
        s.integer(0),  s.integer(1), s.text(2), s.text(3), static_cast<int>(s.integer(4)),
        stateOf(s, 5), s.integer(6), s.text(7)};
}

Statement& bindFields(Statement& s, int first, const BuddyFields& f) {
    return s.bind(first, f.firstname)
        .bind(first + 1, f.lastname)
        .bind(first + 2, f.nickname)
        .bind(first + 3, f.cellphone)
        .bind(first + 4, f.email)
        .bind(first + 5, f.birthday);
}

MessageState stateOf(const Statement& s, int column) {
    return parseStateName(s.text(column)).value_or(MessageState::Unknown);
}

} // namespace textowl::server
