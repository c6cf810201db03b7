// Saves pictures of the main window for review: textowl_screenshot OUTPUT_DIR [LANGUAGE].
// With TEXTOWL_SERVICE_URL set it also signs in there as demo / demo and saves the signed-in
// window, once as loaded and once with a buddy selected.
#include "app/buddy_dialogs.h"
#include "app/command_ids.h"
#include "app/main_window.h"
#include "app/session_controller.h"
#include "app/sign_in_dialog.h"
#include "buddylist/buddy_tree.h"
#include "support/qt/scripted_prompts.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>

namespace {

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

void fakeSigningIn(MainWindow& window) {
    textowl::WindowState state;
    state.signingIn = true;
    window.signInButton()->hide();
    window.registerButton()->hide();
    window.setCommandState(state);
}

// Signs in for real; the signing-in view shows until the load's timer fires.
void signIn(MainWindow& window, textowl::testing::ScriptedPrompts& prompts) {
    prompts.credentials.push_back(
        textowl::Prompts::Credentials{QStringLiteral("demo"), QStringLiteral("demo")});
    window.runCommand(textowl::kCmdSignInOut);
}

void selectFirstBuddy(MainWindow& window) {
    textowl::BuddyTree* tree = window.session().buddyTree();
    if (tree != nullptr && tree->rootLine()->childCount() > 0)
        tree->selectLine(tree->rootLine()->child(0));
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
    MainWindow::Options options;
    options.trayAvailable = true;
    options.prompts = std::move(prompts);
    MainWindow window(std::move(options));
    window.show();
    QTimer::singleShot(300, &window, [&] {
        save(window, out, QStringLiteral("signed_out"), suffix);
        saveSignInDialog(out, suffix);
        saveBuddyDialogs(out, suffix);
        if (live)
            signIn(window, answers);
        else
            fakeSigningIn(window);
        save(window, out, QStringLiteral("signing_in"), suffix);
        if (!live) {
            QApplication::quit();
            return;
        }
        QTimer::singleShot(1500, &window, [&] {
            save(window, out, QStringLiteral("signed_in"), suffix);
            selectFirstBuddy(window);
            QTimer::singleShot(200, &window, [&] {
                save(window, out, QStringLiteral("signed_in_buddy"), suffix);
                window.runCommand(textowl::kCmdSignInOut);
                QApplication::quit();
            });
        });
    });
    return QApplication::exec();
}
