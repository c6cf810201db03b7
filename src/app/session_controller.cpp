#include "app/session_controller.h"

#include "app/buddy_commands.h"
#include "app/buddy_tree_wiring.h"
#include "app/busy_cursor.h"
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
#include "ui/interface_description.h"
#include "ui/main_surface.h"

#include <QAction>
#include <QPushButton>

namespace textowl {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

ServiceText wire(const QString& text) {
    return utf8ToUtf16(text.toStdString());
}

QString lookUpText(const StringCatalogue& catalogue, const TextSource& source) {
    return qs(lookUp(catalogue, source));
}

} // namespace

SessionController::SessionController(MainWindow& window, ServiceProxy& proxy)
    : m_window(window), m_proxy(proxy) {
    m_loadTimer.setSingleShot(true);
    m_loadTimer.setInterval(kLoadDelayMs);
    connect(&m_loadTimer, &QTimer::timeout, this, &SessionController::loadAfterSignIn);
}

SessionController::~SessionController() {
    destroyLoadedViews();
}

BuddyTree* SessionController::buddyTree() const {
    return m_window.pages().buddyTree();
}

void SessionController::signInOrOut() {
    // While the load is pending the session item already reads "Sign Out": a second sign-in
    // would orphan the ticket just issued.
    const WindowState& state = m_window.commandState();
    if (state.signedIn || state.signingIn)
        signOut();
    else
        signIn();
}

void SessionController::signIn() {
    const StringCatalogue& catalogue = m_window.catalogue();
    const Prompts::SignInTexts texts{
        lookUpText(catalogue, sessionText(SessionText::SignInCaption)),
        lookUpText(catalogue, sessionText(SessionText::UserLabel)),
        lookUpText(catalogue, sessionText(SessionText::PasswordLabel)),
        lookUpText(catalogue, sessionText(SessionText::Ok)),
        lookUpText(catalogue, sessionText(SessionText::Cancel)),
    };
    const std::optional<Prompts::Credentials> credentials =
        m_window.prompts().signIn(&m_window, texts);
    if (!credentials)
        return;
    // Let the dialog's remains disappear before the call blocks the window.
    m_window.repaint();

    ServiceText result;
    Status status = E_FAIL;
    {
        BusyCursor busy;
        status =
            m_proxy.apiValidateLogin(wire(credentials->user), wire(credentials->password), &result);
    }
    const std::optional<std::string> ticket = ticketFromSignIn(status, result);
    if (!ticket) {
        showSignInFailure();
        return;
    }
    showSigningIn(credentials->user, *ticket);
}

void SessionController::showSigningIn(const QString& user, const std::string& ticket) {
    m_proxy.setSessionUserName(user.toStdString());
    m_proxy.setSessionTicket(ticket);
    m_window.signInButton()->hide();
    m_window.registerButton()->hide();
    m_window.setWindowTitle(
        qs(signedInTitle(m_window.catalogue().applicationName(), user.toStdString())));
    m_userName = user;
    setSessionItemText(true);
    WindowState state = m_window.commandState();
    state.signingIn = true;
    state.signedIn = false;
    state.sending = false;
    m_window.setCommandState(state);
    m_loadTimer.start();
}

void SessionController::loadAfterSignIn() {
    m_loadTimer.stop();
    if (!m_window.commandState().signingIn)
        return;
    const std::string ticket = m_proxy.sessionTicket();
    BuddyEntry root = BuddyEntry::makeRoot();
    Status list = E_FAIL;
    Status balance = E_FAIL;
    {
        BusyCursor busy;
        const ServiceText wireTicket = utf8ToUtf16(ticket);
        list = fetchBuddyList(
            ticket,
            [this, &wireTicket](ServiceText& result) {
                return m_proxy.apiGetBuddyList(wireTicket, &result);
            },
            root);
        balance = refreshBalance();
    }
    if (judgeLoad(list, balance) == LoadOutcome::Abandon) {
        abandonSignIn();
        return;
    }
    buildSignedInView(std::move(root));
}

// A load that failed would leave a window that reads signed in but has nothing to show, and a
// ticket the service keeps alive: give the ticket back and start over from the signed-out view.
void SessionController::abandonSignIn() {
    releaseTicket();
    destroyLoadedViews();
    restoreSignedOutView();
    showSignInFailure();
}

void SessionController::buildSignedInView(BuddyEntry root) {
    auto* tree = new BuddyTree(QPixmap(QStringLiteral(":/bitmaps/213")), {}, m_window.surface());
    tree->hide();
    tree->fill(std::move(root));
    attachBuddyTree(m_window, *tree);
    auto* panel =
        new SendPanel({m_proxy, m_window.prompts(), m_window.catalogue(), m_window.clock()},
                      &m_window.skin(), m_window.surface());
    connect(panel, &SendPanel::returnRequested, &m_window, &MainWindow::returnToBuddyList);
    m_window.pages().setPages(tree, panel);
    fetchInterface();

    WindowState state = m_window.commandState();
    state.cutEnabled = true;
    state.copyEnabled = true;
    state.pasteEnabled = false;
    state.deleteEnabled = false;
    state.signingIn = false;
    state.signedIn = true;
    m_window.setCommandState(state);

    // The buddy-list tab always exists once signed in, so the page area leaves room for tabs.
    m_window.surface()->setHasTabs(true);
    updateHeader();
    tree->selectLine(tree->rootLine());
    tree->setFocus();
}

void SessionController::fetchInterface() {
    ServiceText result;
    Status status = E_FAIL;
    {
        BusyCursor busy;
        status = m_proxy.apiGetInterface(utf8ToUtf16(m_proxy.sessionTicket()), &result);
    }
    ResultDocument document;
    if (failed(status) || failed(checkResult(result, document)))
        return; // no interface buttons and no web tabs, nothing more
    m_interface = utf16ToUtf8(*result);
    if (const std::optional<InterfaceDescription> description = readInterfaceDescription(result))
        m_window.pages().buildInterface(*description);
}

Status SessionController::refreshBalance() {
    if (m_proxy.sessionTicket().empty())
        return E_FAIL;
    ServiceText result;
    Status status = E_FAIL;
    {
        BusyCursor busy;
        status = m_proxy.apiBalanceSms(utf8ToUtf16(m_proxy.sessionTicket()), &result);
    }
    const std::optional<std::string> balance = balanceFromResult(status, result);
    if (!balance)
        return E_FAIL;
    m_balance = qs(*balance);
    updateHeader();
    return S_OK;
}

void SessionController::signOut() {
    m_loadTimer.stop();
    placeBackCutBuddy(m_window);
    if (BuddyTree* tree = buddyTree())
        tree->hide();
    restoreSignedOutView();
    releaseTicket();
    destroyLoadedViews();
}

void SessionController::endSession() {
    m_loadTimer.stop();
    placeBackCutBuddy(m_window);
    releaseTicket();
    destroyLoadedViews();
}

void SessionController::releaseTicket() {
    if (!m_proxy.sessionTicket().empty()) {
        // The outcome does not matter: the session ends here either way.
        ServiceText result;
        BusyCursor busy;
        m_proxy.apiLogout(utf8ToUtf16(m_proxy.sessionTicket()), &result);
    }
    m_proxy.clearSession();
}

void SessionController::destroyLoadedViews() {
    m_window.pages().destroyPages();
    m_interface.reset();
}

void SessionController::restoreSignedOutView() {
    setSessionItemText(false);
    // The clipboard flags go too: with no tree, Cut or Copy would have nothing to act on.
    m_window.setCommandState(WindowState{});
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
    m_window.prompts().message(&m_window,
                               lookUpText(catalogue, sessionText(SessionText::SignInFailed)),
                               qs(catalogue.dialogTitle()), Prompts::Icon::Error);
    m_window.signInButton()->update();
    m_window.registerButton()->update();
}

void SessionController::setSessionItemText(bool signedIn) {
    if (QAction* item = m_window.mainMenu().action(kCmdSignInOut))
        item->setText(lookUpText(m_window.catalogue(), sessionItemText(signedIn)));
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
    header.user = m_userName;
    header.balanceLine =
        qs(balanceLine(texts.balanceFormat.toStdString(), m_balance.toStdString()));
    header.links = {texts.addContactLink, texts.addGroupLink, texts.quickSendLink};
    header.tips = {lookUpText(catalogue, sessionText(SessionText::AddContactTip)),
                   lookUpText(catalogue, sessionText(SessionText::AddGroupTip)),
                   lookUpText(catalogue, sessionText(SessionText::QuickSendTip))};
    m_window.surface()->setHeaderTexts(header);
}

} // namespace textowl
