// Saves pictures of the main window for review: textowl_screenshot OUTPUT_DIR [LANGUAGE].
// With TEXTOWL_SERVICE_URL set it also signs in there as demo / demo and saves the signed-in
// window, once as loaded, once with a buddy selected, and the send panel's two views. Run from
// resources/ it also shows the slate skin chosen and kept over a restart, and the window without
// its frame and with it again.
#include "app/buddy_dialogs.h"
#include "app/command_router.h"
#include "app/composition.h"
#include "app/engine_web_view.h"
#include "app/page_host.h"
#include "app/qt_prompts.h"
#include "app/session_controller.h"
#include "app/session_host.h"
#include "app/sign_in_dialog.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "support/qt/scripted_prompts.h"
#include "support/qt/session_state.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>

namespace {

using textowl::Application;
using textowl::composeApplication;
using textowl::MainWindow;

void save(MainWindow& window, const QString& out, const QString& name, const QString& suffix) {
    window.grab().save(out + QLatin1Char('/') + name + suffix + QStringLiteral(".png"));
}

void saveSignInDialog(const QString& out, const QString& suffix) {
    textowl::SignInDialog dialog({QStringLiteral("Textowl Sign In"), QStringLiteral("&Username:"),
                                  QStringLiteral("&Password:"), QStringLiteral("Ok"),
                                  QStringLiteral("Cancel")});
    dialog.userEdit()->setText(QStringLiteral("demo"));
    dialog.passwordEdit()->setText(QStringLiteral("demo"));
    dialog.show();
    dialog.grab().save(out + QStringLiteral("/sign_in_dialog") + suffix + QStringLiteral(".png"));
}

void settle(int ms = 300) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window as its shape lets it show, on black: the screen of a bare X server keeps stale
// pixels where a shaped window leaves out, so it cannot be grabbed from there.
void saveShaped(MainWindow& window, const QString& out, const QString& name) {
    constexpr int kMargin = 12;
    QPixmap canvas(window.size() + QSize(2 * kMargin, 2 * kMargin));
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.translate(kMargin, kMargin);
    if (!window.mask().isEmpty())
        painter.setClipRegion(window.mask());
    painter.drawPixmap(0, 0, window.grab());
    painter.end();
    canvas.save(out + QLatin1Char('/') + name + QStringLiteral(".png"));
}

// Chooses skins/slate.bmp (from the current directory) in a window with its own settings, opens
// a second window on those settings as a restart would, and takes that one frameless and back.
void saveSkinAndFrameShots(const QString& out, const QString& suffix) {
    QTemporaryDir settingsDir;
    const auto settings = std::make_shared<QSettings>(
        settingsDir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat);
    const auto makeWindow = [&settings](std::deque<std::optional<QString>> files) {
        auto prompts = std::make_unique<textowl::testing::ScriptedPrompts>();
        prompts->files = std::move(files);
        textowl::ApplicationOptions options;
        options.settings = settings;
        options.prompts = std::move(prompts);
        return composeApplication(std::move(options), true);
    };
    {
        const Application app =
            makeWindow({QDir::current().filePath(QStringLiteral("skins/slate.bmp"))});
        app.window->show();
        settle();
        app.router->runCommand(textowl::kCmdChooseSkin);
        save(*app.window, out, QStringLiteral("skin_chosen"), suffix);
    }
    const Application app = makeWindow({});
    MainWindow& window = *app.window;
    window.show();
    settle();
    save(window, out, QStringLiteral("skin_after_restart"), suffix);
    for (const char* name : {"frameless", "framed_again"}) {
        app.router->runCommand(textowl::kCmdToggleFrame);
        settle();
        saveShaped(window, out, QLatin1String(name) + suffix);
    }
}

void saveBuddyDialogs(const QString& out, const QString& suffix) {
    textowl::testing::ScriptedPrompts prompts;
    textowl::Prompts::ContactForm form;
    form.caption = QStringLiteral("Edit Contact");
    form.nickname = QStringLiteral("Bobby");
    form.firstName = QStringLiteral("Bob");
    form.cellPhone = QStringLiteral("46702345678");
    form.currentYear = 2026;
    form.birthday = {46, 3, 1};
    form.groups = {QStringLiteral("<Add New Group>"), QStringLiteral("Family"),
                   QStringLiteral("Work")};
    form.groupIndex = 2;
    form.texts = {QStringLiteral("&First Name:"),
                  QStringLiteral("&Last Name:"),
                  QStringLiteral("&Nickname:"),
                  QStringLiteral("&Cell Phone:"),
                  QStringLiteral("&Email:"),
                  QStringLiteral("&Birthday:"),
                  QStringLiteral("&Group:"),
                  QStringLiteral("Ok"),
                  QStringLiteral("Cancel"),
                  {},
                  {}};
    textowl::ContactDialog contact(form, prompts);
    contact.show();
    contact.grab().save(out + QStringLiteral("/contact_dialog") + suffix + QStringLiteral(".png"));
    textowl::GroupDialog group({QStringLiteral("Edit Work Group"), QStringLiteral("Work")});
    group.show();
    group.grab().save(out + QStringLiteral("/group_dialog") + suffix + QStringLiteral(".png"));
}

void fakeSigningIn(const Application& app) {
    MainWindow& window = *app.window;
    textowl::WindowState state;
    state.signingIn = true;
    window.signInButton()->hide();
    window.registerButton()->hide();
    enterState(window, app.session->session(), state);
}

// Signs in for real; the signing-in view shows until the load's timer fires. Prints how long the
// window took from the accepted sign-in to the full interface, web tabs and footer included.
void signIn(const Application& app, textowl::testing::ScriptedPrompts& prompts) {
    MainWindow& window = *app.window;
    prompts.credentials.push_back(
        textowl::Prompts::Credentials{QStringLiteral("demo"), QStringLiteral("demo")});
    auto* clock = new QElapsedTimer;
    auto* poll = new QTimer(&window);
    // The sign-in answers by callback: the clock starts with the ticket in hand.
    QObject::connect(&app.session->controller(), &textowl::SessionController::signInStageChanged,
                     poll, [clock](textowl::SessionController::SignInStage stage) {
                         if (stage == textowl::SessionController::SignInStage::Waiting)
                             clock->start();
                     });
    app.router->runCommand(textowl::kCmdSignInOut);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, clock, poll] {
        if (!window.commandState().signedIn || !clock->isValid())
            return;
        std::fprintf(stderr, "interface shown %lld ms after the accepted sign-in\n",
                     static_cast<long long>(clock->elapsed()));
        poll->stop();
        poll->deleteLater();
        delete clock;
    });
    poll->start(1);
}

void selectFirstBuddy(const textowl::SessionHost& host) {
    textowl::BuddyTree* tree = host.controller().buddyTree();
    if (tree != nullptr && tree->model()->hasChildren(tree->rootLine()))
        tree->selectLine(tree->model()->index(0, 0, tree->rootLine()));
}

// The sign-up page in the real page dialog, as Register shows it before sign-in.
void savePageDialog(const QString& out, const QString& suffix) {
    const char* base = std::getenv("TEXTOWL_SERVICE_URL");
    if (base == nullptr)
        return;
    textowl::QtPrompts prompts;
    textowl::EngineWebViewFactory engine;
    prompts.setPageViewFactory([&engine](QWidget* parent, const QUrl& address) {
        textowl::WebView* view = engine.create(parent);
        view->navigate(address);
        return view;
    });
    QString address = QString::fromLocal8Bit(base);
    address = address.left(address.lastIndexOf(QLatin1Char('/'))) + QStringLiteral("/signup");
    QTimer::singleShot(2500, [out, suffix] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->grab().save(out + QStringLiteral("/page_dialog") + suffix +
                                QStringLiteral(".png"));
            dialog->close();
        }
    });
    prompts.showPage(nullptr, QStringLiteral("Register Textowl"), QUrl(address));
}

// The panel opened on the selected buddy with a message written, then its log after one send.
void saveSendPanel(const Application& app, const QString& out, const QString& suffix) {
    MainWindow& window = *app.window;
    app.router->runCommand(textowl::kCmdSendMessage);
    textowl::SendPanel* panel = app.session->pages().sendPanel();
    if (panel == nullptr)
        return;
    panel->messageBox()->setPlainText(QStringLiteral("Running late, see you at eight."));
    QApplication::processEvents();
    save(window, out, QStringLiteral("send_panel"), suffix);
    panel->pressSend();
    textowl::waitForAnswers(app.session->session());
    panel->showLogView();
    QApplication::processEvents();
    save(window, out, QStringLiteral("send_log"), suffix);
    app.session->returnToBuddyList();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);
    const QString suffix =
        argc > 2 ? QStringLiteral("_") + QString::fromLocal8Bit(argv[2]) : QString();
    if (argc > 2)
        textowl::StringCatalogue::setCurrentLanguageName(argv[2]);
    const bool live = std::getenv("TEXTOWL_SERVICE_URL") != nullptr;

    auto prompts = std::make_unique<textowl::testing::ScriptedPrompts>();
    textowl::testing::ScriptedPrompts& answers = *prompts;
    textowl::ApplicationOptions options;
    options.prompts = std::move(prompts);
    const Application application = composeApplication(std::move(options), true);
    MainWindow& window = *application.window;
    window.show();
    QTimer::singleShot(300, &window, [&] {
        save(window, out, QStringLiteral("signed_out"), suffix);
        saveSignInDialog(out, suffix);
        saveSkinAndFrameShots(out, suffix);
        saveBuddyDialogs(out, suffix);
        savePageDialog(out, suffix);
        if (live)
            signIn(application, answers);
        else
            fakeSigningIn(application);
        save(window, out, QStringLiteral("signing_in"), suffix);
        if (!live) {
            QApplication::quit();
            return;
        }
        QTimer::singleShot(4000, &window, [&] {
            save(window, out, QStringLiteral("signed_in"), suffix);
            application.router->runCommand(textowl::kCmdTerms);
            settle(2000);
            save(window, out, QStringLiteral("terms_in_first_tab"), suffix);
            application.session->pages().showBuddyList();
            selectFirstBuddy(*application.session);
            QTimer::singleShot(200, &window, [&] {
                save(window, out, QStringLiteral("signed_in_buddy"), suffix);
                saveSendPanel(application, out, suffix);
                application.router->runCommand(textowl::kCmdSignInOut);
                QApplication::quit();
            });
        });
    });
    return QApplication::exec();
}
