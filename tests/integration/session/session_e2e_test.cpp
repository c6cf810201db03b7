#include "buddylist/buddy_tree.h"
#include "server/service/demo_account.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "service_session_fixture.h"
#include "support/qt/session_state.h"
#include "ui/main_surface.h"
#include "ui/tray_icon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace textowl::testing {
namespace {

TEST_F(SessionEndToEnd, DemoSignInShowsTheTreeTheBalanceAndTheUserInTheTitle) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));

    const WindowState& s = w.commandState();
    EXPECT_TRUE(s.signedIn);
    EXPECT_FALSE(s.signingIn);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Textowl - demo"));
    EXPECT_TRUE(w.signInButton()->isHidden());
    EXPECT_TRUE(w.registerButton()->isHidden());
    EXPECT_EQ(w.mainMenu().action(kCmdSignInOut)->text(), QStringLiteral("Sign &Out"));
    for (int id : {kCmdAddContact, kCmdEditContact, kCmdAddGroup, kCmdTerms, kCmdAbout})
        EXPECT_TRUE(w.mainMenu().action(id)->isEnabled()) << id;

    BuddyTree* tree = host().controller().buddyTree();
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->isVisible());
    // The service's interface names a footer, so the page leaves room for it and the links.
    EXPECT_EQ(tree->geometry(),
              QRect(36, 74, w.surface()->width() - 41, w.surface()->height() - 169));
    w.resize(400, 600);
    QCoreApplication::processEvents();
    ASSERT_EQ(w.surface()->width(), 400);
    EXPECT_EQ(tree->geometry(),
              QRect(36, 74, w.surface()->width() - 41, w.surface()->height() - 169))
        << "the page follows the window's size";
    EXPECT_EQ(tree->selectedLine(), tree->rootLine());
    // The root line is no buddy: selecting it settles the clipboard flags off.
    EXPECT_FALSE(s.cutEnabled || s.copyEnabled || s.deleteEnabled);
    EXPECT_TRUE(tree->lineOf(tree->list().findGroupByName("Family")).isValid());
    EXPECT_TRUE(tree->lineOf(tree->list().findGroupByName("Work")).isValid());
    QStringList topLevel;
    for (int i = 0; i < tree->model()->rowCount(tree->rootLine()); ++i)
        topLevel << tree->model()->index(i, 0, tree->rootLine()).data().toString();
    // The top-level buddies in the order they were placed, then the groups in theirs.
    QStringList expected;
    for (const auto& member : server::demoAccount().buddies) {
        const auto& f = member.fields;
        if (std::find(member.groups.begin(), member.groups.end(), "") != member.groups.end())
            expected << QString::fromStdString(
                std::string(displayName(f.nickname, f.firstname, f.lastname)));
    }
    for (const std::string& group : server::demoAccount().groups)
        expected << QString::fromStdString(group);
    EXPECT_EQ(topLevel, expected);

    const std::string balance = askService("balance", host().session().ticket(), "balance");
    ASSERT_FALSE(balance.empty());
    EXPECT_EQ(QString::fromStdString(host().session().balance()), QString::fromStdString(balance));
    EXPECT_EQ(w.surface()->headerTexts().user, QStringLiteral("demo"));
    EXPECT_EQ(w.surface()->headerTexts().balanceLine, QStringLiteral("Credits: ") +
                                                          QString::fromStdString(balance) +
                                                          QStringLiteral(" \u20ac"));
    EXPECT_TRUE(host().session().interfaceDescription().has_value());
    EXPECT_TRUE(messages().empty());
}

TEST_F(SessionEndToEnd, WrongPasswordShowsTheFailureAndChangesNothing) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("wrong"));

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text,
              QStringLiteral("Unable to login at this time.  Please try your request again "
                             "later..."));
    EXPECT_EQ(messages()[0].caption, QStringLiteral("Textowl Message"));
    EXPECT_EQ(messages()[0].icon, Prompts::Icon::Error);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Textowl 2006 v.1.0"));
    EXPECT_EQ(w.surface()->view(), ViewKind::SignedOut);
    EXPECT_FALSE(w.signInButton()->isHidden());
    EXPECT_TRUE(host().session().ticket().empty());
    EXPECT_FALSE(host().controller().loadTimer().isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "no busy cursor left behind";

    // The user may simply try again.
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_TRUE(w.commandState().signedIn);
}

TEST_F(SessionEndToEnd, SignOutReleasesTheTicketAndDestroysTheTree) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const std::string ticket = host().session().ticket();
    ASSERT_TRUE(ticketWorks(ticket));
    QPointer<BuddyTree> tree = host().controller().buddyTree();
    ASSERT_FALSE(tree.isNull());

    router().runCommand(kCmdSignInOut);
    ASSERT_TRUE(waitForAnswers(host().session()));

    EXPECT_TRUE(tree.isNull());
    expectSignedOutView(w, kAppTitle);
    EXPECT_EQ(w.surface()->view(), ViewKind::SignedOut);
    EXPECT_FALSE(ticketWorks(ticket)) << "the service still honours the ticket";
    EXPECT_FALSE(host().session().interfaceDescription().has_value());
}

TEST_F(SessionEndToEnd, SigningInAgainAfterSignOutLoadsAFreshSession) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const std::string first = host().session().ticket();
    router().runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));

    EXPECT_TRUE(w.commandState().signedIn);
    EXPECT_NE(host().session().ticket(), first);
    ASSERT_NE(host().controller().buddyTree(), nullptr);
    BuddyTree* tree = host().controller().buddyTree();
    EXPECT_EQ(tree->model()->rowCount(tree->rootLine()), 5);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Textowl - demo"));
}

TEST_F(SessionEndToEnd, ReturningToTheListRefreshesTheBalance) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const QString before = QString::fromStdString(host().session().balance());
    // Spend a credit from another client of the same session.
    ServiceProxy other(m_endpoint);
    ServiceText result;
    const ServiceText t = utf8ToUtf16(host().session().ticket());
    ASSERT_EQ(other.apiSendSms(t, utf8ToUtf16("demo"), utf8ToUtf16("46701234567"),
                               utf8ToUtf16("hi"), utf8ToUtf16("text"), utf8ToUtf16("0"),
                               utf8ToUtf16(""), &result),
              S_OK);

    host().returnToBuddyList();
    ASSERT_TRUE(waitForAnswers(host().session()));

    EXPECT_NE(QString::fromStdString(host().session().balance()), before);
    EXPECT_EQ(QString::fromStdString(host().session().balance()).toStdString(),
              askService("balance", host().session().ticket(), "balance"));
    EXPECT_TRUE(w.surface()->headerTexts().balanceLine.contains(
        QString::fromStdString(host().session().balance())));
    EXPECT_TRUE(host().controller().buddyTree()->isVisible());
}

TEST_F(SessionEndToEnd, SwitchingLanguageWhileSignedInKeepsTheSessionAndItsTexts) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const QString balanceLine = w.surface()->headerTexts().balanceLine;
    router().runCommand(kCmdLanguageFirst + 1); // Svenska

    EXPECT_TRUE(w.commandState().signedIn);
    EXPECT_EQ(w.mainMenu().action(kCmdSignInOut)->text(), QStringLiteral("&Logga ut"));
    EXPECT_EQ(w.surface()->headerTexts().user, QStringLiteral("demo"));
    EXPECT_EQ(w.surface()->headerTexts().balanceLine, balanceLine);
    ASSERT_NE(host().controller().buddyTree(), nullptr);
    EXPECT_EQ(host().controller().buddyTree()->rootLine().data().toString(),
              QStringLiteral("Min kontaktlista"));
}

TEST_F(SessionEndToEnd, ExitSignsOutOnTheServiceBeforeTheLoopEnds) {
    MainWindow& w = open(true);
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const std::string ticket = host().session().ticket();
    QTimer::singleShot(0, &w, [this] { tray().icon().menu()->actions().at(1)->trigger(); });
    EXPECT_EQ(QApplication::exec(), kExitCodeNormal);
    EXPECT_FALSE(ticketWorks(ticket));
    EXPECT_EQ(host().controller().buddyTree(), nullptr);
}

TEST_F(SessionEndToEnd, FileExitSignsOutWhereThereIsNoTray) {
    MainWindow& w = open(false);
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const std::string ticket = host().session().ticket();
    QTimer::singleShot(0, &w, [&w] { w.mainMenu().action(kCmdExit)->trigger(); });
    EXPECT_EQ(QApplication::exec(), kExitCodeNormal);
    EXPECT_FALSE(ticketWorks(ticket));
}

} // namespace
} // namespace textowl::testing
