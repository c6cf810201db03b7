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

// apiGetBuddyList's answer, read on the worker: a long list is parsed off the window's thread.
struct LoadedList {
    Status status = E_FAIL;
    BuddyEntry root = BuddyEntry::makeRoot();
};

SessionController::SessionController(const SessionContext& context, Views views)
    : m_context(context), m_views(views), m_delivery(context, [this] { refreshBalance(); }),
      m_reload(context, [this] { return buddyTree(); }) {
    connect(&m_context.session, &Session::listInDoubt, &m_reload, &ListReload::listInDoubt);
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

void SessionController::setStage(SignInStage stage) {
    if (m_stage == stage)
        return;
    m_stage = stage;
    emit signInStageChanged(stage);
}

void SessionController::signInOrOut() {
    // While the load is pending the session item already reads "Sign Out": a second sign-in
    // would orphan the ticket just issued. While the sign-in is validated it cancels it.
    if (m_stage == SignInStage::Validating ||
        m_context.session.stage() != Session::Stage::SignedOut)
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

    const int attempt = ++m_attempt;
    setStage(SignInStage::Validating);
    m_context.calls.call(
        [user = wire(credentials->user),
         password = wire(credentials->password)](ServiceProxy& proxy, ServiceText* result) {
            return proxy.apiValidateLogin(user, password, result);
        },
        this,
        [this, attempt, user = utf8(credentials->user)](const ServiceCalls::Answer& answer) {
            validated(attempt, user, answer.status, answer.result);
        });
}

void SessionController::validated(int attempt, const std::string& user, Status status,
                                  const ServiceText& result) {
    const std::optional<std::string> ticket = ticketFromSignIn(status, result);
    if (attempt != m_attempt || m_stage != SignInStage::Validating) {
        // Cancelled while on its way: a ticket issued all the same must not stay alive.
        if (ticket)
            giveTicketBack(*ticket);
        return;
    }
    if (!ticket) {
        setStage(SignInStage::Idle);
        showSignInFailure();
        return;
    }
    m_context.session.begin(user, *ticket);
    setStage(SignInStage::Waiting);
    m_loadTimer.start();
}

void SessionController::loadAfterSignIn() {
    m_loadTimer.stop();
    if (!m_context.session.signingIn() || m_stage != SignInStage::Waiting)
        return;
    setStage(SignInStage::List);
    m_context.calls.call<LoadedList>(
        [ticket = m_context.session.ticket()](ServiceProxy& proxy) {
            LoadedList list;
            ServiceText result;
            const Status status = proxy.apiGetBuddyList(utf8ToUtf16(ticket), &result);
            list.status = buddyListOutcome(ticket, status, result, list.root);
            return list;
        },
        this, [this](LoadedList& list) { listLoaded(list.status, list.root); });
}

void SessionController::listLoaded(Status list, BuddyEntry& root) {
    setStage(SignInStage::Balance);
    refreshBalance(
        [this, list, root = std::make_shared<BuddyEntry>(std::move(root))](Status balance) {
            if (judgeLoad(list, balance) == LoadOutcome::Abandon)
                abandonSignIn();
            else
                buildSignedInView(std::move(*root));
        });
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
    fetchInterface();
}

void SessionController::fetchInterface() {
    setStage(SignInStage::Interface);
    m_context.calls.call([ticket = utf8ToUtf16(m_context.session.ticket())](
                             ServiceProxy& proxy,
                             ServiceText* result) { return proxy.apiGetInterface(ticket, result); },
                         this,
                         [this](const ServiceCalls::Answer& answer) {
                             interfaceAnswered(answer.status, answer.result);
                         });
}

void SessionController::interfaceAnswered(Status status, const ServiceText& result) {
    ResultDocument document;
    if (failed(status) || failed(checkResult(result, document))) {
        completeSignIn(); // no interface buttons and no web tabs, nothing more
        return;
    }
    m_context.session.setInterfaceDescription(utf16ToUtf8(*result));
    const std::optional<InterfaceDescription> description = readInterfaceDescription(result);
    if (!description) {
        completeSignIn();
        return;
    }
    setStage(SignInStage::Icons);
    m_views.pages.buildInterface(*description, [this] { completeSignIn(); });
}

void SessionController::completeSignIn() {
    if (BuddyTree* tree = buddyTree()) {
        tree->setEditFlags({true, true, false, false});
        m_context.session.complete();
        tree->selectLine(tree->rootLine());
        tree->setFocus();
    }
    setStage(SignInStage::Idle);
}

void SessionController::refreshBalance(std::function<void(Status)> done) {
    const std::string& ticket = m_context.session.ticket();
    if (ticket.empty()) {
        if (done)
            done(E_FAIL);
        return;
    }
    m_context.calls.call(
        [wireTicket = utf8ToUtf16(ticket)](ServiceProxy& proxy, ServiceText* result) {
            return proxy.apiBalanceSms(wireTicket, result);
        },
        this,
        [this, done = std::move(done)](const ServiceCalls::Answer& answer) {
            const std::optional<std::string> balance =
                balanceFromResult(answer.status, answer.result);
            if (balance)
                m_context.session.setBalance(*balance);
            if (done)
                done(balance ? S_OK : E_FAIL);
        });
}

void SessionController::signOut() {
    endSession();
}

void SessionController::endSession() {
    m_loadTimer.stop();
    if (m_stage == SignInStage::Validating) {
        // No ticket yet, so nothing to end: the answer gives back any ticket it brings.
        setStage(SignInStage::Idle);
        return;
    }
    placeBackCutBuddy(m_context, buddyTree());
    finish();
}

// The views go before the list they show, and the ticket is given back last: while that call
// runs the window already shows the session as ended.
void SessionController::finish() {
    setStage(SignInStage::Idle);
    m_views.pages.destroyPages();
    const std::string ticket = m_context.session.ticket();
    m_context.session.end();
    if (!ticket.empty())
        giveTicketBack(ticket);
}

void SessionController::giveTicketBack(const std::string& ticket) {
    // The outcome does not matter: the session ends here either way.
    m_context.calls.call(
        [wireTicket = utf8ToUtf16(ticket)](ServiceProxy& proxy, ServiceText* result) {
            return proxy.apiLogout(wireTicket, result);
        },
        nullptr, [](const ServiceCalls::Answer&) {});
}

void SessionController::showSignInFailure() {
    // The proxy is only read while no call of the worker uses it: the failure shows once the
    // calls under way, such as the ticket given back, are answered.
    if (m_context.session.callPending()) {
        connect(
            &m_context.session, &Session::callPendingChanged, this, [this] { showSignInFailure(); },
            Qt::SingleShotConnection);
        return;
    }
    const StringCatalogue& catalogue = m_context.catalogue;
    QString text = localised(catalogue, Text::SignInFailed);
    if (const auto reason = certificateReason(m_context.calls.proxy().certificateProblem()))
        text += QStringLiteral("\n\n") + localised(catalogue, *reason);
    m_context.prompts.message(&m_context.dialogParent, text, qs(catalogue.dialogTitle()),
                              Prompts::Icon::Error);
}

} // namespace textowl
