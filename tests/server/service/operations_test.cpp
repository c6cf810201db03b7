#include "server/soap/well_formed.h"
#include "server/store/sqlite/sqlite_db.h"
#include "service_fixture.h"
#include "support/sms_parts_table.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace textowl::server {
namespace {

using testing_support::EveryStoreTest;
using testing_support::Param;
using testing_support::Params;
using testing_support::Reply;
using testing_support::StoreKind;

// Every placement of the buddy list as "buddy-id@group-id", group "0" for the top level.
std::multiset<std::string> placements(const Reply& list) {
    std::multiset<std::string> out;
    const pugi::xml_node root = list.root().child("buddylist");
    for (pugi::xml_node b : root.children("buddy")) {
        out.insert(std::string(b.attribute("id").value()) + "@0");
    }
    for (pugi::xml_node g : root.children("buddygroup")) {
        for (pugi::xml_node b : g.children("buddy")) {
            out.insert(std::string(b.attribute("id").value()) + "@" + g.attribute("id").value());
        }
    }
    return out;
}

class Operations : public EveryStoreTest {
protected:
    Reply list() { return call("apiGetBuddyList", {{"ticket", m_ticket}}); }
    Reply ticketCall(const std::string& op, Params params) {
        params.insert(params.begin(), {"ticket", m_ticket});
        return call(op, params);
    }
    // apiAddBuddy (id named "bgid") or apiUpdateBuddy ("bid") with every field given, in the
    // order first, last, nick, phone, email, birthday.
    std::string buddyCall(const std::string& op, Param id, const BuddyFields& f) {
        return ticketCall(op, {std::move(id),
                               {"firstname", f.firstname},
                               {"lastname", f.lastname},
                               {"nickname", f.nickname},
                               {"cellphone", f.cellphone},
                               {"email", f.email},
                               {"birthday", f.birthday}})
            .err;
    }
    Reply send(const std::string& op, const std::string& to, const std::string& text,
               const std::string& unicode = "0", const std::string& type = "text",
               const std::optional<std::string>& schedule = "2006-3-7 14:05:00") {
        return ticketCall(op, {{"sms_from", ""},
                               {"sms_to", to},
                               {"msg_content", text},
                               {"msg_type", type},
                               {"unicode", unicode},
                               {"schedule", schedule}});
    }

    std::string m_ticket;
};

TEXTOWL_ON_EVERY_STORE(Operations);

TEST_P(Operations, LoginGivesDistinctUnguessableTickets) {
    addUser("alice", "secret", 0);
    const std::string first = login("alice", "secret");
    const std::string second = login("alice", "secret");
    EXPECT_EQ(first.size(), 64u);
    EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(first, second);
}

TEST_P(Operations, LoginRefusesWrongPasswordUnknownUserAndNulls) {
    addUser("alice", "secret", 0);
    const Params refused[] = {{{"user", "alice"}, {"password", "Secret"}},
                              {{"user", "alicia"}, {"password", "secret"}},
                              {{"user", "alice"}, {"password", std::nullopt}},
                              {{"user", std::nullopt}, {"password", "secret"}},
                              {{"user", ""}, {"password", ""}}};
    for (const Params& p : refused) {
        const Reply r = call("apiValidateLogin", p);
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.err, "2") << r.body;
        EXPECT_TRUE(r.child("ticket").empty());
    }
}

TEST_P(Operations, LogoutEndsTheTicketOnce) {
    m_ticket = signedIn();
    EXPECT_EQ(ticketCall("apiLogout", {}).err, "0");
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "1");
    EXPECT_EQ(ticketCall("apiLogout", {}).err, "1");
}

// The client cannot renew a ticket, so a lunch break must not end the session.
TEST_P(Operations, TicketExpiresAfterADayIdleButUseKeepsItAlive) {
    m_ticket = signedIn();
    m_now += 23 * 3600;
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "0");
    m_now += 23 * 3600;
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "0");
    m_now += 24 * 3600 + 1;
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "1");
}

TEST_P(Operations, IdleTimeSetByTheOperatorCountsFromTheLastUseToTheSecond) {
    stopServer();
    m_ticketIdleSeconds = 30 * 60;
    startServer();
    m_ticket = signedIn();
    m_now += 59;
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "0");
    m_now += 30 * 60;
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "0") << "idle for exactly thirty minutes";
    m_now += 30 * 60 + 1;
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "1");
}

TEST_P(Operations, MalformedTicketsAreRefusedByEveryOperation) {
    signedIn();
    const std::optional<std::string> bad[] = {std::nullopt, "", "abc", std::string(64, '0')};
    for (const auto& ticket : bad) {
        EXPECT_EQ(call("apiBalanceSms", {{"ticket", ticket}}).err, "1");
        EXPECT_EQ(call("apiGetBuddyList", {{"ticket", ticket}}).err, "1");
        EXPECT_EQ(call("apiGetInterface", {{"ticket", ticket}}).err, "1");
        EXPECT_EQ(call("apiAddBuddyGroup", {{"ticket", ticket}, {"name", "g"}}).err, "1");
    }
}

TEST_P(Operations, BalanceIsDecimalText) {
    addUser("whole", "secret", 4700);
    addUser("part", "secret", 1250);
    EXPECT_EQ(balance(login("whole", "secret")), "47");
    EXPECT_EQ(balance(login("part", "secret")), "12.50");
}

TEST_P(Operations, BuddyListHasTopLevelBuddiesThenGroupsWithEveryAttribute) {
    m_ticket = signedIn();
    const std::string family = addGroup(m_ticket, "Family");
    const std::string empty = addGroup(m_ticket, "Empty");
    const std::string ann = addBuddy(m_ticket, "0", "Ann");
    const std::string bo = addBuddy(m_ticket, family, "Bo");
    ASSERT_EQ(
        ticketCall("apiCopyBuddy", {{"bid", ann}, {"bgid_from", "0"}, {"bgid_to", family}}).err,
        "0");

    const Reply r = list();
    ASSERT_EQ(r.err, "0");
    const pugi::xml_node buddylist = r.root().child("buddylist");
    const pugi::xml_node top = buddylist.child("buddy");
    for (const char* a :
         {"id", "firstname", "lastname", "nickname", "cellphone", "email", "birthday"}) {
        EXPECT_TRUE(top.attribute(a)) << a;
    }
    EXPECT_STREQ(top.attribute("nickname").value(), "Ann");
    EXPECT_STREQ(top.attribute("birthday").value(), "1980-04-02");
    EXPECT_FALSE(top.next_sibling("buddy"));
    const pugi::xml_node group = buddylist.child("buddygroup");
    EXPECT_EQ(group.attribute("id").value(), family);
    EXPECT_STREQ(group.attribute("name").value(), "Family");
    EXPECT_EQ(placements(r),
              (std::multiset<std::string>{ann + "@0", bo + "@" + family, ann + "@" + family}));
    EXPECT_EQ(group.next_sibling("buddygroup").attribute("id").value(), empty);
}

TEST_P(Operations, TextsWithMarkupAndNonAsciiSurviveTheRoundTrip) {
    m_ticket = signedIn();
    const std::string group = addGroup(m_ticket, "Fam & \"friends\" <3> \xC3\xA9");
    addBuddy(m_ticket, group, "tab\there\nline \xF0\x9F\x98\x80");
    const Reply r = list();
    const pugi::xml_node g = r.root().child("buddylist").child("buddygroup");
    EXPECT_STREQ(g.attribute("name").value(), "Fam & \"friends\" <3> \xC3\xA9");
    EXPECT_STREQ(g.child("buddy").attribute("nickname").value(),
                 "tab\there\nline \xF0\x9F\x98\x80");
}

TEST_P(Operations, AddBuddyRefusesUnknownGroupBadIdsAndNamelessBuddies) {
    m_ticket = signedIn();
    auto add = [&](const std::string& group, const std::string& nick, const std::string& first,
                   const std::string& phone) {
        return buddyCall("apiAddBuddy", {"bgid", group}, {first, "", nick, phone, "", ""});
    };
    EXPECT_EQ(add("999", "Ann", "", "46700000001"), "4");
    EXPECT_EQ(add("x", "Ann", "", "46700000001"), "3");
    EXPECT_EQ(add("-1", "Ann", "", "46700000001"), "3");
    EXPECT_EQ(add("0", "", "", "46700000001"), "3");
    EXPECT_EQ(add("0", "Ann", "", ""), "3");
    EXPECT_EQ(add("0", "", "Ann", "46700000001"), "0");
    EXPECT_EQ(add("0", std::string(300, 'a'), "", "46700000001"), "3");
    EXPECT_EQ(placements(list()).size(), 1u);
}

TEST_P(Operations, UpdateBuddyChangesItInEveryPlace) {
    m_ticket = signedIn();
    const std::string group = addGroup(m_ticket, "G");
    const std::string bid = addBuddy(m_ticket, "0", "Old");
    ticketCall("apiCopyBuddy", {{"bid", bid}, {"bgid_from", "0"}, {"bgid_to", group}});
    EXPECT_EQ(
        buddyCall("apiUpdateBuddy", {"bid", bid}, {"F", "L", "New", "46799999999", "e", "0-00-00"}),
        "0");
    const Reply r = list();
    const pugi::xml_node buddylist = r.root().child("buddylist");
    EXPECT_STREQ(buddylist.child("buddy").attribute("nickname").value(), "New");
    EXPECT_STREQ(buddylist.child("buddygroup").child("buddy").attribute("cellphone").value(),
                 "46799999999");
    EXPECT_EQ(buddyCall("apiUpdateBuddy", {"bid", "999"}, {"F", "", "", "1", "", ""}), "4");
}

TEST_P(Operations, RemoveTakesOnePlacementAndDeleteTakesAll) {
    m_ticket = signedIn();
    const std::string group = addGroup(m_ticket, "G");
    const std::string a = addBuddy(m_ticket, "0", "A");
    const std::string b = addBuddy(m_ticket, "0", "B");
    ticketCall("apiCopyBuddy", {{"bid", a}, {"bgid_from", "0"}, {"bgid_to", group}});
    ticketCall("apiCopyBuddy", {{"bid", b}, {"bgid_from", "0"}, {"bgid_to", group}});

    EXPECT_EQ(ticketCall("apiRemoveBuddy", {{"bid", a}, {"bgid", "0"}}).err, "0");
    EXPECT_EQ(ticketCall("apiRemoveBuddy", {{"bid", a}, {"bgid", "0"}}).err, "4");
    EXPECT_EQ(ticketCall("apiDeleteBuddy", {{"bid", b}}).err, "0");
    EXPECT_EQ(ticketCall("apiDeleteBuddy", {{"bid", b}}).err, "4");
    EXPECT_EQ(placements(list()), std::multiset<std::string>{a + "@" + group});
    EXPECT_EQ(ticketCall("apiRemoveBuddy", {{"bid", a}, {"bgid", "x"}}).err, "3");
}

TEST_P(Operations, CopyAddsAPlacementOnceAndPastesBackAfterACut) {
    m_ticket = signedIn();
    const std::string group = addGroup(m_ticket, "G");
    const std::string a = addBuddy(m_ticket, group, "A");
    auto copy = [&](const std::string& from, const std::string& to) {
        return ticketCall("apiCopyBuddy", {{"bid", a}, {"bgid_from", from}, {"bgid_to", to}}).err;
    };
    EXPECT_EQ(copy(group, "0"), "0");
    EXPECT_EQ(copy(group, "0"), "5");
    EXPECT_EQ(copy(group, group), "5");
    EXPECT_EQ(copy(group, "999"), "4");
    // Cut from the group, then paste back into it: the source names the old location.
    EXPECT_EQ(ticketCall("apiRemoveBuddy", {{"bid", a}, {"bgid", group}}).err, "0");
    EXPECT_EQ(copy(group, group), "0");
    EXPECT_EQ(placements(list()), (std::multiset<std::string>{a + "@0", a + "@" + group}));
}

TEST_P(Operations, MoveShiftsOnePlacement) {
    m_ticket = signedIn();
    const std::string g1 = addGroup(m_ticket, "G1");
    const std::string g2 = addGroup(m_ticket, "G2");
    const std::string a = addBuddy(m_ticket, g1, "A");
    auto move = [&](const std::string& from, const std::string& to) {
        return ticketCall("apiMoveBuddy", {{"bid", a}, {"bgid_from", from}, {"bgid_to", to}}).err;
    };
    EXPECT_EQ(move(g1, g2), "0");
    EXPECT_EQ(move(g1, "0"), "4"); // no longer in g1
    EXPECT_EQ(move(g2, g2), "5");  // already there
    EXPECT_EQ(move(g2, "999"), "4");
    EXPECT_EQ(placements(list()), std::multiset<std::string>{a + "@" + g2});
}

TEST_P(Operations, GroupsAreNamedUniquelyRenamedAndDeletedKeepingTheirLoneMembers) {
    m_ticket = signedIn();
    const std::string family = addGroup(m_ticket, "Family");
    EXPECT_EQ(ticketCall("apiAddBuddyGroup", {{"name", "Family"}}).err, "5");
    EXPECT_EQ(ticketCall("apiAddBuddyGroup", {{"name", " "}}).err, "3");
    EXPECT_EQ(ticketCall("apiAddBuddyGroup", {{"name", std::nullopt}}).err, "3");
    const std::string lower = addGroup(m_ticket, "family");
    EXPECT_NE(family, lower);

    EXPECT_EQ(ticketCall("apiUpdateBuddyGroup", {{"bgid", lower}, {"name", "Family"}}).err, "5");
    EXPECT_EQ(ticketCall("apiUpdateBuddyGroup", {{"bgid", lower}, {"name", "Friends"}}).err, "0");
    EXPECT_EQ(ticketCall("apiUpdateBuddyGroup", {{"bgid", "0"}, {"name", "Top"}}).err, "4");

    // a also sits at the top level, b also in Friends; only lone goes to the top level.
    const std::string a = addBuddy(m_ticket, family, "A");
    ticketCall("apiCopyBuddy", {{"bid", a}, {"bgid_from", family}, {"bgid_to", "0"}});
    const std::string b = addBuddy(m_ticket, family, "B");
    ticketCall("apiCopyBuddy", {{"bid", b}, {"bgid_from", family}, {"bgid_to", lower}});
    const std::string lone = addBuddy(m_ticket, family, "Lone");
    EXPECT_EQ(ticketCall("apiDeleteBuddyGroup", {{"bgid", family}}).err, "0");
    EXPECT_EQ(ticketCall("apiDeleteBuddyGroup", {{"bgid", family}}).err, "4");
    EXPECT_EQ(ticketCall("apiDeleteBuddyGroup", {{"bgid", "0"}}).err, "4");
    const Reply r = list();
    EXPECT_EQ(placements(r), (std::multiset<std::string>{a + "@0", b + "@" + lower, lone + "@0"}));
    EXPECT_STREQ(r.root().child("buddylist").child("buddygroup").attribute("name").value(),
                 "Friends");
}

TEST_P(Operations, SendChargesOneCreditPerPartAndRecipient) {
    m_ticket = signedIn("alice", 1000);
    EXPECT_EQ(send("apiSendSms", "46700000001", "hi").err, "0");
    EXPECT_EQ(balance(m_ticket), "9");
    EXPECT_EQ(send("apiSendSms", "46700000001,46700000002", std::string(161, 'a')).err, "0");
    EXPECT_EQ(balance(m_ticket), "5");
    EXPECT_EQ(send("apiSendSms", "46700000001", "hi", "1").err, "0");
    EXPECT_EQ(balance(m_ticket), "4");

    const auto rows = store().outbox().list("alice");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].sender, "alice");
    EXPECT_EQ(rows[0].schedule, "2006-03-07 14:05:00");
    EXPECT_EQ(rows[1].parts, 2);
    EXPECT_TRUE(rows[3].unicode);
}

// The charge is the part count the client estimates with: every text of its table costs its parts.
TEST_P(Operations, SendChargesWhatThePartCountSays) {
    m_ticket = signedIn("alice", 100000);
    for (const sms_table::SmsPartsCase& c : sms_table::kSmsPartsCases) {
        if (c.text.empty() || invalidUtf8(c.text)) {
            continue; // refused before any charge
        }
        SCOPED_TRACE(c.name);
        const long long before = std::stoll(balance(m_ticket));
        ASSERT_EQ(send("apiSendSms", "46700000001", c.text, c.forceUcs2 ? "1" : "0").err, "0");
        EXPECT_EQ(before - std::stoll(balance(m_ticket)), c.parts);
        const auto rows = store().outbox().list("alice");
        EXPECT_EQ(rows.back().unicode, c.encoding == SmsEncoding::Ucs2);
    }
}

// One account must not send in another's name, whatever the request says.
TEST_P(Operations, SenderIsAlwaysTheAccountsOwnName) {
    m_ticket = signedIn("alice", 1000);
    for (const std::string& from : {std::string("bob"), std::string(), std::string(300, 'x')}) {
        EXPECT_EQ(ticketCall("apiSendSms", {{"sms_from", from},
                                            {"sms_to", "46700000001"},
                                            {"msg_content", "hi"},
                                            {"msg_type", "text"},
                                            {"unicode", "0"},
                                            {"schedule", ""}})
                      .err,
                  "0");
    }
    const auto rows = store().outbox().list(std::nullopt);
    ASSERT_EQ(rows.size(), 3u);
    for (const OutboxMessage& m : rows) {
        EXPECT_EQ(m.sender, "alice");
    }
}

TEST_P(Operations, SendToGroupReachesEveryMemberWithAPhone) {
    m_ticket = signedIn("alice", 1000);
    const std::string group = addGroup(m_ticket, "Family");
    addBuddy(m_ticket, group, "A", "46700000001");
    addBuddy(m_ticket, group, "B", "+46 700 000 002");
    addBuddy(m_ticket, "0", "C", "46700000003");
    EXPECT_EQ(send("apiSendSmsToGroup", "Family", "hello", "0", "flash").err, "0");
    EXPECT_EQ(balance(m_ticket), "8");
    const auto rows = store().outbox().list("alice");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].recipient, "46700000002");
    EXPECT_EQ(rows[1].type, "flash");
    EXPECT_EQ(send("apiSendSmsToGroup", "family", "hello").err, "4");
    addGroup(m_ticket, "Nobody");
    EXPECT_EQ(send("apiSendSmsToGroup", "Nobody", "hello").err, "3");
}

TEST_P(Operations, SendWithoutEnoughCreditChargesAndStoresNothing) {
    m_ticket = signedIn("alice", 200);
    EXPECT_EQ(send("apiSendSms", "46700000001,46700000002,46700000003", "hi").err, "6");
    EXPECT_EQ(balance(m_ticket), "2");
    EXPECT_TRUE(store().outbox().list("alice").empty());
    EXPECT_EQ(send("apiSendSms", "46700000001,46700000002", "hi").err, "0");
    EXPECT_EQ(balance(m_ticket), "0");
}

TEST_P(Operations, SendRefusesMalformedArguments) {
    m_ticket = signedIn("alice", 1000);
    EXPECT_EQ(send("apiSendSms", "", "hi").err, "3");
    EXPECT_EQ(send("apiSendSms", "123", "hi").err, "3");
    EXPECT_EQ(send("apiSendSms", "Family", "hi").err, "3");
    EXPECT_EQ(send("apiSendSms", "46700000001", "").err, "3");
    EXPECT_EQ(send("apiSendSms", "46700000001", "hi", "2").err, "3");
    EXPECT_EQ(send("apiSendSms", "46700000001", "hi", "0", "fax").err, "3");
    EXPECT_EQ(send("apiSendSms", "46700000001", "hi", "0", "text", "2006-02-30 10:00:00").err, "3");
    EXPECT_EQ(balance(m_ticket), "10");
    // Without a schedule the message is due now.
    EXPECT_EQ(send("apiSendSms", "46700000001", "hi", "0", "text", std::nullopt).err, "0");
    EXPECT_EQ(store().outbox().list("alice").at(0).schedule, "2023-11-14 22:13:20");
}

TEST_P(Operations, OneAccountCannotReachAnotherAccountsData) {
    const std::string alice = signedIn("alice", 1000);
    const std::string group = addGroup(alice, "Family");
    const std::string bid = addBuddy(alice, group, "A");
    const std::string mallory = signedIn("mallory", 100);
    m_ticket = mallory;

    EXPECT_EQ(buddyCall("apiUpdateBuddy", {"bid", bid}, {"x", "", "x", "1", "", ""}), "4");
    EXPECT_EQ(ticketCall("apiRemoveBuddy", {{"bid", bid}, {"bgid", group}}).err, "4");
    EXPECT_EQ(ticketCall("apiDeleteBuddy", {{"bid", bid}}).err, "4");
    EXPECT_EQ(
        ticketCall("apiCopyBuddy", {{"bid", bid}, {"bgid_from", group}, {"bgid_to", "0"}}).err,
        "4");
    EXPECT_EQ(
        ticketCall("apiMoveBuddy", {{"bid", bid}, {"bgid_from", group}, {"bgid_to", "0"}}).err,
        "4");
    EXPECT_EQ(ticketCall("apiUpdateBuddyGroup", {{"bgid", group}, {"name", "Mine"}}).err, "4");
    EXPECT_EQ(ticketCall("apiDeleteBuddyGroup", {{"bgid", group}}).err, "4");
    EXPECT_EQ(send("apiSendSmsToGroup", "Family", "hi").err, "4");
    const std::string own = addBuddy(mallory, "0", "M");
    EXPECT_EQ(
        ticketCall("apiCopyBuddy", {{"bid", own}, {"bgid_from", "0"}, {"bgid_to", group}}).err,
        "4");
    EXPECT_EQ(buddyCall("apiAddBuddy", {"bgid", group}, {"x", "", "", "1", "", ""}), "4");

    EXPECT_EQ(placements(list()), std::multiset<std::string>{own + "@0"});
    EXPECT_EQ(balance(mallory), "1");
    m_ticket = alice;
    EXPECT_EQ(placements(list()), std::multiset<std::string>{bid + "@" + group});
    EXPECT_EQ(balance(alice), "10");
}

TEST_P(Operations, InterfaceNamesTabsButtonsFooterAndThisServerAsImageHost) {
    m_ticket = signedIn();
    const Reply r = ticketCall("apiGetInterface", {});
    ASSERT_EQ(r.err, "0");
    const pugi::xml_node ui = r.root().child("interface");
    const std::string host = "127.0.0.1:" + std::to_string(m_server->port());
    int tabs = 0;
    for (pugi::xml_node tab : ui.child("tabs").children("tab")) {
        ++tabs;
        EXPECT_EQ(tab.attribute("imageURI").value(), host);
        EXPECT_FALSE(std::string(tab.attribute("tooltip").value()).empty());
        EXPECT_EQ(std::string(tab.attribute("url").value()).rfind("http://" + host + "/", 0), 0u);
    }
    EXPECT_GE(tabs, 2);
    int buttons = 0;
    for (pugi::xml_node button : ui.child("buttons").children("button")) {
        ++buttons;
        for (const char* a : {"url", "imageURI", "location", "file", "tooltip"}) {
            EXPECT_TRUE(button.attribute(a)) << a;
        }
    }
    EXPECT_GE(buttons, 2);
    EXPECT_EQ(std::string(ui.child("footer").attribute("url").value()),
              "http://" + host + "/pagewright/footer");
}

// A server listening on every address names each client the host it reached the server by;
// a Host header that names no host falls back to the loopback address.
TEST_P(Operations, WildcardListenerNamesTheHostTheClientUsedAsImageHost) {
    m_ticket = signedIn();
    ServerOptions everyAddress;
    everyAddress.front.host = "0.0.0.0";
    PagewrightServer wide(*m_service, store(), everyAddress);
    ASSERT_TRUE(wide.bind());
    wide.start();
    test::LoopbackClient client(wide.port());
    const std::string port = std::to_string(wide.port());
    const std::pair<const char*, std::string> cases[] = {
        {"pagewright.example", "pagewright.example:" + port},
        {"pagewright.example:8080", "pagewright.example:" + port},
        {"[::1]", "[::1]:" + port},
        {"bad host/x", "127.0.0.1:" + port},
        {"", "127.0.0.1:" + port},
    };
    for (const auto& [hostHeader, expected] : cases) {
        const auto res =
            client.post("/pagewright/soapserver.php",
                        testing_support::requestBody("apiGetInterface", {{"ticket", m_ticket}}),
                        "text/xml", {{"Host", hostHeader}});
        ASSERT_TRUE(res);
        const Reply r = testing_support::readReply(res->status, res->body);
        ASSERT_EQ(r.err, "0") << r.body;
        const pugi::xml_node ui = r.root().child("interface");
        EXPECT_EQ(ui.child("tabs").child("tab").attribute("imageURI").value(), expected)
            << hostHeader;
        EXPECT_EQ(std::string(ui.child("footer").attribute("url").value()),
                  "http://" + expected + "/pagewright/footer");
    }
}

// Tests that read or break the SQLite file under the service.
class OperationsOnSqlite : public Operations {};
INSTANTIATE_TEST_SUITE_P(Sqlite, OperationsOnSqlite, testing::Values(StoreKind::Sqlite),
                         testing_support::storeName);

TEST_P(OperationsOnSqlite, DatabaseHoldsNeitherPasswordsNorTickets) {
    m_ticket = signedIn("alice", 100);
    std::string bytes;
    for (const char* suffix : {"", "-wal"}) {
        std::ifstream file(m_dir.file("service.db") + suffix, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        bytes += content.str();
    }
    EXPECT_NE(bytes.find("alice"), std::string::npos);
    EXPECT_EQ(bytes.find("secret"), std::string::npos);
    EXPECT_EQ(bytes.find(m_ticket), std::string::npos);
}

TEST_P(OperationsOnSqlite, StorageFailureIsAServerFault) {
    m_ticket = signedIn();
    SqliteDb other(m_dir.file("service.db"));
    other.exec("DROP TABLE placements");
    const Reply r = list();
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.faultCode, "soap:Server");
    // The storage's own words may name files and tables; they are for the operator only.
    EXPECT_EQ(r.faultString, "internal error");
    EXPECT_NE(diagnostics().find("placements"), std::string::npos) << diagnostics();
    EXPECT_EQ(ticketCall("apiBalanceSms", {}).err, "0");
}

} // namespace
} // namespace textowl::server
