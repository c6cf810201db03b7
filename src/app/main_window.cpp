#include "app/main_window.h"

#include "app/buddy_commands.h"
#include "app/buddy_tree_wiring.h"
#include "app/contact_commands.h"
#include "app/key_event_filter.h"
#include "app/page_host.h"
#include "app/qt_language.h"
#include "app/session_controller.h"
#include "app/session_display.h"
#include "app/session_rules.h"
#include "app/skin_commands.h"
#include "app/tray_controller.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "ui/frameless_window.h"
#include "ui/main_surface.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <algorithm>

// Images and icons live in a static library; referencing their initialiser keeps them linked.
static void initResources() {
#ifdef TEXTOWL_HAVE_RESOURCES
    Q_INIT_RESOURCE(textowl);
#endif
}

namespace textowl {

namespace {

const QString kInitialTitle = QStringLiteral("Textowl 2006 v.1.0");
// The page dialog carries this caption for every page, untranslated.
const QString kPageDialogCaption = QStringLiteral("Register Textowl");

// Every drawn size, so that the title bar, the task switcher and the tray each get a sharp picture
// instead of the 32-pixel one scaled.
QIcon applicationIcon() {
    QIcon icon;
    for (const char* name :
         {":/icons/128-16.png", ":/icons/128.png", ":/icons/128-48.png", ":/icons/128-256.png"}) {
        const QPixmap pixmap(QString::fromLatin1(name));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/icons/textowl.svg"));
    return icon;
}

} // namespace

MainWindow::MainWindow(Options options)
    : m_catalogue(StringCatalogue::obtain()),
      m_qtLanguage(std::make_unique<QtLanguage>(*m_catalogue)),
      m_settings(std::move(options.settings)), m_prompts(std::move(options.prompts)),
      m_clock(options.clock), m_webViews(std::move(options.webViews)) {
    initResources();
    m_calls = std::move(options.calls);
    m_session = std::move(options.session);
    setWindowTitle(kInitialTitle);
    // The links, buttons and toggles explain themselves also while another window is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    m_surface = new MainSurface(this);
    m_surface->setSkin(&m_skin);
    m_surface->setCommandSink([this](int id) { postCommand(id); });
    setCentralWidget(m_surface);
    installHandlers();

    setWindowIcon(applicationIcon());
    // The remembered choices first, then everything that shows texts.
    m_preferences = Preferences::load(*m_settings);
    m_skin.load(m_preferences.skin);
    m_frame = new FramelessWindow(*this, *m_surface, [this](int id) { postCommand(id); });
    m_frame->applySkin(m_skin);
    m_handlers[kCmdToggleFrame] = [this] { m_frame->toggle(); };
    installSkinCommands(*this);
    StringCatalogue::setCurrentLanguageName(m_preferences.language.toStdString());
    m_qtLanguage->apply();

    m_menu = new MainMenu(
        menuBar(), [this](int id) { runCommand(id); }, [this] { return commandState(); }, this);
    m_menu->applyEnabling(commandState());

    m_surface->setTitleImage(QImage(QStringLiteral(":/bitmaps/222")));
    m_surface->setIcon(QPixmap(QStringLiteral(":/icons/128.png")));
    createButtons();

    m_keyFilter = new KeyEventFilter(
        this, [this] { return commandState(); }, [this](int id) { postCommand(id); }, this);
    qApp->installEventFilter(m_keyFilter);

    m_pages = std::make_unique<PageHost>(PageHost::Context{*m_surface, m_skin, *m_session, *m_calls,
                                                           *m_catalogue, *m_webViews,
                                                           [this](int id) { postCommand(id); }});
    connect(m_pages.get(), &PageHost::returnRequested, this, &MainWindow::returnToBuddyList);
    connect(this, &MainWindow::skinChanged, m_pages.get(), &PageHost::applySkin);
    m_handlers[kCmdSendMessage] = [this] { m_pages->openSendPanel(); };
    m_handlers[kCmdScrollTabsUp] = [this] { m_pages->scrollTabs(false); };
    m_handlers[kCmdScrollTabsDown] = [this] { m_pages->scrollTabs(true); };
    m_handlers[kCmdTerms] = [this] { showPageInFirstWebTab("url/terms"); };
    m_handlers[kCmdFaqs] = [this] { showPageInFirstWebTab("url/faqs"); };
    m_handlers[kCmdContactUs] = [this] { showPageInFirstWebTab("url/contactus"); };
    m_handlers[kCmdAbout] = [this] { showPageInFirstWebTab("url/about"); };
    m_context.emplace(
        SessionContext{*m_session, *m_calls, *m_prompts, *m_catalogue, *m_clock, *this});
    m_controller = std::make_unique<SessionController>(
        *m_context, SessionController::Views{*m_pages, *m_surface, m_skin});
    // Delivered messages are announced only for those who ask for it.
    m_controller->deliveryPoller().setAnnounceDelivered(
        m_settings->value(QStringLiteral("Preferences/announceDelivered"), false).toBool());
    const auto signInOrOut = [this] { m_controller->signInOrOut(); };
    m_handlers[kCmdSignInOut] = signInOrOut;
    m_handlers[kCmdSignInButton] = signInOrOut;
    followSession();
    installBuddyCommands(*this);
    installContactCommands(*this);

    applyMenuTexts();
    applyWindowTexts();

    setMinimumSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    centreInWorkArea();
}

void MainWindow::setTray(TrayController& tray) {
    m_tray = &tray;
    m_controller->deliveryPoller().setNotifier([&tray](const QString& title, const QString& text) {
        return tray.showNotice(title, text);
    });
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(m_keyFilter);
}

QString MainWindow::text(Text id) const {
    return localised(*m_catalogue, id);
}

void MainWindow::createButtons() {
    m_signIn = new QPushButton(m_surface);
    m_register = new QPushButton(m_surface);
    m_signIn->setGeometry(toQRect(kSignInButtonRect));
    m_register->setGeometry(toQRect(kRegisterButtonRect));
    connect(m_signIn, &QPushButton::clicked, this, [this] { runCommand(kCmdSignInButton); });
    connect(m_register, &QPushButton::clicked, this, [this] { runCommand(kCmdRegister); });
    m_signIn->show();
    m_register->show();
}

void MainWindow::centreInWorkArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(area.center());
    // Larger than the work area (a small screen at a large scale): the title bar stays inside it,
    // where the window can be taken and moved, and the rest runs off the bottom and right.
    frame.moveTopLeft({std::max(frame.left(), area.left()), std::max(frame.top(), area.top())});
    move(frame.topLeft());
}

void MainWindow::installHandlers() {
    m_handlers[kCmdRegister] = [this] { showServicePage("url/signup"); };
    m_handlers[kCmdForgotPassword] = [this] { showServicePage("url/forgotpwd"); };
}

void MainWindow::setCommandHandler(int id, std::function<void()> handler) {
    m_handlers[id] = std::move(handler);
}

ServiceProxy& MainWindow::serviceProxy() const {
    return m_calls->proxy();
}

void MainWindow::runCommand(int id) {
    if (m_calls->isRunning()) {
        // A call is pending. Sign-out and exit drop its answer and follow once its caller has
        // returned; any other command waits its turn, as it did while the call blocked.
        if (id == kCmdExit)
            hide();
        if (id == kCmdExit || id == kCmdSignInOut)
            m_calls->abandon();
        m_calls->whenIdle(this, [this, id] { runCommand(id); });
        return;
    }
    if (isLanguageCommand(id)) {
        switchLanguage(id - kCmdLanguageFirst);
        return;
    }
    if (isInterfaceButtonCommand(id)) {
        m_pages->openButtonPage(id);
        return;
    }
    const auto it = m_handlers.find(id);
    if (it != m_handlers.end() && it->second)
        it->second();
}

void MainWindow::postCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { runCommand(id); }, Qt::QueuedConnection);
}

WindowState MainWindow::commandState() const {
    WindowState state;
    state.signingIn = m_session->signingIn();
    state.signedIn = m_session->signedIn();
    state.sending = m_session->sending();
    state.cutEnabled = m_editFlags.cut;
    state.copyEnabled = m_editFlags.copy;
    state.pasteEnabled = m_editFlags.paste;
    state.deleteEnabled = m_editFlags.remove;
    return state;
}

void MainWindow::setEditFlags(EditFlags flags) {
    m_editFlags = flags;
    applyCommandState();
}

void MainWindow::applyCommandState() {
    const WindowState state = commandState();
    m_surface->setView(viewFor(state.signingIn, state.signedIn));
    m_surface->setSending(state.sending);
    m_menu->applyEnabling(state);
}

void MainWindow::followSession() {
    connect(m_session.get(), &Session::stageChanged, this, [this](Session::Stage stage) {
        // With no tree, Cut or Copy would have nothing to act on.
        if (stage != Session::Stage::SignedIn)
            m_editFlags = {};
        applyCommandState();
    });
    connect(m_session.get(), &Session::sendingChanged, this, [this] { applyCommandState(); });
    // After the state, so that the view has changed when the buttons and header follow.
    m_display = new SessionDisplay(*m_session, *m_catalogue,
                                   {*this, *m_menu, *m_surface, *m_signIn, *m_register}, this);
    connect(m_controller.get(), &SessionController::buddyTreeBuilt, this,
            [this](BuddyTree* tree) { attachBuddyTree(*this, *tree); });
    connect(m_controller.get(), &SessionController::returnRequested, this,
            &MainWindow::returnToBuddyList);
}

void MainWindow::applyMenuTexts() {
    // The session item signs out while the load after sign-in is pending, and reads so.
    // The language in use is ticked, also before the user ever chose one.
    m_menu->applyTexts(*m_catalogue, m_session->stage() != Session::Stage::SignedOut,
                       qs(m_catalogue->selectedLanguage()));
}

void MainWindow::applyWindowTexts() {
    m_frame->setToolTips(text(Text::ToggleFrameHide), text(Text::ToggleFrameShow));
    m_signIn->setText(text(Text::SignInButton));
    m_register->setText(text(Text::RegisterButton));
    m_surface->setTexts(
        {text(Text::SignedOutPrompt), text(Text::ForgotPassword), text(Text::SigningIn)});
    if (m_display)
        m_display->relocalise();
    if (m_pages)
        m_pages->applyTexts();
    if (m_tray != nullptr)
        m_tray->applyTexts(trayTexts(*m_catalogue));
}

void MainWindow::applySkin(const QString& path) {
    m_skin.load(path);
    savePreferences();
    m_frame->applySkin(m_skin);
    m_surface->repaint();
    emit skinChanged();
}

void MainWindow::returnToBuddyList() {
    if (!m_pages->hasTabs())
        return;
    // The balance is only a courtesy here: the list comes back whether or not it could be read.
    m_controller->refreshBalance();
    m_pages->showBuddyList();
}

std::unique_ptr<QMenu> MainWindow::contextMenuFor(LineKind selected) {
    return buildPopupMenu(popupMenuFor(selected), *m_catalogue, commandState(),
                          [this](int id) { postCommand(id); });
}

void MainWindow::showContextMenu(LineKind selected, QPoint globalPos) {
    // The pop-ups act on the buddy list, so they belong to its tab (also while sending from it).
    if (!m_session->signedIn() || m_pages->currentTab() != 0)
        return;
    QMenu* menu = contextMenuFor(selected).release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void MainWindow::switchLanguage(int index) {
    const auto& languages = m_catalogue->languages();
    if (index < 0 || static_cast<std::size_t>(index) >= languages.size())
        return;
    m_preferences.language = qs(languages[static_cast<std::size_t>(index)]);
    savePreferences();
    StringCatalogue::setCurrentLanguageName(m_preferences.language.toStdString());
    m_qtLanguage->apply();
    applyMenuTexts();
    applyWindowTexts();
    update();
}

void MainWindow::rememberImportRegion(const QString& region) {
    m_preferences.importRegion = region;
    m_preferences.saveImportRegion(*m_settings);
}

void MainWindow::savePreferences() {
    m_preferences.skin = m_skin.path();
    m_preferences.save(*m_settings);
}

void MainWindow::showServicePage(const char* urlKey) {
    // No default address: without one the page stays blank.
    std::string address;
    m_catalogue->text(urlKey, address, std::string_view());
    m_prompts->showPage(this, kPageDialogCaption, QUrl(qs(address)));
}

void MainWindow::showPageInFirstWebTab(const char* urlKey) {
    // Looked up at each use, so the page follows the current language.
    std::string address;
    m_catalogue->text(urlKey, address, std::string_view());
    m_pages->openWebPage(address);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing never ends the program; only the Exit command does.
    event->ignore();
    if (m_tray != nullptr)
        m_tray->handle(TrayEvent::Close);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_tray != nullptr)
        m_tray->windowStateChanged();
}

} // namespace textowl
