#include "server/store/sqlite/sqlite_db.h"
#include "service_fixture.h"

#include <vector>

namespace textowl::server {
namespace {

using testing_support::Reply;
using testing_support::ServiceTest;

class DemoAccount : public ServiceTest {
protected:
    std::optional<Store::Totals> demoTotals() {
        const auto demo = store().accounts().find("demo");
        return demo ? std::optional(store().totals(demo->id)) : std::nullopt;
    }

    static void expectComplete(const std::optional<Store::Totals>& totals) {
        ASSERT_TRUE(totals);
        EXPECT_EQ(totals->buddies, 6);
        EXPECT_EQ(totals->groups, 2);
        EXPECT_EQ(totals->placements, 7);
        EXPECT_EQ(totals->messages, 0);
    }

    static std::vector<std::string> nicknamesOrFirstNames(pugi::xml_node parent) {
        std::vector<std::string> names;
        for (pugi::xml_node b : parent.children("buddy")) {
            const std::string nick = b.attribute("nickname").value();
            names.push_back(nick.empty() ? b.attribute("firstname").value() : nick);
        }
        return names;
    }
};

TEST_F(DemoAccount, SignsInWithFiftyCreditsThreeTopLevelBuddiesAndTwoGroups) {
    m_service->ensureDemoAccount();
    const std::string ticket = login("demo", "demo");
    EXPECT_EQ(balance(ticket), "50");
    const Reply list = call("apiGetBuddyList", {{"ticket", ticket}});
    const pugi::xml_node buddylist = list.root().child("buddylist");
    EXPECT_EQ(nicknamesOrFirstNames(buddylist),
              (std::vector<std::string>{"Alice", "Bobby", "Carl"}));
    const pugi::xml_node family = buddylist.child("buddygroup");
    const pugi::xml_node work = family.next_sibling("buddygroup");
    EXPECT_STREQ(family.attribute("name").value(), "Family");
    EXPECT_EQ(nicknamesOrFirstNames(family), (std::vector<std::string>{"Mum", "Erik"}));
    EXPECT_STREQ(work.attribute("name").value(), "Work");
    EXPECT_EQ(nicknamesOrFirstNames(work), (std::vector<std::string>{"Bobby", "Frida"}));
    // Bobby is one buddy placed twice, not two copies.
    EXPECT_STREQ(work.child("buddy").attribute("id").value(),
                 buddylist.child("buddy").next_sibling("buddy").attribute("id").value());
}

TEST_F(DemoAccount, SettingUpAgainAddsNothing) {
    m_service->ensureDemoAccount();
    m_service->ensureDemoAccount();
    expectComplete(demoTotals());
}

TEST_F(DemoAccount, InterruptedSetUpLeavesNoAccountAndTheNextStartCompletesIt) {
    SqliteDb other(m_dir.file("service.db"));
    other.exec("CREATE TRIGGER stop_halfway BEFORE INSERT ON placements"
               " WHEN (SELECT count(*) FROM placements) >= 4"
               " BEGIN SELECT RAISE(ABORT, 'stopped halfway'); END");
    EXPECT_THROW(m_service->ensureDemoAccount(), SqlError);
    EXPECT_FALSE(demoTotals());

    other.exec("DROP TRIGGER stop_halfway");
    m_service->ensureDemoAccount();
    expectComplete(demoTotals());
}

} // namespace
} // namespace textowl::server
