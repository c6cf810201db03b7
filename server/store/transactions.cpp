#include "server/store/transactions.h"

#include <utility>

namespace textowl::server {
namespace {

thread_local SqlDatabase* tLeased = nullptr;

} // namespace

SqlDatabase& db() {
    if (tLeased == nullptr) {
        throw SqlError("a statement ran outside a transaction");
    }
    return *tLeased;
}

Transactions::Use::Use(Transactions& transactions, SqlDatabase::Kind kind)
    : m_lease(transactions.m_pool.lease(kind)), m_previous(std::exchange(tLeased, &*m_lease)) {}

Transactions::Use::~Use() {
    tLeased = m_previous;
}

} // namespace textowl::server
