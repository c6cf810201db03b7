#pragma once

#include "ui/interface_description.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

namespace textowl {

class BuddyTree;
class ImageButton;
class MainSurface;
class SendPanel;
class ServiceCalls;
class Session;
class Skin;
class StringCatalogue;
class TabStrip;
class WebView;
class WebViewFactory;

// The page area of the signed-in window and what the service adds around it: the tab strip
// (tab 0 shows the buddy tree, or the send-message panel while sending; the others web pages),
// the interface buttons in the header and the footer page. The session hands over what its load
// built; everything here lives until sign-out.
class PageHost : public QObject {
    Q_OBJECT
public:
    struct Context {
        MainSurface& surface; // where the pages, tabs, buttons and footer go
        const Skin& skin;
        Session& session;
        ServiceCalls& calls; // the icon downloads
        const StringCatalogue& catalogue;
        WebViewFactory& webViews;
        std::function<void(int)> commandSink;
    };

    explicit PageHost(Context context);
    ~PageHost() override;

    // A new skin is in place: the panel and the tabs cut their pieces again.
    void applySkin();

    // Takes the pages the load built; the tree shows first, under tab 0.
    void setPages(BuddyTree* tree, SendPanel* panel);
    // Fetches the icons of the service's buttons and web tabs side by side, then adds the
    // buttons, tabs and footer and calls `built`. Sign-out or exit meanwhile drops the round:
    // nothing is added and `built` is not called.
    void buildInterface(const InterfaceDescription& description, std::function<void()> built);
    // Sign-out: everything goes, with the buddy entries and the message log.
    void destroyPages();

    BuddyTree* buddyTree() const;
    SendPanel* sendPanel() const;
    TabStrip* tabStrip() const;
    // The buddy-list tab exists from the load on.
    bool hasTabs() const;
    // The session's own flag: the panel is the page of the buddy-list tab.
    bool isSending() const;
    int currentTab() const;
    int tabCount() const;
    WebView* webTabView(int index) const;
    WebView* footerView() const;
    // The interface button of a command id, or null.
    ImageButton* interfaceButton(int commandId) const;

    // Command 32782: the panel replaces the tree, set up for the selected line.
    void openSendPanel();
    // The page goes back to the buddy tree under tab 0 (the balance is the caller's business).
    void showBuddyList();
    // Shows the address in the first web tab and makes it current; nothing without one.
    void openWebPage(const std::string& address);
    // Commands 2000 to 2010: the button's page, with the session ticket.
    void openButtonPage(int commandId);
    void scrollTabs(bool down);
    void layout();
    void applyTexts();
    // The web tabs and the footer load their pages again, in the language now chosen.
    void reloadPages();

signals:
    // A tab click while sending, or a page that takes the panel's place: the list comes back.
    void returnRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct WebTab {
        QPointer<WebView> view;
        std::string url;
    };
    struct Button {
        QPointer<ImageButton> widget;
        InterfaceElement element;
    };

    void setSending(bool sending);
    void onTabClicked(int index);
    struct IconRound;

    void addInterface(const IconRound& round);
    void addButtons(const std::vector<InterfaceElement>& buttons, const std::string* icons);
    void addWebTabs(const std::vector<InterfaceElement>& tabs, const std::string* icons);
    void addFooter(const std::string& url);
    void placeButtons(int clientWidth);
    QWidget* currentPage() const;

    Context m_context;
    QPointer<BuddyTree> m_tree;
    QPointer<SendPanel> m_panel;
    QPointer<TabStrip> m_strip;
    std::vector<WebTab> m_webTabs;
    std::vector<Button> m_buttons;
    QPointer<WebView> m_footer;
    // The first web tab shows a page opened by a button, a Help item or the footer.
    bool m_firstTabLent = false;
};

} // namespace textowl
