#include "app/page_host.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "service_session_fixture.h"
#include "support/qt/recording_web_view.h"
#include "support/qt/session_state.h"
#include "ui/interface_icons.h"
#include "ui/tab_strip.h"

#include <QTest>
#include <fstream>

namespace textowl::testing {
namespace {

// The service answers with a description of its own pages and icons; the second button lacks
// its tooltip and is skipped.
class InterfaceEndToEnd : public SessionEndToEnd {
protected:
    void SetUp() override {
        const std::string file = m_data.file("interface.xml").string();
        std::ofstream(file) << R"(<result err="0"><interface>
  <tabs>
    <tab url="http://{host}/pagewright/tabs/news" imageURI="{host}" location="/pagewright/images"
         file="tab_news.bmp" tooltip="News"/>
    <tab url="http://{host}/pagewright/tabs/help" imageURI="{host}" location="pagewright/images"
         file="tab_help.bmp" tooltip="Help"/>
  </tabs>
  <buttons>
    <button url="http://{host}/pagewright/buttons/account" imageURI="{host}"
            location="/pagewright/images" file="btn_account.bmp" tooltip="Account"/>
    <button url="http://{host}/pagewright/buttons/sent" imageURI="{host}"
            location="/pagewright/images" file="btn_sent.bmp"/>
    <button url="http://{host}/pagewright/buttons/credit" imageURI="{host}"
            location="/pagewright/images" file="btn_credit.bmp" tooltip="Credit"/>
  </buttons>
  <footer url="http://{host}/pagewright/footer"/>
</interface></result>)";
        m_serviceArgs = {"--demo", "--interface", file};
        SessionEndToEnd::SetUp();
    }

    std::string pages() const { return m_endpoint.substr(0, m_endpoint.rfind('/') + 1); }
};

TEST_F(InterfaceEndToEnd, IconsComeFromTheServiceAndButtonsAndTabsOpenItsPages) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    PageHost& pageHost = host().pages();
    ASSERT_EQ(pageHost.tabCount(), 3);
    const QImage fallback = fallbackIconPair().active.toImage();
    for (int tab : {1, 2})
        EXPECT_NE(pageHost.tabStrip()->tab(tab).icons.active.toImage(), fallback) << tab;
    ASSERT_NE(pageHost.interfaceButton(2002), nullptr);
    EXPECT_EQ(pageHost.interfaceButton(2001), nullptr);
    ASSERT_NE(pageHost.footerView(), nullptr);

    router().runCommand(2002);
    const auto* first = static_cast<RecordingWebView*>(pageHost.webTabView(1));
    const std::string ticket = host().session().ticket();
    EXPECT_EQ(first->address().toString().toStdString(),
              pages() + "buttons/credit?ticket=" + ticket);
    EXPECT_EQ(pageHost.currentTab(), 1);

    // Sending, then a click on a web tab: back to the list, tab 0 current.
    BuddyTree* tree = pageHost.buddyTree();
    tree->selectLine(tree->model()->index(0, 0, tree->rootLine()));
    router().runCommand(kCmdSendMessage);
    ASSERT_TRUE(pageHost.isSending());
    TabStrip* strip = pageHost.tabStrip();
    QTest::mouseClick(strip, Qt::LeftButton, {},
                      strip->tabRect(2).center() - QPoint(0, TabStrip::kTop));
    ASSERT_TRUE(waitForAnswers(host().session())); // the balance, then the list
    EXPECT_FALSE(pageHost.isSending());
    EXPECT_EQ(pageHost.currentTab(), 0);
    EXPECT_TRUE(tree->isVisible());
}

} // namespace
} // namespace textowl::testing
