#include "app/session_controller.h"

#include "app/buddy_commands.h"
#include "app/buddy_tree_wiring.h"
#include "app/main_window.h"
#include "app/page_host.h"
#include "app/session_rules.h"
#include "base/command_ids.h"
#include "buddylist/buddy_operation.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "ui/interface_description.h"
#include "ui/main_surface.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QPushButton>

namespace textowl {

namespace {

ServiceText wire(const QString& text) {
    return utf8ToUtf16(text.toStdString());
}

} // namespace

SessionController::SessionController(MainWindow& window, Session& session, ServiceCalls& calls)
    : m_window(window), m_session(session), m_calls(calls) {
    m_loadTimer.setSingleShot(true);
    m_loadTimer.setInterval(kLoadDelayMs);
    connect(&m_loadTimer, &QTimer::timeout, this, &SessionController::loadAfterSignIn);
    connect(&m_session, &Session::balanceChanged, this, &SessionController::updateHeader);
}

SessionController::~SessionController() {
    m_window.pages().destroyPages();
}

BuddyTree* SessionController::buddyTree() const {
    return m_window.pages().buddyTree();
}

void SessionController::signInOrOut() {
    // While the load is pending the session item already reads "Sign Out": a second sign-in
    // would orphan the ticket just issued.
    if (m_session.stage() != Session::Stage::SignedOut)
        signOut();
    else
        signIn();
}

void SessionController::signIn() {
    const StringCatalogue& catalogue = m_window.catalogue();
    const Prompts::SignInTexts texts{
        localised(catalogue, Text::SignInCaption), localised(catalogue, Text::UserLabel),
        localised(catalogue, Text::PasswordLabel), localised(catalogue, Text::Ok),
        localised(catalogue, Text::Cancel),
    };
    const std::optional<Prompts::Credentials> credentials =
        m_window.prompts().signIn(&m_window, texts);
    if (!credentials)
        return;
    // Let the dialog's remains disappear before the call blocks the window.
    m_window.repaint();

    ServiceText result;
    const Status status = m_calls.run([&](ServiceProxy& proxy) {
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
    showSigningIn(credentials->user, *ticket);
}

void SessionController::showSigningIn(const QString& user, const std::string& ticket) {
    m_window.signInButton()->hide();
    m_window.registerButton()->hide();
    m_window.setWindowTitle(
        qs(signedInTitle(m_window.catalogue().applicationName(), user.toStdString())));
    setSessionItemText(true);
    m_session.begin(utf8(user), ticket);
    m_loadTimer.start();
}

void SessionController::loadAfterSignIn() {
    m_loadTimer.stop();
    if (!m_session.signingIn())
        return;
    const std::string ticket = m_session.ticket();
    BuddyEntry root = BuddyEntry::makeRoot();
    const ServiceText wireTicket = utf8ToUtf16(ticket);
    bool abandoned = false;
    const Status list = fetchBuddyList(
        ticket,
        [this, &wireTicket, &abandoned](ServiceText& result) {
            const Status status = m_calls.run(
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
    restoreSignedOutView();
    showSignInFailure();
}

void SessionController::buildSignedInView(BuddyEntry root) {
    BuddyList& list = m_session.adoptList(std::move(root));
    auto* tree =
        new BuddyTree(list, QPixmap(QStringLiteral(":/bitmaps/213")), {}, m_window.surface());
    tree->hide();
    attachBuddyTree(m_window, *tree);
    auto* panel = new SendPanel(
        {m_session, m_calls, m_window.prompts(), m_window.catalogue(), m_window.clock()},
        &m_window.skin(), m_window.surface());
    connect(panel, &SendPanel::returnRequested, &m_window, &MainWindow::returnToBuddyList);
    m_window.pages().setPages(tree, panel);
    if (!fetchInterface())
        return;

    tree->setEditFlags({true, true, false, false});
    m_session.complete();

    // The buddy-list tab always exists once signed in, so the page area leaves room for tabs.
    m_window.surface()->setHasTabs(true);
    updateHeader();
    tree->selectLine(tree->rootLine());
    tree->setFocus();
}

bool SessionController::fetchInterface() {
    ServiceText result;
    const ServiceText ticket = utf8ToUtf16(m_session.ticket());
    const Status status =
        m_calls.run([&](ServiceProxy& proxy) { return proxy.apiGetInterface(ticket, &result); });
    if (status == kCallAbandoned)
        return false;
    ResultDocument document;
    if (failed(status) || failed(checkResult(result, document)))
        return true; // no interface buttons and no web tabs, nothing more
    m_session.setInterfaceDescription(utf16ToUtf8(*result));
    if (const std::optional<InterfaceDescription> description = readInterfaceDescription(result))
        return m_window.pages().buildInterface(*description);
    return true;
}

Status SessionController::refreshBalance() {
    if (m_session.ticket().empty())
        return E_FAIL;
    ServiceText result;
    const ServiceText ticket = utf8ToUtf16(m_session.ticket());
    const Status status =
        m_calls.run([&](ServiceProxy& proxy) { return proxy.apiBalanceSms(ticket, &result); });
    if (status == kCallAbandoned)
        return status;
    const std::optional<std::string> balance = balanceFromResult(status, result);
    if (!balance)
        return E_FAIL;
    m_session.setBalance(*balance);
    return S_OK;
}

void SessionController::signOut() {
    m_loadTimer.stop();
    placeBackCutBuddy(m_window);
    restoreSignedOutView();
    finish();
}

void SessionController::endSession() {
    m_loadTimer.stop();
    placeBackCutBuddy(m_window);
    finish();
}

// The views go before the list they show, and the ticket is given back last: while that call
// runs the window already shows the session as ended.
void SessionController::finish() {
    m_window.pages().destroyPages();
    const std::string ticket = m_session.ticket();
    m_session.end();
    if (!ticket.empty()) {
        // The outcome does not matter: the session ends here either way.
        m_calls.run([wire = utf8ToUtf16(ticket)](ServiceProxy& proxy) {
            ServiceText result;
            return proxy.apiLogout(wire, &result);
        });
    }
}

void SessionController::restoreSignedOutView() {
    setSessionItemText(false);
    m_window.surface()->setHasTabs(false);
    m_window.surface()->setSending(false);
    m_window.surface()->setHeaderTexts({});
    m_window.signInButton()->show();
    m_window.registerButton()->show();
    m_window.setWindowTitle(qs(m_window.catalogue().applicationName()));
    m_window.update();
}

void SessionController::showSignInFailure() {
    const StringCatalogue& catalogue = m_window.catalogue();
    m_window.prompts().message(&m_window, localised(catalogue, Text::SignInFailed),
                               qs(catalogue.dialogTitle()), Prompts::Icon::Error);
    m_window.signInButton()->update();
    m_window.registerButton()->update();
}

void SessionController::setSessionItemText(bool signedIn) {
    if (QAction* item = m_window.mainMenu().action(kCmdSignInOut))
        item->setText(localised(m_window.catalogue(), sessionItemText(signedIn)));
}

void SessionController::applyTexts() {
    updateHeader();
    m_window.pages().applyTexts();
}

void SessionController::updateHeader() {
    if (buddyTree() == nullptr)
        return;
    const MainWindow::Texts& texts = m_window.texts();
    const StringCatalogue& catalogue = m_window.catalogue();
    MainSurface::HeaderTexts header;
    header.user = qs(m_session.user());
    header.balanceLine = qs(balanceLine(utf8(texts.balanceFormat), m_session.balance()));
    header.links = {texts.addContactLink, texts.addGroupLink, texts.quickSendLink};
    header.tips = {localised(catalogue, Text::AddContactTip),
                   localised(catalogue, Text::AddGroupTip),
                   localised(catalogue, Text::QuickSendTip)};
    m_window.surface()->setHeaderTexts(header);
}

} // namespace textowl
