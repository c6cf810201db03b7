#pragma once

// What the store's aggregates take and give: plain rows, no database.

#include "server/store/message_state.h"
#include "server/store/result_codes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace textowl::server {

using AccountId = std::int64_t;

struct BuddyFields {
    std::string firstname, lastname, nickname, cellphone, email, birthday;
};

struct Buddy {
    std::int64_t id = 0;
    BuddyFields fields;
};

struct BuddyGroup {
    std::int64_t id = 0;
    std::string name;
    std::vector<Buddy> members;
};

struct BuddyList {
    std::vector<Buddy> topLevel;
    std::vector<BuddyGroup> groups;
};

struct Account {
    AccountId id = 0;
    std::string name;
    std::string passwordHash;
};

struct OutboxMessage {
    std::int64_t id = 0;
    std::string user, sender, recipient, type;
    bool unicode = false;
    std::string schedule;
    int parts = 0;
    std::string text;
    MessageState state = MessageState::Held;
    std::int64_t stateAt = 0; // Unix seconds of the last change of state
    std::int64_t dueAt = 0;   // Unix seconds; the schedule read in the service's local time
    std::string reportSecret; // carried by the report address the gateway calls
};

// A message claimed for the gateway.
struct ClaimedMessage {
    std::int64_t id = 0;
    std::string sender, recipient, type;
    bool unicode = false;
    std::string text, reportSecret;
    int attempts = 0;          // earlier tries that failed for a passing reason
    std::int64_t firstTry = 0; // Unix seconds of the first claim
};

// What became of one hand-off: the gateway took it, it waits for another try, or it ends here.
struct DispatchAnswer {
    enum class Kind { HandedOver, Retry, Final };
    std::int64_t id = 0;
    Kind kind = Kind::HandedOver;
    std::int64_t nextTry = 0;                       // for Retry
    MessageState finalState = MessageState::Failed; // for Final
    std::string reason;                             // the gateway's refusal, for Final
};

enum class ReportOutcome { Forged, Applied, Unchanged };
enum class SettleOutcome { Settled, NoSuchMessage, NotUnknown };

// One line of an account's history of sent messages.
struct HistoryEntry {
    std::int64_t id = 0;
    std::int64_t dueAt = 0;
    std::string recipient, text;
    int parts = 0;
    MessageState state = MessageState::Held;
    std::int64_t stateAt = 0;
    std::string reason; // why it failed, as the gateway or its report said
};

template <typename T> struct Outcome {
    Err err = Err::Ok;
    T value{};
};

// An account together with its buddy list, for accounts that must appear whole or not at all.
struct AccountSeed {
    struct Member {
        BuddyFields fields;
        std::vector<std::string> groups; // group names; "" is the top level
    };
    std::string name;
    std::string passwordHash;
    std::int64_t balanceCents = 0;
    std::vector<std::string> groups; // created in this order
    std::vector<Member> buddies;     // created and placed in this order
};

} // namespace textowl::server
