#include "app/page_host.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "service/service_proxy.h"
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
        window_ = &open();
        window_->show();
        window_->serviceProxy().setSessionTicket("ab12");
        auto* tree = new BuddyTree(QPixmap(), {}, window_->surface());
        BuddyEntry root = BuddyEntry::makeRoot();
        root.children.push_back(BuddyEntry::makeGroup("7", "Work"));
        tree->fill(std::move(root));
        auto* panel = new SendPanel(
            {window_->serviceProxy(), window_->prompts(), window_->catalogue(), window_->clock()},
            &window_->skin(), window_->surface());
        pages().setPages(tree, panel);
        pages().buildInterface(*readInterfaceDescription(std::string_view(kDescription)));
    }

    PageHost& pages() { return window_->pages(); }
    RecordingWebView* webTab(int index) {
        return static_cast<RecordingWebView*>(pages().webTabView(index));
    }
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

    MainWindow* window_ = nullptr;
};

TEST_F(PageHostTest, ButtonsTabsAndFooterStandWhereTheyBelongAndOpenTheirPages) {
    const int w = window_->surface()->width();
    const int h = window_->surface()->height();
    ASSERT_NE(pages().interfaceButton(2000), nullptr);
    EXPECT_EQ(pages().interfaceButton(2001), nullptr) << "the element without a tooltip";
    EXPECT_EQ(pages().interfaceButton(2000)->geometry(), QRect(15, 49, 16, 16));
    EXPECT_EQ(pages().interfaceButton(2002)->geometry(), QRect(w - 30, 49, 16, 16));
    EXPECT_EQ(pages().tabCount(), 3);
    EXPECT_EQ(webTab(1)->visited, QList<QUrl>{QUrl(QStringLiteral("http://pages.test/news"))});
    ASSERT_NE(pages().footerView(), nullptr);
    EXPECT_EQ(pages().footerView()->geometry(), QRect((w - 200) / 2, h - 68, 236, 62));
    EXPECT_EQ(pages().buddyTree()->geometry(), QRect(36, 74, w - 41, h - 169));

    window_->runCommand(2002);
    EXPECT_EQ(webTab(1)->address(),
              QUrl(QStringLiteral("http://pages.test/credit?x=1&ticket=ab12")));
    EXPECT_EQ(pages().currentTab(), 1);
    EXPECT_TRUE(webTab(1)->isVisible());
    EXPECT_FALSE(pages().buddyTree()->isVisible());

    clickTab(2);
    EXPECT_EQ(pages().currentTab(), 2);
    WindowState signedIn = window_->commandState();
    signedIn.signedIn = true;
    window_->setCommandState(signedIn);
    window_->showContextMenu(LineKind::Root, window_->mapToGlobal(QPoint(150, 200)));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no buddy pop-up on a web tab";
    EXPECT_TRUE(webTab(2)->isVisible());
    EXPECT_FALSE(webTab(1)->isVisible());
    clickTab(0);
    EXPECT_TRUE(pages().buddyTree()->isVisible());
}

TEST_F(PageHostTest, ATabClickWhileSendingReturnsToTheList) {
    window_->runCommand(kCmdSendMessage);
    ASSERT_TRUE(pages().isSending());
    EXPECT_TRUE(pages().sendPanel()->isVisible());
    EXPECT_EQ(pages().sendPanel()->geometry(),
              QRect(33, 71, window_->surface()->width() - 35, window_->surface()->height() - 145));

    clickTab(2);
    EXPECT_FALSE(pages().isSending());
    EXPECT_FALSE(window_->commandState().sending);
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

} // namespace
} // namespace textowl::testing
