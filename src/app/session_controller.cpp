#include "app/session_controller.h"

#include "app/buddy_commands.h"
#include "app/page_host.h"
#include "app/session_rules.h"
#include "buddylist/buddy_operation.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "ui/interface_description.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"

namespace textowl {

namespace {

ServiceText wire(const QString& text) {
    return utf8ToUtf16(text.toStdString());
}

} // namespace

SessionController::SessionController(const SessionContext& context, Views views)
    : m_context(context), m_views(views), m_delivery(context, [this] { return refreshBalance(); }) {
    m_loadTimer.setSingleShot(true);
    m_loadTimer.setInterval(kLoadDelayMs);
    connect(&m_loadTimer, &QTimer::timeout, this, &SessionController::loadAfterSignIn);
}

SessionController::~SessionController() {
    m_views.pages.destroyPages();
}

BuddyTree* SessionController::buddyTree() const {
    return m_views.pages.buddyTree();
}

void SessionController::signInOrOut() {
    // While the load is pending the session item already reads "Sign Out": a second sign-in
    // would orphan the ticket just issued.
    if (m_context.session.stage() != Session::Stage::SignedOut)
        signOut();
    else
        signIn();
}

void SessionController::signIn() {
    const StringCatalogue& catalogue = m_context.catalogue;
    const Prompts::SignInTexts texts{
        localised(catalogue, Text::SignInCaption), localised(catalogue, Text::UserLabel),
        localised(catalogue, Text::PasswordLabel), localised(catalogue, Text::Ok),
        localised(catalogue, Text::Cancel),
    };
    const std::optional<Prompts::Credentials> credentials =
        m_context.prompts.signIn(&m_context.dialogParent, texts);
    if (!credentials)
        return;

    ServiceText result;
    const Status status = m_context.calls.run([&](ServiceProxy& proxy) {
        return proxy.apiValidateLogin(wire(credentials->user), wire(credentials->password),
                                      &result);
    });
    if (status == kCallAbandoned)
        return;
    const std::optional<std::string> ticket = ticketFromSignIn(status, result);
    if (!ticket) {
        showSignInFailure();
        return;
    }
    m_context.session.begin(utf8(credentials->user), *ticket);
    m_loadTimer.start();
}

void SessionController::loadAfterSignIn() {
    m_loadTimer.stop();
    if (!m_context.session.signingIn())
        return;
    const std::string ticket = m_context.session.ticket();
    BuddyEntry root = BuddyEntry::makeRoot();
    const ServiceText wireTicket = utf8ToUtf16(ticket);
    bool abandoned = false;
    const Status list = fetchBuddyList(
        ticket,
        [this, &wireTicket, &abandoned](ServiceText& result) {
            const Status status = m_context.calls.run(
                [&](ServiceProxy& proxy) { return proxy.apiGetBuddyList(wireTicket, &result); });
            abandoned = status == kCallAbandoned;
            return status;
        },
        root);
    if (abandoned)
        return;
    const Status balance = refreshBalance();
    if (balance == kCallAbandoned)
        return;
    if (judgeLoad(list, balance) == LoadOutcome::Abandon) {
        abandonSignIn();
        return;
    }
    buildSignedInView(std::move(root));
}

// A load that failed would leave a window that reads signed in but has nothing to show, and a
// ticket the service keeps alive: give the ticket back and start over from the signed-out view.
void SessionController::abandonSignIn() {
    finish();
    showSignInFailure();
}

void SessionController::buildSignedInView(BuddyEntry root) {
    BuddyList& list = m_context.session.adoptList(std::move(root));
    auto* tree =
        new BuddyTree(list, QPixmap(QStringLiteral(":/bitmaps/213")), {}, &m_views.surface);
    tree->hide();
    emit buddyTreeBuilt(tree);
    auto* panel = new SendPanel({m_context.session, m_context.calls, m_context.prompts,
                                 m_context.catalogue, m_context.clock},
                                &m_views.skin, &m_views.surface);
    connect(panel, &SendPanel::returnRequested, this, &SessionController::returnRequested);
    connect(panel, &SendPanel::messageAccepted, &m_delivery, &DeliveryPoller::messageAccepted);
    m_views.pages.setPages(tree, panel);
    if (!fetchInterface())
        return;

    tree->setEditFlags({true, true, false, false});
    m_context.session.complete();
    tree->selectLine(tree->rootLine());
    tree->setFocus();
}

bool SessionController::fetchInterface() {
    ServiceText result;
    const ServiceText ticket = utf8ToUtf16(m_context.session.ticket());
    const Status status = m_context.calls.run(
        [&](ServiceProxy& proxy) { return proxy.apiGetInterface(ticket, &result); });
    if (status == kCallAbandoned)
        return false;
    ResultDocument document;
    if (failed(status) || failed(checkResult(result, document)))
        return true; // no interface buttons and no web tabs, nothing more
    m_context.session.setInterfaceDescription(utf16ToUtf8(*result));
    if (const std::optional<InterfaceDescription> description = readInterfaceDescription(result))
        return m_views.pages.buildInterface(*description);
    return true;
}

Status SessionController::refreshBalance() {
    const std::string& ticket = m_context.session.ticket();
    if (ticket.empty())
        return E_FAIL;
    ServiceText result;
    const Status status =
        m_context.calls.run([&, wireTicket = utf8ToUtf16(ticket)](ServiceProxy& proxy) {
            return proxy.apiBalanceSms(wireTicket, &result);
        });
    if (status == kCallAbandoned)
        return status;
    const std::optional<std::string> balance = balanceFromResult(status, result);
    if (!balance)
        return E_FAIL;
    m_context.session.setBalance(*balance);
    return S_OK;
}

void SessionController::signOut() {
    endSession();
}

void SessionController::endSession() {
    m_loadTimer.stop();
    placeBackCutBuddy(m_context, buddyTree());
    finish();
}

// The views go before the list they show, and the ticket is given back last: while that call
// runs the window already shows the session as ended.
void SessionController::finish() {
    m_views.pages.destroyPages();
    const std::string ticket = m_context.session.ticket();
    m_context.session.end();
    if (!ticket.empty()) {
        // The outcome does not matter: the session ends here either way.
        m_context.calls.run([wire = utf8ToUtf16(ticket)](ServiceProxy& proxy) {
            ServiceText result;
            return proxy.apiLogout(wire, &result);
        });
    }
}

void SessionController::showSignInFailure() {
    const StringCatalogue& catalogue = m_context.catalogue;
    QString text = localised(catalogue, Text::SignInFailed);
    // The proxy is only read while no call of the worker uses it.
    if (!m_context.calls.isRunning()) {
        if (const auto reason = certificateReason(m_context.calls.proxy().certificateProblem()))
            text += QStringLiteral("\n\n") + localised(catalogue, *reason);
    }
    m_context.prompts.message(&m_context.dialogParent, text, qs(catalogue.dialogTitle()),
                              Prompts::Icon::Error);
}

} // namespace textowl
