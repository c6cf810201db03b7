#include "app/page_host.h"
#include "app/session_rules.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "service/service_proxy.h"
#include "support/qt/session_state.h"
#include "ui/image_button.h"
#include "ui/interface_description.h"
#include "ui/main_surface.h"
#include "ui/tab_strip.h"
#include "window_fixture.h"

#include <QApplication>
#include <QTest>

namespace textowl::testing {
namespace {

// Tabs, buttons and footer from a description, with web views that only record where they
// were sent and icons that fall back at once (no image host is named).
class PageHostTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        m_window = &open();
        m_window->show();
        host().session().begin("ann", "ab12");
        BuddyEntry root = BuddyEntry::makeRoot();
        root.children.push_back(BuddyEntry::makeGroup("7", "Work"));
        BuddyList& list = host().session().adoptList(std::move(root));
        auto* tree = new BuddyTree(list, QPixmap(), {}, m_window->surface());
        auto* panel = new SendPanel({host().session(), host().calls(), m_window->prompts(),
                                     m_window->catalogue(), host().context().clock},
                                    &m_window->skin(), m_window->surface());
        pages().setPages(tree, panel);
        pages().buildInterface(*readInterfaceDescription(std::string_view(kDescription)), [] {});
        ASSERT_TRUE(waitForAnswers(host().session()));
    }

    PageHost& pages() { return host().pages(); }
    RecordingWebView* webTab(int index) {
        return static_cast<RecordingWebView*>(pages().webTabView(index));
    }
    static QRect area(const PixelRect& a) { return {a.x, a.y, a.width, a.height}; }
    void clickTab(int index) {
        TabStrip* strip = pages().tabStrip();
        QTest::mouseClick(strip, Qt::LeftButton, {},
                          strip->tabRect(index).center() - QPoint(0, TabStrip::kTop));
    }

    static constexpr const char* kDescription = R"(<r err="0"><interface>
      <tabs>
        <tab url="http://pages.test/news" imageURI="" location="" file="" tooltip="News"/>
        <tab url="http://pages.test/help" imageURI="" location="" file="" tooltip="Help"/>
      </tabs>
      <buttons>
        <button url="http://pages.test/account" imageURI="" location="" file="" tooltip="A"/>
        <button url="http://pages.test/skipped" imageURI="" location="" file=""/>
        <button url="http://pages.test/credit?x=1" imageURI="" location="" file="" tooltip="C"/>
      </buttons>
      <footer url="http://pages.test/footer"/>
    </interface></r>)";

    MainWindow* m_window = nullptr;
};

TEST_F(PageHostTest, ButtonsTabsAndFooterStandWhereTheyBelongAndOpenTheirPages) {
    const int w = m_window->surface()->width();
    const int h = m_window->surface()->height();
    ASSERT_NE(pages().interfaceButton(2000), nullptr);
    EXPECT_EQ(pages().interfaceButton(2001), nullptr) << "the element without a tooltip";
    // The first element's button at the left of the header, the others from its right edge.
    const QRect first = pages().interfaceButton(2000)->geometry();
    const QRect third = pages().interfaceButton(2002)->geometry();
    EXPECT_EQ(first.top(), third.top());
    EXPECT_LT(first.right(), w / 2);
    EXPECT_GT(third.left(), w / 2);
    EXPECT_TRUE(m_window->surface()->rect().contains(third));
    EXPECT_EQ(pages().tabCount(), 3);
    EXPECT_EQ(webTab(1)->visited, QList<QUrl>{QUrl(QStringLiteral("http://pages.test/news"))});
    ASSERT_NE(pages().footerView(), nullptr);
    const QRect footer = pages().footerView()->geometry();
    const QRect page = pages().buddyTree()->geometry();
    EXPECT_EQ(page, area(pageArea(w, h, true)));
    EXPECT_FALSE(footer.intersects(page));
    EXPECT_GT(footer.top(), page.bottom());
    EXPECT_TRUE(m_window->surface()->rect().contains(footer));

    router().runCommand(2002);
    EXPECT_EQ(webTab(1)->address(),
              QUrl(QStringLiteral("http://pages.test/credit?x=1&ticket=ab12")));
    EXPECT_EQ(pages().currentTab(), 1);
    EXPECT_TRUE(webTab(1)->isVisible());
    EXPECT_FALSE(pages().buddyTree()->isVisible());

    clickTab(2);
    EXPECT_EQ(pages().currentTab(), 2);
    WindowState signedIn = m_window->commandState();
    signedIn.signedIn = true;
    enterState(*m_window, host().session(), signedIn);
    m_window->showContextMenu(LineKind::Root, m_window->mapToGlobal(QPoint(150, 200)));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no buddy pop-up on a web tab";
    EXPECT_TRUE(webTab(2)->isVisible());
    EXPECT_FALSE(webTab(1)->isVisible());
    clickTab(0);
    EXPECT_TRUE(pages().buddyTree()->isVisible());
}

TEST_F(PageHostTest, ATabClickWhileSendingReturnsToTheList) {
    router().runCommand(kCmdSendMessage);
    ASSERT_TRUE(pages().isSending());
    EXPECT_TRUE(pages().sendPanel()->isVisible());
    const QSize client = m_window->surface()->size();
    const QRect panel = pages().sendPanel()->geometry();
    EXPECT_EQ(panel, area(sendingPageArea(client.width(), client.height())));
    // The panel's frame lies over the tabs' right edge, and stays in sight there.
    const QPoint frameLine(panel.left() + 1, pages().tabStrip()->tabRect(0).center().y());
    const QWidget* atFrame = m_window->surface()->childAt(frameLine);
    EXPECT_TRUE(atFrame == pages().sendPanel() || pages().sendPanel()->isAncestorOf(atFrame));

    clickTab(2);
    ASSERT_TRUE(waitForAnswers(host().session())); // the balance, then the list
    EXPECT_FALSE(pages().isSending());
    EXPECT_FALSE(m_window->commandState().sending);
    EXPECT_EQ(pages().currentTab(), 0);
    EXPECT_TRUE(pages().buddyTree()->isVisible());
    EXPECT_FALSE(pages().sendPanel()->isVisible());
}

TEST_F(PageHostTest, FooterLinksOpenInTheFirstWebTabWhoseOwnPageASecondClickBringsBack) {
    auto* footer = static_cast<RecordingWebView*>(pages().footerView());
    ASSERT_TRUE(footer->keepsPage());
    const QUrl terms(QStringLiteral("http://pages.test/terms"));
    emit footer->navigationHandedOver(terms);
    EXPECT_EQ(footer->visited.size(), 1);
    EXPECT_EQ(pages().currentTab(), 1);
    EXPECT_EQ(webTab(1)->address(), terms);

    clickTab(1);
    EXPECT_EQ(webTab(1)->address(), QUrl(QStringLiteral("http://pages.test/news")));
    clickTab(1);
    EXPECT_EQ(webTab(1)->visited.size(), 3) << "the tab's own page is shown: nothing to load";
}

// A Help or button page shown while sending ends the sending state as a tab click does, and
// then shows its page in the first web tab's place, with the header live again.
TEST_F(PageHostTest, AHelpOrButtonPageWhileSendingLeavesTheSendingState) {
    host().session().complete(); // Help is offered only once signed in
    for (const int command : {static_cast<int>(kCmdTerms), 2002}) {
        router().runCommand(kCmdSendMessage);
        ASSERT_TRUE(pages().isSending());
        router().runCommand(command);
        ASSERT_TRUE(waitForAnswers(host().session()));
        EXPECT_FALSE(pages().isSending());
        EXPECT_FALSE(m_window->commandState().sending);
        EXPECT_EQ(pages().currentTab(), 1);
        EXPECT_FALSE(pages().sendPanel()->isVisible());
        EXPECT_TRUE(webTab(1)->isVisible());
        const QSize client = m_window->surface()->size();
        EXPECT_EQ(webTab(1)->geometry(), area(pageArea(client.width(), client.height(), true)));
    }
}

} // namespace
} // namespace textowl::testing
