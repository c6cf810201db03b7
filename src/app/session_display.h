#pragma once

#include "session/session.h"

#include <QObject>

class QPushButton;
class QWidget;

namespace textowl {

class MainMenu;
class MainSurface;
class StringCatalogue;

// What the window shows of the session outside its pages, following the session's signals: the
// session item's text, the Sign In and Register buttons, the title with the user, the room for
// the tabs, and the header with the user, the balance and the links.
class SessionDisplay : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& window; // whose title names the user
        MainMenu& menu;
        MainSurface& surface;
        QPushButton& signIn;
        QPushButton& registerButton;
    };

    SessionDisplay(const Session& session, const StringCatalogue& catalogue, Parts parts,
                   QObject* parent = nullptr);

    void showStage(Session::Stage stage);
    // After a language change.
    void relocalise();

private:
    void updateHeader();

    const Session& m_session;
    const StringCatalogue& m_catalogue;
    Parts m_parts;
};

} // namespace textowl
