#include "app/qt_prompts.h"
#include "app/skin_commands.h"
#include "messaging/send_panel.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "support/qt/session_state.h"
#include "texts/string_catalogue.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace textowl {
namespace {

// Acts on the modal dialog once it is up, as the user would.
void whenModalOpens(std::function<void(QWidget*)> act) {
    // A service call may run its own event loop before the box opens: look again until it does.
    QTimer::singleShot(0, [act = std::move(act)]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(modal);
        else
            whenModalOpens(std::move(act));
    });
}

TEST(QtPrompts, MessageBoxCarriesTextCaptionAndIcon) {
    QtPrompts prompts;
    QString seenText, seenCaption;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seenText = box->text();
        seenCaption = box->windowTitle();
        seenIcon = box->icon();
        box->accept();
    });
    prompts.message(nullptr, QStringLiteral("Unable to login"), QStringLiteral("Textowl Message"),
                    Prompts::Icon::Error);
    EXPECT_EQ(seenText, QStringLiteral("Unable to login"));
    EXPECT_EQ(seenCaption, QStringLiteral("Textowl Message"));
    EXPECT_EQ(seenIcon, QMessageBox::Critical);
}

TEST(QtPrompts, QuestionsReturnTheButtonPressed) {
    QtPrompts prompts;
    whenModalOpens([](QWidget* modal) {
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(prompts.askYesNo(nullptr, QStringLiteral("Delete?"), QStringLiteral("T")),
              Prompts::Answer::Yes);
    whenModalOpens([](QWidget* modal) {
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(prompts.askYesNoCancel(nullptr, QStringLiteral("Save?"), QStringLiteral("T")),
              Prompts::Answer::Cancel);
}

TEST(QtPrompts, SignInReturnsCredentialsOnOkAndNothingOnCancel) {
    QtPrompts prompts;
    const Prompts::SignInTexts texts{QStringLiteral("Textowl Sign In"),
                                     QStringLiteral("&Username:"), QStringLiteral("&Password:"),
                                     QStringLiteral("Ok"), QStringLiteral("Cancel")};
    whenModalOpens([](QWidget* modal) {
        modal->findChild<QLineEdit*>(QStringLiteral("user"))->setText(QStringLiteral("demo"));
        modal->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("pw"));
        qobject_cast<QDialog*>(modal)->accept();
    });
    const auto credentials = prompts.signIn(nullptr, texts);
    ASSERT_TRUE(credentials.has_value());
    EXPECT_EQ(credentials->user, QStringLiteral("demo"));
    EXPECT_EQ(credentials->password, QStringLiteral("pw"));
    whenModalOpens([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(prompts.signIn(nullptr, texts).has_value());
}

TEST(QtPrompts, GroupDialogReturnsTheEditedName) {
    QtPrompts prompts;
    Prompts::GroupForm form{QStringLiteral("New Group"), QStringLiteral("Old")};
    whenModalOpens([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("New Group"));
        modal->findChild<QLineEdit*>()->setText(QStringLiteral("Family"));
        qobject_cast<QDialog*>(modal)->accept();
    });
    EXPECT_TRUE(prompts.editGroup(nullptr, form));
    EXPECT_EQ(form.name, QStringLiteral("Family"));
}

TEST(QtPrompts, ContactDialogCancelLeavesTheFormAlone) {
    QtPrompts prompts;
    Prompts::ContactForm form;
    form.caption = QStringLiteral("New Contact");
    form.cellPhone = QStringLiteral("+46700000000");
    whenModalOpens([](QWidget* modal) {
        for (QLineEdit* edit : modal->findChildren<QLineEdit*>())
            edit->setText(QStringLiteral("changed"));
        qobject_cast<QDialog*>(modal)->reject();
    });
    EXPECT_FALSE(prompts.editContact(nullptr, form));
    EXPECT_EQ(form.cellPhone, QStringLiteral("+46700000000"));
}

TEST(QtPrompts, FileChooserShowsTheFilterTextsAndAllFilesTakesNamesWithoutADot) {
    QTemporaryDir folder;
    Prompts::FileChoice choice = skinFileChoice();
    choice.folder = folder.path();
    QtPrompts prompts;
    QString caption;
    QStringList shown;
    QStringList allFilesPatterns;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        for (int i = 0; i < types->count(); ++i)
            shown.append(types->itemText(i));
        dialog->selectNameFilter(dialog->nameFilters().value(1));
        allFilesPatterns = dialog->findChild<QFileSystemModel*>()->nameFilters();
        dialog->reject();
    });
    EXPECT_FALSE(prompts.chooseFile(nullptr, choice).has_value());
    EXPECT_TRUE(QDir::match(allFilesPatterns, QStringLiteral("plain")))
        << "a name without a dot is listed under All Files: "
        << allFilesPatterns.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(caption, QStringLiteral("Select Textowl Skin"));
    EXPECT_EQ(shown, QStringList({QStringLiteral("Textowl Skins (*.bmp)"),
                                  QStringLiteral("All Files (*.*)")}));
}

TEST(QtPrompts, SaveDialogGivesANameWithoutSuffixTheChosenFiltersSuffix) {
    QTemporaryDir folder;
    Prompts::FileChoice choice{QStringLiteral("Export Contacts"),
                               folder.path(),
                               {{QStringLiteral("vCard Files"), QStringLiteral("*.vcf")},
                                {QStringLiteral("CSV Files"), QStringLiteral("*.csv")}},
                               true};
    QtPrompts prompts;
    whenModalOpens([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QTest::keyClick(types, Qt::Key_Down);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("familj2"));
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<QString> path = prompts.chooseFile(nullptr, choice);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(QFileInfo(*path).fileName(), QStringLiteral("familj2.csv"));
    EXPECT_EQ(choice.filter, 1);
}

// Exit from the tray can end the session while the panel's message box is open.
TEST(QtPrompts, APanelDestroyedUnderItsMessageBoxTakesTheBoxAlong) {
    QtPrompts prompts;
    StringCatalogue catalogue("no-such-strings.xml", "English");
    Session session;
    ServiceCalls calls(std::make_unique<ServiceProxy>("http://127.0.0.1:9/soap"), session);
    QPointer<SendPanel> panel = new SendPanel({session, calls, prompts, catalogue}, nullptr);
    panel->show();
    panel->setGroupNames({});
    panel->toBox()->setText(QStringLiteral("4670123"));
    panel->messageBox()->setPlainText(QStringLiteral("Hello"));
    bool boxWasOpen = false;
    whenModalOpens([&](QWidget* modal) {
        boxWasOpen = qobject_cast<QMessageBox*>(modal) != nullptr;
        delete panel.data();
    });
    panel->pressSend(); // no session: fails, and says so in a box
    ASSERT_TRUE(waitForAnswers(session));
    EXPECT_TRUE(boxWasOpen);
    EXPECT_TRUE(panel.isNull());
}

} // namespace
} // namespace textowl
