#pragma once

#include "app/session_context.h"

#include <QObject>
#include <memory>
#include <optional>

class QWidget;

namespace textowl {

class Clock;
class CommandRouter;
class MainSurface;
class PageHost;
class Prompts;
class ServiceCalls;
class ServiceProxy;
class Session;
class SessionController;
class Skin;
class StringCatalogue;
class WebViewFactory;

// The session beside the window: the service calls, the session they serve, the pages that show
// it and the controller that takes it through its stages. The window shows what they do but owns
// none of them.
class SessionHost : public QObject {
    Q_OBJECT
public:
    // The window's parts the session's pages go into and its dialogs come from.
    struct Window {
        MainSurface& surface;
        const Skin& skin;
        Prompts& prompts;
        const StringCatalogue& catalogue;
        // The parent of every dialog and message box.
        QWidget& dialogParent;
        ContactFileMemory contactFiles;
    };

    SessionHost(std::unique_ptr<ServiceProxy> proxy, std::shared_ptr<WebViewFactory> webViews,
                const Clock& clock, QObject* parent = nullptr);
    ~SessionHost() override;

    // Builds the pages and the controller inside the window and takes over the session's
    // commands.
    void showIn(const Window& window, CommandRouter& router);

    ServiceCalls& calls() const { return *m_calls; }
    ServiceProxy& proxy() const;
    Session& session() const { return *m_session; }
    // What the session's commands work with; only once shown in a window.
    const SessionContext& context() const { return *m_context; }
    PageHost& pages() const { return *m_pages; }
    SessionController& controller() const { return *m_controller; }

    // Message 2025: the send panel hands the page back to the buddy tree, with a fresh balance.
    void returnToBuddyList();

private:
    void installCommands(CommandRouter& router);
    void showPageInFirstWebTab(const char* urlKey);

    // Before the calls, whose answers it counts, and before the pages and the controller: the
    // views they hold show its list.
    std::unique_ptr<Session> m_session;
    std::unique_ptr<ServiceCalls> m_calls;
    std::shared_ptr<WebViewFactory> m_webViews;
    const Clock& m_clock;
    std::optional<SessionContext> m_context;
    // Before the session ends, which hands it the pages and takes them back as it ends.
    std::unique_ptr<PageHost> m_pages;
    // After the calls it makes, so that it ends first, while the surface and the proxy still exist.
    std::unique_ptr<SessionController> m_controller;
};

} // namespace textowl
