#pragma once

namespace textowl::server {

class Transactions;

// Creates the tables, or brings an older database up to date. Throws SqlError when the database
// was written by a newer version of this program.
void prepareSchema(Transactions& transactions);

} // namespace textowl::server
