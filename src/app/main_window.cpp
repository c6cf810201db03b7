#include "app/main_window.h"

#include "app/command_router.h"
#include "app/key_event_filter.h"
#include "app/qt_language.h"
#include "app/session_display.h"
#include "app/session_rules.h"
#include "app/skin_commands.h"
#include "app/tray_controller.h"
#include "base/command_ids.h"
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

MainWindow::MainWindow(Options options, CommandRouter& router, Session& session)
    : m_catalogue(StringCatalogue::obtain()),
      m_qtLanguage(std::make_unique<QtLanguage>(*m_catalogue)),
      m_settings(std::move(options.settings)), m_prompts(std::move(options.prompts)),
      m_router(router), m_session(session) {
    initResources();
    setWindowTitle(kInitialTitle);
    // The links, buttons and toggles explain themselves also while another window is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    m_surface = new MainSurface(this);
    m_surface->setSkin(&m_skin);
    m_surface->setCommandSink([this](int id) { m_router.postCommand(id); });
    setCentralWidget(m_surface);
    installHandlers();

    setWindowIcon(applicationIcon());
    // The remembered choices first, then everything that shows texts.
    m_preferences = Preferences::load(*m_settings);
    m_skin.load(m_preferences.skin);
    m_frame = new FramelessWindow(*this, *m_surface, [this](int id) { m_router.postCommand(id); });
    m_frame->applySkin(m_skin);
    m_router.setCommandHandler(kCmdToggleFrame, [this] { m_frame->toggle(); });
    installSkinCommands(m_router, *m_prompts, *this,
                        [this](const QString& path) { applySkin(path); });
    StringCatalogue::setCurrentLanguageName(m_preferences.language.toStdString());
    m_qtLanguage->apply();

    m_menu = new MainMenu(
        menuBar(), [this](int id) { m_router.runCommand(id); }, [this] { return commandState(); },
        this);
    m_menu->applyEnabling(commandState());

    m_surface->setTitleImage(QImage(QStringLiteral(":/bitmaps/222")));
    m_surface->setIcon(QPixmap(QStringLiteral(":/icons/128.png")));
    createButtons();

    m_keyFilter = new KeyEventFilter(
        this, [this] { return commandState(); }, [this](int id) { m_router.postCommand(id); },
        this);
    qApp->installEventFilter(m_keyFilter);

    setMinimumSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    centreInWorkArea();
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
    connect(m_signIn, &QPushButton::clicked, this,
            [this] { m_router.runCommand(kCmdSignInButton); });
    connect(m_register, &QPushButton::clicked, this, [this] { m_router.runCommand(kCmdRegister); });
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
    m_router.setCommandHandler(kCmdRegister, [this] { showServicePage("url/signup"); });
    m_router.setCommandHandler(kCmdForgotPassword, [this] { showServicePage("url/forgotpwd"); });
    m_router.setLanguageHandler([this](int index) { switchLanguage(index); });
}

WindowState MainWindow::commandState() const {
    WindowState state;
    state.signingIn = m_session.signingIn();
    state.signedIn = m_session.signedIn();
    state.sending = m_session.sending();
    state.callPending = m_session.callPending();
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
    connect(&m_session, &Session::stageChanged, this, [this](Session::Stage stage) {
        // With no tree, Cut or Copy would have nothing to act on.
        if (stage != Session::Stage::SignedIn)
            m_editFlags = {};
        applyCommandState();
    });
    connect(&m_session, &Session::sendingChanged, this, [this] { applyCommandState(); });
    // Also a menu already open greys its items that call the service.
    connect(&m_session, &Session::callPendingChanged, this,
            [this] { m_menu->applyEnabling(commandState()); });
    // After the state, so that the view has changed when the buttons and header follow.
    m_display = new SessionDisplay(m_session, *m_catalogue,
                                   {*this, *m_menu, *m_surface, *m_signIn, *m_register}, this);
    applyMenuTexts();
    applyWindowTexts();
}

void MainWindow::applyMenuTexts() {
    // The session item signs out while the load after sign-in is pending, and reads so.
    // The language in use is ticked, also before the user ever chose one.
    m_menu->applyTexts(*m_catalogue, m_session.stage() != Session::Stage::SignedOut,
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
    emit textsChanged();
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

std::unique_ptr<QMenu> MainWindow::contextMenuFor(LineKind selected) {
    return buildPopupMenu(popupMenuFor(selected), *m_catalogue, commandState(),
                          [this](int id) { m_router.postCommand(id); });
}

void MainWindow::showContextMenu(LineKind selected, QPoint globalPos) {
    // The pop-ups act on the buddy list, so they belong to its tab (also while sending from it).
    if (!m_session.signedIn() || (m_buddyListShown && !m_buddyListShown()))
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

void MainWindow::rememberContactFolder(const QString& folder) {
    m_preferences.contactFolder = folder;
    m_preferences.saveContactFolder(*m_settings);
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
