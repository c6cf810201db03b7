#pragma once

#include "app/command_router.h"
#include "app/composition.h"
#include "app/exit_path.h"
#include "app/session_host.h"
#include "app/tray_controller.h"
#include "support/qt/recording_web_view.h"
#include "support/qt/scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace textowl::testing {

inline const char* kStringsTwoLanguages = R"(<?xml version="1.0" encoding="utf-8"?>
<strings>
  <language display="English" appname="Textowl" dialogtitle="Textowl Message">
    <menus>
      <main>
        <file text="&amp;File"><signin alt="Sign &amp;Out">&amp;Sign In</signin></file>
        <preferences text="&amp;Preferences"><languages>Language</languages></preferences>
      </main>
      <tray><restore>Restore</restore><exit>Exit</exit></tray>
    </menus>
    <login btn_signin="Sign In" btn_register="Register" prompt="Click below to sign in or register"
           forgotPwd="Forgot your password?" post="Signing In..."/>
    <url><signup>http://pages.test/signup</signup><forgotpwd>http://pages.test/forgot?x=1</forgotpwd></url>
  </language>
  <language display="Svenska" appname="Textuggla" dialogtitle="Textuggla meddelande">
    <menus>
      <main>
        <file text="&amp;Arkiv"><signin alt="&amp;Logga ut">&amp;Logga in</signin></file>
        <contacts text="&amp;Kontakter"/>
        <preferences text="&amp;Inställningar"><languages>Språk</languages></preferences>
        <help text="&amp;Hjälp"/>
      </main>
      <tray><restore>Återställ</restore><exit>Avsluta</exit></tray>
    </menus>
    <login btn_signin="Logga in" btn_register="Registrera"/>
    <main><root>Min kontaktlista</root></main>
    <qt><buttons yes="&amp;Ja" no="&amp;Nej" cancel="Avbryt"/><filedialog lookin="Leta i:"/>
      <textmenu undo="&amp;Ångra"/></qt>
  </language>
</strings>
)";

// A main window in a temporary working directory with its own preferences file and scripted
// prompts; nothing touches the user's settings.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        StringCatalogue::setCurrentLanguageName("English");
    }

    void TearDown() override {
        application_ = {};
        StringCatalogue::setCurrentLanguageName("English");
        QDir::setCurrent(previousDir_);
    }

    void writeStrings(const char* xml = kStringsTwoLanguages) {
        QFile file(dir_.filePath(QStringLiteral("strings.xml")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml);
    }

    QString settingsPath() const { return dir_.filePath(QStringLiteral("prefs.ini")); }
    std::shared_ptr<QSettings> settings() const {
        return std::make_shared<QSettings>(settingsPath(), QSettings::IniFormat);
    }

    MainWindow& open(std::optional<bool> trayAvailable = false) {
        auto prompts = std::make_unique<ScriptedPrompts>();
        prompts_ = prompts.get();
        ApplicationOptions options;
        options.settings = settings();
        options.prompts = std::move(prompts);
        options.serviceEndpoint = endpoint_;
        options.clock = clock_;
        webViews_ = std::make_shared<RecordingWebViewFactory>();
        options.webViews = webViews_;
        application_ = composeApplication(std::move(options), trayAvailable);
        return *application_.window;
    }

    CommandRouter& router() const { return *application_.router; }
    SessionHost& host() const { return *application_.session; }
    TrayController& tray() const { return *application_.tray; }
    ExitPath& exitPath() const { return *application_.exitPath; }

    QTemporaryDir dir_;
    QString previousDir_;
    // The service the window talks to; empty for the usual address (nothing answers there).
    std::string endpoint_;
    // The window's clock; the machine's when null.
    const Clock* clock_ = nullptr;
    std::shared_ptr<RecordingWebViewFactory> webViews_;
    Application application_;
    ScriptedPrompts* prompts_ = nullptr;
};

} // namespace textowl::testing
