#include "app/page_host.h"

#include "app/session_rules.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "messaging/send_rules.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "ui/image_button.h"
#include "ui/interface_icons.h"
#include "ui/main_surface.h"
#include "ui/qt_text.h"
#include "ui/tab_strip.h"
#include "ui/web_view.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>

namespace textowl {

namespace {

// The numbers a send to the group reaches: its members' phones, each number once.
int groupRecipients(const BuddyNode* group) {
    std::vector<std::string> phones;
    if (group != nullptr)
        for (const auto& member : group->children)
            if (member->entry.isBuddy())
                phones.push_back(member->entry.cellPhone);
    return distinctNumberCount(phones);
}

QUrl toUrl(const std::string& address) {
    return QUrl(qs(address));
}

IconPair buddyListTabIcons() {
    const QImage strip(QStringLiteral(":/bitmaps/131"));
    if (strip.isNull())
        return {};
    const QPixmap pixmap = transparentCopy(strip);
    return {pixmap.copy(0, 0, 30, 38), pixmap.copy(30, 0, 30, 38)};
}

// The button shows image 0 normally and image 1 while pressed.
QImage sideBySide(const IconPair& icons) {
    QImage strip(icons.active.width() * 2, icons.active.height(), QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.drawPixmap(0, 0, icons.active);
    painter.drawPixmap(icons.active.width(), 0, icons.inactive);
    return strip;
}

} // namespace

PageHost::PageHost(Context context) : m_context(std::move(context)) {
    m_context.surface.installEventFilter(this);
}

PageHost::~PageHost() {
    m_context.surface.removeEventFilter(this);
    destroyPages();
}

// The skin is read at each paint; the pages only need to be told to cut their pieces again.
void PageHost::applySkin() {
    if (m_panel != nullptr)
        m_panel->setSkin(&m_context.skin);
    if (m_strip != nullptr)
        m_strip->setSkin(&m_context.skin);
}

BuddyTree* PageHost::buddyTree() const {
    return m_tree.data();
}

SendPanel* PageHost::sendPanel() const {
    return m_panel.data();
}

TabStrip* PageHost::tabStrip() const {
    return m_strip.data();
}

bool PageHost::hasTabs() const {
    return m_tree != nullptr;
}

int PageHost::currentTab() const {
    return m_strip != nullptr ? m_strip->current() : 0;
}

int PageHost::tabCount() const {
    return m_strip != nullptr ? m_strip->count() : 0;
}

WebView* PageHost::webTabView(int index) const {
    if (index < 1 || index > static_cast<int>(m_webTabs.size()))
        return nullptr;
    return m_webTabs[static_cast<std::size_t>(index - 1)].view.data();
}

WebView* PageHost::footerView() const {
    return m_footer.data();
}

ImageButton* PageHost::interfaceButton(int commandId) const {
    for (const Button& button : m_buttons) {
        if (kCmdInterfaceButtonFirst + button.element.elementIndex == commandId)
            return button.widget.data();
    }
    return nullptr;
}

void PageHost::setPages(BuddyTree* tree, SendPanel* panel) {
    m_tree = tree;
    m_panel = panel;
    m_panel->hide();
    m_strip = new TabStrip(&m_context.skin, &m_context.surface);
    m_strip->setCommandSink(m_context.commandSink);
    connect(m_strip, &TabStrip::tabClicked, this, &PageHost::onTabClicked);
    m_strip->setTabs({{buddyListTabIcons(), {}}});
    applyTexts();
    m_strip->show();
    setSending(false);
    layout();
}

// The interface of one load: its description and the icons downloaded so far, in the order of
// its buttons and then its tabs.
struct PageHost::IconRound {
    InterfaceDescription description;
    std::vector<std::string> icons;
    std::size_t awaited = 0;
    std::function<void()> built;
};

void PageHost::buildInterface(const InterfaceDescription& description,
                              std::function<void()> built) {
    if (m_strip == nullptr) {
        built();
        return;
    }
    auto round = std::make_shared<IconRound>();
    round->description = description;
    round->built = std::move(built);
    std::vector<const InterfaceElement*> elements;
    for (const auto* group : {&description.buttons, &description.tabs})
        for (const InterfaceElement& element : *group)
            elements.push_back(&element);
    round->icons.resize(elements.size());
    round->awaited = elements.size();
    if (elements.empty()) {
        addInterface(*round);
        return;
    }
    ServiceCalls& calls = m_context.calls;
    // The downloads share the fetcher, and with it the hosts that did not answer.
    auto fetcher = std::make_shared<IconFetcher>(m_context.catalogue.applicationName(),
                                                 std::string(calls.proxy().scheme()));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        calls.runAside<std::string>(
            [fetcher, element = *elements[i]] { return fetcher->download(element); }, this,
            [this, round, i](std::string& bytes) {
                round->icons[i] = std::move(bytes);
                if (--round->awaited == 0)
                    addInterface(*round);
            });
    }
}

void PageHost::addInterface(const IconRound& round) {
    // The controller's end takes the pages without ending the session.
    if (m_strip == nullptr)
        return;
    const InterfaceDescription& description = round.description;
    addButtons(description.buttons, round.icons.data());
    addWebTabs(description.tabs, round.icons.data() + description.buttons.size());
    addFooter(description.footerUrl);
    layout();
    round.built();
}

void PageHost::addButtons(const std::vector<InterfaceElement>& buttons, const std::string* icons) {
    for (const InterfaceElement& element : buttons) {
        auto* widget = new ImageButton(&m_context.surface);
        widget->hide();
        widget->setCursor(Qt::PointingHandCursor);
        widget->setToolTip(qs(element.tooltip));
        const IconPair pair = iconPairOrFallback(*icons++, kButtonIconSize);
        // The fallback pictures are tab-sized; a button shows them shrunk rather than cut off.
        widget->setImages(sideBySide(pair).scaled(kButtonIconSize.width() * 2,
                                                  kButtonIconSize.height(), Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation),
                          2, kButtonIconSize);
        const int id = kCmdInterfaceButtonFirst + element.elementIndex;
        connect(widget, &ImageButton::clicked, this, [this, id] { m_context.commandSink(id); });
        m_buttons.push_back({widget, element});
    }
}

void PageHost::addWebTabs(const std::vector<InterfaceElement>& tabs, const std::string* icons) {
    std::vector<TabStrip::Tab> strip{{buddyListTabIcons(), {}}};
    for (const InterfaceElement& element : tabs) {
        const std::string& icon = *icons++;
        WebView* view = m_context.webViews.create(&m_context.surface);
        view->hide();
        // A page that cannot even start loading makes no tab.
        if (!view->navigate(toUrl(element.url))) {
            delete view;
            continue;
        }
        m_webTabs.push_back({view, element.url});
        strip.push_back({iconPairOrFallback(icon, kTabIconSize), qs(element.tooltip)});
    }
    m_strip->setTabs(std::move(strip));
    applyTexts();
}

void PageHost::addFooter(const std::string& url) {
    if (url.empty())
        return;
    m_footer = m_context.webViews.create(&m_context.surface);
    m_footer->navigate(toUrl(url));
    // The strip is too small to read a page in: what the footer links to opens where the Help
    // pages do.
    m_footer->setKeepsPage(true);
    connect(m_footer, &WebView::navigationHandedOver, this, [this](const QUrl& address) {
        openWebPage(address.toString(QUrl::FullyEncoded).toStdString());
    });
}

void PageHost::destroyPages() {
    for (Button& button : m_buttons)
        delete button.widget.data();
    m_buttons.clear();
    for (WebTab& tab : m_webTabs)
        delete tab.view.data();
    m_webTabs.clear();
    m_firstTabLent = false;
    delete m_footer.data();
    delete m_panel.data();
    delete m_strip.data();
    // The tree and its model go; the list they showed stays with the session.
    delete m_tree.data();
    setSending(false);
}

void PageHost::openSendPanel() {
    if (m_tree == nullptr || m_panel == nullptr) {
        QApplication::beep();
        return;
    }
    // A phone line stands for its buddy; the root line (or none) keeps the last recipient.
    const QModelIndex line = m_tree->selectedLine();
    const BuddyEntry* entry = m_tree->entryOf(line);
    if (entry != nullptr && entry->isGroup())
        m_panel->openOnGroup(qs(entry->groupName), groupRecipients(m_tree->nodeOf(line)));
    else if (entry != nullptr && entry->isBuddy())
        m_panel->openOnBuddy(qs(entry->cellPhone));
    if (!m_tree->list().root().children.empty()) {
        std::vector<std::string> names;
        for (const QString& name : m_tree->groupNames())
            names.push_back(name.toStdString());
        m_panel->setGroupNames(std::move(names));
    }
    m_strip->setCurrent(0);
    setSending(true);
    layout();
    m_panel->activate();
}

void PageHost::showBuddyList() {
    if (m_tree == nullptr)
        return;
    m_strip->setCurrent(0);
    setSending(false);
    layout();
    m_tree->setFocus();
}

void PageHost::openWebPage(const std::string& address) {
    WebView* first = webTabView(1);
    if (first == nullptr)
        return;
    first->navigate(toUrl(address));
    m_firstTabLent = true;
    // The panel gives its place up as at a click on a tab, so the sending state ends with it;
    // the list that comes back with the balance does not take the page from the web tab.
    if (isSending()) {
        setSending(false);
        emit returnRequested();
    }
    m_strip->setCurrent(1);
    layout();
}

void PageHost::openButtonPage(int commandId) {
    for (const Button& button : m_buttons) {
        if (kCmdInterfaceButtonFirst + button.element.elementIndex != commandId)
            continue;
        if (!button.element.url.empty())
            openWebPage(pageWithTicket(button.element.url, m_context.session.ticket()));
        return;
    }
}

void PageHost::scrollTabs(bool down) {
    if (m_strip == nullptr)
        return;
    if (down)
        m_strip->scrollDown();
    else
        m_strip->scrollUp();
}

void PageHost::onTabClicked(int index) {
    const bool again = index == currentTab();
    m_strip->setCurrent(index);
    // While sending, any tab takes the user back to the list; the panel keeps what was written.
    if (isSending()) {
        emit returnRequested();
        return;
    }
    // The first web tab lends its view to button and Help pages and then reads as selected; a
    // click on it while it is current, which otherwise does nothing, brings its own page back.
    if (WebView* first = webTabView(1); again && index == 1 && m_firstTabLent && first) {
        first->navigate(toUrl(m_webTabs.front().url));
        m_firstTabLent = false;
    }
    layout();
}

void PageHost::setSending(bool sending) {
    m_context.session.setSending(sending);
}

bool PageHost::isSending() const {
    return m_context.session.sending();
}

QWidget* PageHost::currentPage() const {
    const int current = currentTab();
    if (current == 0)
        return isSending() ? static_cast<QWidget*>(m_panel.data()) : m_tree.data();
    return webTabView(current);
}

void PageHost::layout() {
    if (m_tree == nullptr)
        return;
    const QSize client = m_context.surface.size();
    QWidget* page = currentPage();
    for (QWidget* other : std::initializer_list<QWidget*>{m_tree, m_panel}) {
        if (other != nullptr && other != page)
            other->hide();
    }
    for (const WebTab& tab : m_webTabs) {
        if (tab.view != nullptr && tab.view != page)
            tab.view->hide();
    }
    const PixelRect area = isSending()
                               ? sendingPageArea(client.width(), client.height())
                               : pageArea(client.width(), client.height(), m_footer != nullptr);
    if (page != nullptr) {
        page->setGeometry(area.x, area.y, area.width, area.height);
        page->show();
    }
    m_strip->layoutStrip(client);
    m_strip->raise();
    // The panel's frame starts left of the other pages, over the tabs' right edge.
    if (isSending() && page != nullptr)
        page->raise();
    placeButtons(client.width());
    if (m_footer != nullptr) {
        m_footer->setGeometry((client.width() - 200) / 2, client.height() - 68, 236, 62);
        m_footer->show();
    }
    m_context.surface.update();
}

// The first element's button stands at the left of the header, the others from the right edge
// leftwards, last element first.
void PageHost::placeButtons(int clientWidth) {
    int x = clientWidth - 30;
    for (auto it = m_buttons.rbegin(); it != m_buttons.rend(); ++it) {
        if (it->widget == nullptr)
            continue;
        if (it->element.elementIndex == 0) {
            it->widget->move(15, 49);
        } else {
            it->widget->move(x, 49);
            x -= 25;
        }
        it->widget->show();
    }
}

void PageHost::applyTexts() {
    const QString root = localised(m_context.catalogue, Text::BuddyListRoot);
    // The tree's root line and the tab's tooltip name the list alike, in the chosen language.
    if (m_tree != nullptr)
        m_tree->setTexts({root});
    if (m_panel != nullptr)
        m_panel->relocalise();
    if (m_strip == nullptr)
        return;
    m_strip->setScrollTips(localised(m_context.catalogue, Text::ScrollTabsUp),
                           localised(m_context.catalogue, Text::ScrollTabsDown));
    m_strip->setTooltip(0, root);
}

void PageHost::reloadPages() {
    std::vector<WebView*> views{m_footer.data()};
    for (const WebTab& tab : m_webTabs)
        views.push_back(tab.view.data());
    for (WebView* view : views) {
        if (view != nullptr && !view->address().isEmpty())
            view->navigate(view->address());
    }
}

bool PageHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_context.surface && event->type() == QEvent::Resize)
        layout();
    return QObject::eventFilter(watched, event);
}

} // namespace textowl
