#pragma once

namespace textowl::server {

// The err attribute of every result document; server/README.md lists them for callers.
enum class Err : int {
    Ok = 0,
    BadTicket = 1,
    BadLogin = 2,
    BadArgument = 3,
    NotFound = 4,
    Duplicate = 5,
    InsufficientCredit = 6,
    Busy = 7,
};

const char* errText(Err err);

} // namespace textowl::server
