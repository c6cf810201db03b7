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
        ASSERT_TRUE(m_dir.isValid());
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        StringCatalogue::setCurrentLanguageName("English");
    }

    void TearDown() override {
        m_application = {};
        StringCatalogue::setCurrentLanguageName("English");
        QDir::setCurrent(m_previousDir);
    }

    void writeStrings(const char* xml = kStringsTwoLanguages) {
        QFile file(m_dir.filePath(QStringLiteral("strings.xml")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml);
    }

    QString settingsPath() const { return m_dir.filePath(QStringLiteral("prefs.ini")); }
    std::shared_ptr<QSettings> settings() const {
        return std::make_shared<QSettings>(settingsPath(), QSettings::IniFormat);
    }

    MainWindow& open(std::optional<bool> trayAvailable = false) {
        auto prompts = std::make_unique<ScriptedPrompts>();
        m_prompts = prompts.get();
        ApplicationOptions options;
        options.settings = settings();
        options.prompts = std::move(prompts);
        options.serviceEndpoint = m_endpoint;
        options.clock = m_clock;
        m_webViews = std::make_shared<RecordingWebViewFactory>();
        options.webViews = m_webViews;
        m_application = composeApplication(std::move(options), trayAvailable);
        return *m_application.window;
    }

    CommandRouter& router() const { return *m_application.router; }
    SessionHost& host() const { return *m_application.session; }
    TrayController& tray() const { return *m_application.tray; }
    ExitPath& exitPath() const { return *m_application.exitPath; }

    QTemporaryDir m_dir;
    QString m_previousDir;
    // The service the window talks to; empty for the usual address (nothing answers there).
    std::string m_endpoint;
    // The window's clock; the machine's when null.
    const Clock* m_clock = nullptr;
    std::shared_ptr<RecordingWebViewFactory> m_webViews;
    Application m_application;
    ScriptedPrompts* m_prompts = nullptr;
};

} // namespace textowl::testing
