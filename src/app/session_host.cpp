#include "app/session_host.h"

#include "app/buddy_commands.h"
#include "app/command_router.h"
#include "app/contact_commands.h"
#include "app/page_host.h"
#include "app/session_controller.h"
#include "base/command_ids.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "ui/main_surface.h"

namespace textowl {

SessionHost::SessionHost(std::unique_ptr<ServiceProxy> proxy,
                         std::shared_ptr<WebViewFactory> webViews, const Clock& clock,
                         QObject* parent)
    : QObject(parent), m_session(std::make_unique<Session>()),
      m_calls(std::make_unique<ServiceCalls>(std::move(proxy), *m_session)),
      m_webViews(std::move(webViews)), m_clock(clock) {}

SessionHost::~SessionHost() = default;

ServiceProxy& SessionHost::proxy() const {
    return m_calls->proxy();
}

void SessionHost::showIn(const Window& window, CommandRouter& router) {
    m_pages = std::make_unique<PageHost>(
        PageHost::Context{window.surface, window.skin, *m_session, *m_calls, window.catalogue,
                          *m_webViews, [&router](int id) { router.postCommand(id); }});
    connect(m_pages.get(), &PageHost::returnRequested, this, &SessionHost::returnToBuddyList);
    m_context.emplace(SessionContext{*m_session, *m_calls, window.prompts, window.catalogue,
                                     m_clock, window.dialogParent, window.contactFiles});
    m_controller = std::make_unique<SessionController>(
        *m_context, SessionController::Views{*m_pages, window.surface, window.skin});
    connect(m_controller.get(), &SessionController::returnRequested, this,
            &SessionHost::returnToBuddyList);
    installCommands(router);
}

void SessionHost::installCommands(CommandRouter& router) {
    router.setInterfaceButtonHandler([this](int id) { m_pages->openButtonPage(id); });
    router.setCommandHandler(kCmdSendMessage, [this] { m_pages->openSendPanel(); });
    router.setCommandHandler(kCmdScrollTabsUp, [this] { m_pages->scrollTabs(false); });
    router.setCommandHandler(kCmdScrollTabsDown, [this] { m_pages->scrollTabs(true); });
    router.setCommandHandler(kCmdTerms, [this] { showPageInFirstWebTab("url/terms"); });
    router.setCommandHandler(kCmdFaqs, [this] { showPageInFirstWebTab("url/faqs"); });
    router.setCommandHandler(kCmdContactUs, [this] { showPageInFirstWebTab("url/contactus"); });
    router.setCommandHandler(kCmdAbout, [this] { showPageInFirstWebTab("url/about"); });
    const auto signInOrOut = [this] { m_controller->signInOrOut(); };
    router.setCommandHandler(kCmdSignInOut, signInOrOut);
    router.setCommandHandler(kCmdSignInButton, signInOrOut);
    installBuddyCommands(router, *m_context, *m_pages);
}

void SessionHost::returnToBuddyList() {
    if (!m_pages->hasTabs())
        return;
    // The balance is only a courtesy here: the list comes back whether or not it could be read,
    // unless a web page took the panel's place meanwhile.
    m_controller->refreshBalance([this](Status) {
        if (m_pages->isSending())
            m_pages->showBuddyList();
    });
}

void SessionHost::showPageInFirstWebTab(const char* urlKey) {
    // Looked up at each use, so the page follows the current language.
    std::string address;
    m_context->catalogue.text(urlKey, address, std::string_view());
    m_pages->openWebPage(address);
}

} // namespace textowl
