#pragma once

#include "ui/skin.h"
#include "ui/skin_layout.h"

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>

namespace textowl {

// The main window's client area: the skinned chrome and the signed-out and signing-in views,
// with the forgotten-password link as a hot spot.
class MainSurface : public QWidget {
    Q_OBJECT
public:
    struct Texts {
        QString prompt;
        QString forgotPassword;
        QString signingIn;
    };

    explicit MainSurface(QWidget* parent = nullptr);

    void setSkin(const Skin* skin);
    void setTitleImage(const QImage& image);
    void setIcon(const QPixmap& icon);
    void setTexts(const Texts& texts);
    void setView(ViewKind view);
    void setHasTabs(bool hasTabs);
    void setCommandSink(std::function<void(int)> sink);

    ViewKind view() const { return m_view; }
    bool forgotPasswordArmed() const { return m_forgotArmed; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paintChrome(QPainter& painter) const;
    void paintSignInView(QPainter& painter) const;
    void updateHover(QPoint at);

    const Skin* m_skin = nullptr;
    QPixmap m_title;
    QPixmap m_icon;
    Texts m_texts;
    ViewKind m_view = ViewKind::SignedOut;
    bool m_hasTabs = false;
    bool m_forgotArmed = false;
    std::function<void(int)> m_sink;
};

} // namespace textowl
