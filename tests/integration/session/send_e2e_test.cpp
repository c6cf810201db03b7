#include "app/page_host.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "server/service/demo_account.h"
#include "service_session_fixture.h"
#include "support/qt/session_state.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <vector>

namespace textowl::testing {
namespace {

// Sending from the window, through the real service, as a user at the keyboard would.
class SendEndToEnd : public SessionEndToEnd {
protected:
    void SetUp() override {
        m_clock = &clock;
        SessionEndToEnd::SetUp();
    }

    QModelIndex lineNamed(BuddyTree& tree, const QString& text) {
        const auto found = tree.model()->match(tree.rootLine(), Qt::DisplayRole, text, 1,
                                               Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? QModelIndex() : found.first();
    }

    // Selects the line and sends the panel-opening command, as a double click does.
    SendPanel* openOn(MainWindow& w, const QString& lineText) {
        BuddyTree* tree = host().controller().buddyTree();
        tree->selectLine(lineNamed(*tree, lineText));
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                           tree->visualRect(tree->selectedLine()).center());
        EXPECT_TRUE(QTest::qWaitFor([&w] { return w.commandState().sending; }, 2000));
        return host().pages().sendPanel();
    }

    // The demo account's cell phones: of the buddy called so, or of everyone in the group.
    static std::vector<std::string> phonesOf(const std::string& firstOrGroup) {
        std::vector<std::string> phones;
        for (const auto& member : server::demoAccount().buddies) {
            const auto& groups = member.groups;
            if (member.fields.firstname == firstOrGroup ||
                std::find(groups.begin(), groups.end(), firstOrGroup) != groups.end())
                phones.push_back(member.fields.cellphone);
        }
        return phones;
    }

    FixedClock clock{{2026, 12, 7, 9, 30, 15}};
};

TEST_F(SendEndToEnd, ABuddyGetsTheMessageTheLogTellsAndTheCreditGoesDown) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const QString balanceBefore = QString::fromStdString(host().session().balance());

    SendPanel* panel = openOn(w, QStringLiteral("Alice"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(host().controller().buddyTree()->isVisible());
    const std::string alice = phonesOf("Alice").at(0);
    EXPECT_EQ(panel->toBox()->text().toStdString(), alice);
    EXPECT_TRUE(panel->messageBox()->hasFocus());
    QTest::keyClicks(panel->messageBox(), QStringLiteral("Hej då"));
    panel->flashBox()->click();
    QTest::mouseClick(panel->sendButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForAnswers(host().session()));

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, QStringLiteral("Message was sent successfully!"));
    EXPECT_EQ(messages()[0].icon, Prompts::Icon::Information);
    EXPECT_TRUE(panel->messageBox()->toPlainText().isEmpty()) << "a message sent is cleared";
    EXPECT_EQ(panel->logText().toStdString(),
              "12/07/26 09:30:15, " + alice + "\nHej då\nStatus: Success\n\n");
    EXPECT_EQ(outbox(), "1\tdemo\tdemo\t" + alice + "\tflash\t0\t2026-12-07 09:30:15\t1\tHej då\n");

    QTest::mouseClick(panel->returnButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForAnswers(host().session())); // the balance, then the list
    EXPECT_FALSE(w.commandState().sending);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(host().controller().buddyTree()->isVisible());
    EXPECT_EQ(QString::fromStdString(host().session().balance()).toDouble(),
              balanceBefore.toDouble() - 1);
}

TEST_F(SendEndToEnd, AGroupOpenedFromItsLineIsSentToTheGroupAtTheScheduledTime) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));

    SendPanel* panel = openOn(w, QStringLiteral("Family"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isGroupMode());
    EXPECT_TRUE(panel->toBox()->isReadOnly());
    panel->scheduleBox()->click();
    panel->schedulePicker()->setDateTime(QDateTime(QDate(2027, 1, 2), QTime(8, 0)));
    panel->messageBox()->setPlainText(QStringLiteral("Dinner at eight"));
    panel->pressSend();
    ASSERT_TRUE(waitForAnswers(host().session()));

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, QStringLiteral("Message was sent successfully!"));
    const std::string rows = outbox();
    const std::vector<std::string> family = phonesOf("Family");
    ASSERT_FALSE(family.empty());
    for (const std::string& phone : family)
        EXPECT_NE(rows.find("\t" + phone + "\ttext\t0\t2027-01-02 08:00:00\t1\tDinner at eight\n"),
                  std::string::npos)
            << rows;
}

TEST_F(SendEndToEnd, AScheduleChosenUnderAnArabicLocaleGoesOutInAsciiDigits) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));

    SendPanel* panel = openOn(w, QStringLiteral("Alice"));
    ASSERT_NE(panel, nullptr);
    // The picker then writes its digits in Arabic-Indic script.
    panel->schedulePicker()->setLocale(QLocale(QLocale::Arabic, QLocale::Egypt));
    panel->scheduleBox()->click();
    panel->schedulePicker()->setDateTime(QDateTime(QDate(2027, 1, 2), QTime(8, 0)));
    ASSERT_FALSE(panel->schedulePicker()->text().contains(QLatin1Char('2')))
        << "the picker shows the locale's own digits";
    panel->messageBox()->setPlainText(QStringLiteral("Dinner at eight"));
    panel->pressSend();
    ASSERT_TRUE(waitForAnswers(host().session()));

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, QStringLiteral("Message was sent successfully!"));
    const std::string alice = phonesOf("Alice").at(0);
    EXPECT_EQ(panel->logText().toStdString().rfind("12/07/26 09:30:15, " + alice + "\n", 0), 0u)
        << panel->logText().toStdString();
    EXPECT_NE(outbox().find("\t" + alice + "\ttext\t0\t2027-01-02 08:00:00\t1\tDinner at eight\n"),
              std::string::npos)
        << outbox();
}

} // namespace
} // namespace textowl::testing
