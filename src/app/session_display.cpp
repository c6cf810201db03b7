#include "app/session_display.h"

#include "app/main_menu.h"
#include "app/menu_tables.h"
#include "app/session_rules.h"
#include "base/command_ids.h"
#include "ui/main_surface.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QPushButton>

namespace textowl {

SessionDisplay::SessionDisplay(const Session& session, const StringCatalogue& catalogue,
                               Parts parts, QObject* parent)
    : QObject(parent), m_session(session), m_catalogue(catalogue), m_parts(parts) {
    connect(&session, &Session::stageChanged, this, &SessionDisplay::showStage);
    connect(&session, &Session::balanceChanged, this, &SessionDisplay::updateHeader);
}

void SessionDisplay::showStage(Session::Stage stage) {
    const bool signedOut = stage == Session::Stage::SignedOut;
    // The session item signs out while the load after sign-in is pending, and reads so.
    if (QAction* item = m_parts.menu.action(kCmdSignInOut))
        item->setText(localised(m_catalogue, sessionItemText(!signedOut)));
    m_parts.signIn.setVisible(signedOut);
    m_parts.registerButton.setVisible(signedOut);
    const std::string appName = m_catalogue.applicationName();
    m_parts.window.setWindowTitle(
        qs(signedOut ? appName : signedInTitle(appName, m_session.user())));
    // The buddy-list tab always exists once signed in, so the page area leaves room for tabs.
    m_parts.surface.setHasTabs(stage == Session::Stage::SignedIn);
    if (signedOut)
        m_parts.surface.setHeaderTexts({});
    updateHeader();
    m_parts.window.update();
}

void SessionDisplay::relocalise() {
    updateHeader();
}

void SessionDisplay::updateHeader() {
    if (!m_session.signedIn())
        return;
    const auto text = [this](Text id) { return localised(m_catalogue, id); };
    MainSurface::HeaderTexts header;
    header.user = qs(m_session.user());
    header.balanceLine =
        qs(balanceLine(lookUp(m_catalogue, Text::BalanceFormat), m_session.balance()));
    header.links = {text(Text::AddContactLink), text(Text::AddGroupLink),
                    text(Text::QuickSendLink)};
    header.tips = {text(Text::AddContactTip), text(Text::AddGroupTip), text(Text::QuickSendTip)};
    m_parts.surface.setHeaderTexts(header);
}

} // namespace textowl
