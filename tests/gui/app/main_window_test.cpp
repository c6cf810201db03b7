#include "app/contact_import_dialog.h"
#include "app/region_names.h"
#include "base/command_ids.h"
#include "support/qt/session_state.h"
#include "ui/main_surface.h"
#include "ui/tray_icon.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace textowl::testing {
namespace {

QStringList titles(MainMenu& menu) {
    QStringList out;
    for (int i = 0; i < 4; ++i)
        out << menu.titleMenu(i)->title();
    return out;
}

void processPosted() {
    QCoreApplication::processEvents();
}

TEST_F(WindowTest, StartsWithItsTitleSizeAndButtons) {
    MainWindow& w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Textowl 2006 v.1.0"));
    EXPECT_EQ(w.size(), QSize(300, 506));
    EXPECT_EQ(w.minimumSize(), QSize(300, 506));
    EXPECT_EQ(w.signInButton()->geometry(), QRect(80, 180, 65, 23));
    EXPECT_EQ(w.registerButton()->geometry(), QRect(155, 180, 65, 23));
    EXPECT_EQ(w.signInButton()->text(), QStringLiteral("Sign In"));
    EXPECT_EQ(w.registerButton()->text(), QStringLiteral("Register"));
    EXPECT_EQ(w.surface()->view(), ViewKind::SignedOut);
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(w.geometry().center(), screen->availableGeometry().center());
}

TEST_F(WindowTest, IconComesInTheSmallAndLargeSizesTheDesktopAsksFor) {
    MainWindow& w = open(true);
    const QList<QSize> sizes = w.windowIcon().availableSizes();
    for (const QSize size : {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(256, 256)})
        EXPECT_TRUE(sizes.contains(size)) << size.width();
}

TEST_F(WindowTest, CannotBeMadeSmallerThanItsStartSize) {
    MainWindow& w = open();
    w.show();
    w.resize(200, 300);
    EXPECT_EQ(w.size(), QSize(300, 506));
    w.resize(400, 600);
    EXPECT_EQ(w.size(), QSize(400, 600));
}

TEST_F(WindowTest, WithoutStringsFileMenusUseBuiltInTextsAndLoseTheLanguageMenu) {
    MainWindow& w = open();
    EXPECT_EQ(titles(w.mainMenu()),
              (QStringList{QStringLiteral("&File"), QStringLiteral("&Contacts"),
                           QStringLiteral("&Languages"), QStringLiteral("&Help")}));
    EXPECT_EQ(w.mainMenu().languageMenu(), nullptr);
    const auto preferences = w.mainMenu().titleMenu(2)->actions();
    ASSERT_EQ(preferences.size(), 1);
    EXPECT_EQ(preferences[0], w.mainMenu().action(kCmdChooseSkin));
    EXPECT_EQ(w.mainMenu().action(kCmdSignInOut)->text(), QStringLiteral("&Sign In..."));
    EXPECT_EQ(w.mainMenu().action(kCmdAddContact)->text(), QStringLiteral("Add New Contact"));
    // Localised texts replace the whole item, key hints included.
    EXPECT_EQ(w.mainMenu().action(kCmdCut)->text(), QStringLiteral("Cu&t"));
}

TEST_F(WindowTest, BeforeSignInSessionItemsAreGreyed) {
    MainWindow& w = open();
    for (int id : {kCmdAddContact, kCmdEditContact, kCmdAddGroup, kCmdCut, kCmdCopy, kCmdPaste,
                   kCmdDelete, kCmdTerms, kCmdFaqs, kCmdContactUs, kCmdAbout})
        EXPECT_FALSE(w.mainMenu().action(id)->isEnabled()) << id;
    for (int id : {kCmdSignInOut, kCmdClose, kCmdChooseSkin})
        EXPECT_TRUE(w.mainMenu().action(id)->isEnabled()) << id;
}

TEST_F(WindowTest, MenusOpenWithEnablingOfTheCurrentState) {
    MainWindow& w = open();
    WindowState s;
    s.signedIn = true;
    s.copyEnabled = true;
    enterState(w, host().session(), s);
    EXPECT_TRUE(w.mainMenu().action(kCmdAddContact)->isEnabled());
    EXPECT_TRUE(w.mainMenu().action(kCmdCopy)->isEnabled());
    EXPECT_FALSE(w.mainMenu().action(kCmdPaste)->isEnabled());
    // A menu about to open re-reads the state even if nobody refreshed it.
    w.mainMenu().action(kCmdCopy)->setEnabled(false);
    emit w.mainMenu().titleMenu(1)->aboutToShow();
    EXPECT_TRUE(w.mainMenu().action(kCmdCopy)->isEnabled());
}

TEST_F(WindowTest, LanguageMenuListsLanguagesAndSwitchingSavesBothPreferences) {
    writeStrings();
    MainWindow& w = open();
    QMenu* languages = w.mainMenu().languageMenu();
    ASSERT_NE(languages, nullptr);
    EXPECT_EQ(languages->title(), QStringLiteral("Language"));
    ASSERT_EQ(languages->actions().size(), 2);
    EXPECT_EQ(languages->actions()[1]->text(), QStringLiteral("Svenska"));
    EXPECT_TRUE(languages->actions()[0]->isChecked()); // the language in use, chosen or not
    EXPECT_FALSE(QFile::exists(settingsPath()));

    router().runCommand(kCmdLanguageFirst + 1);
    EXPECT_EQ(titles(w.mainMenu())[0], QStringLiteral("&Arkiv"));
    EXPECT_EQ(w.signInButton()->text(), QStringLiteral("Logga in"));
    languages = w.mainMenu().languageMenu();
    ASSERT_NE(languages, nullptr);
    EXPECT_TRUE(languages->actions()[1]->isChecked());
    EXPECT_FALSE(languages->actions()[0]->isChecked());

    QSettings saved(settingsPath(), QSettings::IniFormat);
    EXPECT_EQ(saved.value(QStringLiteral("Preferences/language")).toString(),
              QStringLiteral("Svenska"));
    ASSERT_TRUE(saved.contains(QStringLiteral("Preferences/skin")));
    EXPECT_EQ(saved.value(QStringLiteral("Preferences/skin")).toString(), QString());
}

TEST_F(WindowTest, LanguageCommandBeyondTheListDoesNothing) {
    writeStrings();
    MainWindow& w = open();
    router().runCommand(kCmdLanguageFirst + 2);
    EXPECT_EQ(titles(w.mainMenu())[0], QStringLiteral("&File"));
    EXPECT_FALSE(QFile::exists(settingsPath()));
}

// The service's pages are asked for in the new language too.
TEST_F(WindowTest, SwitchingLanguageWhileSignedInKeepsTheSignOutText) {
    writeStrings();
    MainWindow& w = open();
    WindowState s;
    s.signedIn = true;
    enterState(w, host().session(), s);
    ASSERT_FALSE(m_webViews->languages.isEmpty());
    EXPECT_TRUE(m_webViews->languages.first().startsWith(QStringLiteral("en")));
    router().runCommand(kCmdLanguageFirst + 1);
    EXPECT_EQ(w.mainMenu().action(kCmdSignInOut)->text(), QStringLiteral("&Logga ut"));
    ASSERT_FALSE(m_webViews->languages.isEmpty());
    EXPECT_TRUE(m_webViews->languages.first().startsWith(QStringLiteral("sv-")));
}

// While the load after sign-in is pending the session item already signs out, so it must say so.
TEST_F(WindowTest, SwitchingLanguageWhileSigningInKeepsTheSignOutText) {
    writeStrings();
    MainWindow& w = open();
    WindowState s;
    s.signingIn = true;
    enterState(w, host().session(), s);
    router().runCommand(kCmdLanguageFirst + 1);
    EXPECT_EQ(w.mainMenu().action(kCmdSignInOut)->text(), QStringLiteral("&Logga ut"));
}

TEST_F(WindowTest, LanguagePreferenceWinsOverTheCommandLine) {
    writeStrings();
    settings()->setValue(QStringLiteral("Preferences/language"), QStringLiteral("Svenska"));
    StringCatalogue::setCurrentLanguageName("English");
    MainWindow& w = open();
    EXPECT_EQ(w.signInButton()->text(), QStringLiteral("Logga in"));
    // The name, and with it the tray's tip, comes from the language of start-up and stays; the
    // tray's menu follows the chosen language.
    EXPECT_EQ(w.catalogue().applicationName(), "Textowl");
    EXPECT_EQ(tray().icon().toolTip(), QStringLiteral("Textowl"));
    EXPECT_EQ(tray().icon().menu()->actions().at(0)->text(), QStringLiteral("Återställ"));
    EXPECT_EQ(tray().icon().menu()->actions().at(1)->text(), QStringLiteral("Avsluta"));
}

// Started again after Svenska was chosen: the toolkit's own dialogs, the tray and the import's
// region list speak it too.
TEST_F(WindowTest, SvenskaReachesTheToolkitsDialogsTheTrayAndTheRegionList) {
    writeStrings();
    settings()->setValue(QStringLiteral("Preferences/language"), QStringLiteral("Svenska"));
    MainWindow& w = open(true);
    const QMessageBox box(QMessageBox::Question, {}, {},
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    const auto label = [&files](const char* name) {
        const auto* found = files.findChild<QLabel*>(QLatin1String(name));
        return found != nullptr ? found->text() : QString();
    };
    const BuddyList noBuddies;
    ContactImportDialog import(noBuddies, ContactBook(), QString(), w.catalogue());
    auto* region = import.findChild<QComboBox*>(QStringLiteral("region"));
    ASSERT_NE(region, nullptr);
    QTest::keyClicks(region, QStringLiteral("Sverige"));
    const QList<QAction*> trayMenu = tray().icon().menu()->actions();
    QPlainTextEdit textBox;
    const std::unique_ptr<QMenu> textMenu(textBox.createStandardContextMenu());

    const struct {
        const char* what;
        QString shown;
        QString expected;
    } rows[] = {
        {"message box Yes", box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja")},
        {"message box No", box.button(QMessageBox::No)->text(), QStringLiteral("&Nej")},
        {"message box Cancel", box.button(QMessageBox::Cancel)->text(), QStringLiteral("Avbryt")},
        {"file dialog, file name", label("fileNameLabel"), QStringLiteral("Fil&namn:")},
        {"file dialog, look in", label("lookInLabel"), QStringLiteral("Leta i:")},
        {"text box menu", textMenu->actions().at(0)->text().section(QLatin1Char('\t'), 0, 0),
         QStringLiteral("&Ångra")},
        {"tray, restore", trayMenu.at(0)->text(), QStringLiteral("Återställ")},
        {"tray, exit", trayMenu.at(1)->text(), QStringLiteral("Avsluta")},
        {"region typed", import.region(), QStringLiteral("SE")},
        {"region named", regionName("DE"), QStringLiteral("Tyskland")},
        {"date picker's week", QLocale().dayName(QLocale().firstDayOfWeek()),
         QStringLiteral("måndag")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.shown, row.expected) << row.what;
}

TEST_F(WindowTest, EmptyPreferenceKeepsTheCommandLineLanguage) {
    writeStrings();
    StringCatalogue::setCurrentLanguageName("Svenska");
    MainWindow& w = open();
    EXPECT_EQ(w.signInButton()->text(), QStringLiteral("Logga in"));
    EXPECT_EQ(w.catalogue().applicationName(), "Textuggla");
    EXPECT_EQ(tray().icon().toolTip(), QStringLiteral("Textuggla"));
    EXPECT_EQ(tray().icon().menu()->actions().at(0)->text(), QStringLiteral("Återställ"));
    EXPECT_EQ(tray().icon().menu()->actions().at(1)->text(), QStringLiteral("Avsluta"));
}

TEST_F(WindowTest, ExitFromTheTrayMenuEndsTheEventLoopWith57665) {
    MainWindow& w = open(true);
    w.show();
    bool signedOut = false;
    exitPath().setBeforeExit([&] { signedOut = !w.isVisible(); });
    QTimer::singleShot(0, &w, [this] { tray().icon().menu()->actions().at(1)->trigger(); });
    EXPECT_EQ(QApplication::exec(), 57665);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(signedOut) << "the window hides before the session ends";
}

TEST_F(WindowTest, CloseHidesToTrayAndRestoreBringsItBack) {
    MainWindow& w = open(true);
    w.show();
    EXPECT_FALSE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(tray().icon().isShown());
    EXPECT_EQ(tray().state(), TrayWindowState::InTray);
    tray().icon().menu()->actions().at(0)->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(tray().icon().isShown());
    EXPECT_EQ(w.mainMenu().action(kCmdExit), nullptr);
}

TEST_F(WindowTest, TitleBarMinimiseHidesToTrayAndDoubleClickBringsItBack) {
    MainWindow& w = open(true);
    w.show();
    w.showMinimized();
    processPosted();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(tray().icon().isShown());
    EXPECT_EQ(tray().state(), TrayWindowState::InTray);
    emit tray().icon().doubleClicked();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(tray().state(), TrayWindowState::Shown);
}

TEST_F(WindowTest, RestoreFromTheTrayBringsAMaximisedWindowBackToItsNormalSize) {
    MainWindow& w = open(true);
    w.showMaximized();
    ASSERT_FALSE(w.close());
    ASSERT_FALSE(w.isVisible());
    tray().icon().menu()->actions().at(0)->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMaximized());
    EXPECT_FALSE(w.isMinimized());
}

TEST_F(WindowTest, TrayDoubleClickShowsTheWindow) {
    MainWindow& w = open(true);
    w.show();
    router().runCommand(kCmdMinimise);
    ASSERT_FALSE(w.isVisible());
    emit tray().icon().doubleClicked();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(tray().icon().isShown());
}

TEST_F(WindowTest, WithoutNotificationAreaCloseMinimisesAndFileOffersExit) {
    MainWindow& w = open(false);
    w.show();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());
    EXPECT_FALSE(tray().icon().isShown());
    QAction* exit = w.mainMenu().action(kCmdExit);
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.mainMenu().titleMenu(0)->actions().contains(exit));
}

TEST_F(WindowTest, TrayTipIsTheApplicationName) {
    writeStrings();
    open(true);
    EXPECT_EQ(tray().icon().toolTip(), QStringLiteral("Textowl"));
    EXPECT_EQ(tray().icon().menu()->actions().at(0)->text(), QStringLiteral("Restore"));
}

TEST_F(WindowTest, EscapeMinimisesThroughTheKeyFilter) {
    MainWindow& w = open(true);
    w.show();
    QTest::keyClick(w.signInButton(), Qt::Key_Escape);
    processPosted();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(tray().state(), TrayWindowState::InTray);
}

TEST_F(WindowTest, EscapeInTheMenuBarLeavesTheMenusAndKeepsTheWindow) {
    MainWindow& w = open(true);
    w.show();
    QTest::keyClick(w.menuBar(), Qt::Key_Escape);
    processPosted();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(tray().state(), TrayWindowState::Shown);
}

TEST_F(WindowTest, ShortcutKeysPostTheirCommandsOnlyWhenAllowed) {
    MainWindow& w = open();
    w.show();
    std::vector<int> ran;
    for (int id : {kCmdDelete, kCmdCopy, kCmdCut, kCmdPaste})
        router().setCommandHandler(id, [&ran, id] { ran.push_back(id); });
    QTest::keyClick(w.signInButton(), Qt::Key_Delete);
    processPosted();
    EXPECT_TRUE(ran.empty());

    WindowState s;
    s.signedIn = s.cutEnabled = s.copyEnabled = s.pasteEnabled = s.deleteEnabled = true;
    enterState(w, host().session(), s);
    QTest::keyClick(w.signInButton(), Qt::Key_Delete);
    QTest::keyClick(w.signInButton(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(w.signInButton(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(w.signInButton(), Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(w.signInButton(), Qt::Key_V, Qt::ControlModifier);
    processPosted();
    EXPECT_EQ(ran, (std::vector<int>{kCmdDelete, kCmdCopy, kCmdCut, kCmdPaste, kCmdPaste}));
}

TEST_F(WindowTest, CtrlVWhileSendingReachesTheFocusedTextBox) {
    MainWindow& w = open();
    auto* box = new QLineEdit(w.surface());
    w.show();
    box->setText(QStringLiteral("abc"));
    box->selectAll();
    bool pasted = false;
    router().setCommandHandler(kCmdPaste, [&pasted] { pasted = true; });
    WindowState s;
    s.signedIn = s.sending = s.pasteEnabled = true;
    enterState(w, host().session(), s);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier); // copy inside the box itself
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    processPosted();
    EXPECT_FALSE(pasted);
    EXPECT_EQ(box->text(), QStringLiteral("abcabc"));
}

TEST_F(WindowTest, RegisterAndForgottenPasswordOpenThePageDialog) {
    writeStrings();
    MainWindow& w = open();
    w.show();
    QTest::mouseClick(w.registerButton(), Qt::LeftButton);
    QTest::mouseClick(w.surface(), Qt::LeftButton, {}, QPoint(150, 225));
    processPosted();
    const auto pages = m_prompts->askedOf(ScriptedPrompts::Kind::Page);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].text, QStringLiteral("http://pages.test/signup"));
    EXPECT_EQ(pages[1].text, QStringLiteral("http://pages.test/forgot?x=1"));
    EXPECT_EQ(pages[1].caption, QStringLiteral("Register Textowl"));
}

TEST_F(WindowTest, ClickBesideTheForgottenPasswordSpotDoesNothing) {
    MainWindow& w = open();
    w.show();
    QTest::mouseClick(w.surface(), Qt::LeftButton, {}, QPoint(99, 225));
    QTest::mouseClick(w.surface(), Qt::LeftButton, {}, QPoint(150, 232));
    processPosted();
    EXPECT_TRUE(m_prompts->asked.empty());
}

TEST_F(WindowTest, CommandsWhileSignedOutAndUnknownIdsAreHarmless) {
    MainWindow& w = open();
    for (int id : std::initializer_list<int>{kCmdAddContact, kCmdFaqs, kCmdAbout, 2000, 2010, 2011,
                                             0, -1, 34001})
        router().runCommand(id);
    EXPECT_TRUE(m_prompts->asked.empty());
}

TEST_F(WindowTest, SubsystemCanTakeOverACommand) {
    MainWindow& w = open();
    int count = 0;
    router().setCommandHandler(kCmdSignInOut, [&count] { ++count; });
    w.mainMenu().action(kCmdSignInOut)->trigger();
    EXPECT_EQ(count, 1);
}

struct PopupCase {
    LineKind line;
    std::vector<int> ids; // 0: separator
};

TEST_F(WindowTest, PopupMenusFollowTheSelectedLineWithTheirTextsAndEnabling) {
    MainWindow& w = open();
    WindowState s;
    s.signedIn = true; // a group line: cut, copy and delete flags clear
    enterState(w, host().session(), s);
    const PopupCase cases[] = {
        {LineKind::None,
         {kCmdAddContact, kCmdAddGroup, 0, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, 0,
          kCmdSendMessage}},
        {LineKind::Group,
         {kCmdAddContact, kCmdEditGroup, 0, kCmdCut, kCmdCopy, kCmdPaste, kCmdDeleteGroup, 0,
          kCmdSendMessage}},
        {LineKind::Phone,
         {kCmdAddContact, kCmdEditContact, 0, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, 0,
          kCmdSendMessage}},
    };
    for (const PopupCase& c : cases) {
        auto menu = w.contextMenuFor(c.line);
        std::vector<int> ids;
        for (QAction* a : menu->actions())
            ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        EXPECT_EQ(ids, c.ids);
    }
    auto group = w.contextMenuFor(LineKind::Group);
    const auto actions = group->actions();
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Edit Group"));
    EXPECT_FALSE(actions[3]->isEnabled()); // cut
    EXPECT_FALSE(actions[4]->isEnabled()); // copy
    EXPECT_FALSE(actions[5]->isEnabled()); // paste until a copy or cut
    EXPECT_TRUE(actions[6]->isEnabled());  // delete group
    EXPECT_EQ(actions[6]->text(), QStringLiteral("&Delete"));
    EXPECT_EQ(actions[8]->text(), QStringLiteral("Send Message"));
}

TEST_F(WindowTest, PopupChoiceArrivesAsACommand) {
    MainWindow& w = open();
    int sent = 0;
    router().setCommandHandler(kCmdSendMessage, [&sent] { ++sent; });
    auto menu = w.contextMenuFor(LineKind::Buddy);
    menu->actions().back()->trigger();
    processPosted();
    EXPECT_EQ(sent, 1);
}

TEST_F(WindowTest, NoContextMenuWhileSignedOut) {
    MainWindow& w = open();
    w.show();
    w.showContextMenu(LineKind::Buddy, w.mapToGlobal(QPoint(50, 100)));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

} // namespace
} // namespace textowl::testing
