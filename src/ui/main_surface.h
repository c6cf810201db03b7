#pragma once

#include "ui/skin.h"
#include "ui/skin_layout.h"

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

namespace textowl {

// The main window's client area: the skinned chrome, the signed-out and signing-in views with the
// forgotten-password link, and the signed-in header (user name, balance line and the three links,
// which are hot spots posting their commands).
class MainSurface : public QWidget {
    Q_OBJECT
public:
    struct Texts {
        QString prompt;
        QString forgotPassword;
        QString signingIn;
    };

    // Texts of the signed-in header; links and tips in the order Add Contact, Add Group, Quick
    // Send.
    struct HeaderTexts {
        QString user;
        QString balanceLine;
        std::array<QString, 3> links;
        std::array<QString, 3> tips;
    };

    explicit MainSurface(QWidget* parent = nullptr);

    void setSkin(const Skin* skin);
    void setTitleImage(const QImage& image);
    void setIcon(const QPixmap& icon);
    void setTexts(const Texts& texts);
    void setView(ViewKind view);
    void setHasTabs(bool hasTabs);
    void setHeaderTexts(const HeaderTexts& texts);
    // While the send-message panel is shown the links are not hovered.
    void setSending(bool sending);
    void setCommandSink(std::function<void(int)> sink);

    ViewKind view() const { return m_view; }
    bool forgotPasswordArmed() const { return m_forgotArmed; }
    const HeaderTexts& headerTexts() const { return m_header; }
    // The links' hot spots for the current size and texts (empty rectangles when not shown).
    std::array<QRect, 3> linkRects() const;
    // The armed link (0 to 2), or -1.
    int armedLink() const { return m_armedLink; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paintChrome(QPainter& painter) const;
    void paintSignInView(QPainter& painter) const;
    void paintHeader(QPainter& painter) const;
    bool showsHeader() const;
    void updateHover(QPoint at);

    const Skin* m_skin = nullptr;
    QPixmap m_title;
    QPixmap m_icon;
    Texts m_texts;
    ViewKind m_view = ViewKind::SignedOut;
    bool m_hasTabs = false;
    bool m_forgotArmed = false;
    bool m_sending = false;
    int m_armedLink = -1;
    HeaderTexts m_header;
    QFont m_boldFont;
    std::function<void(int)> m_sink;
};

} // namespace textowl
