#pragma once

#include <QObject>
#include <QPoint>
#include <QPolygon>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace textowl {

class ImageButton;
class Skin;

// The window's frame toggle. Framed, the window is an ordinary one; frameless, it loses the
// window manager's frame, only its client area stays visible (the upper corners cut), a caption
// strip of its own takes over Minimize, Maximize and Close, and a press on the background moves
// the window.
class FramelessWindow : public QObject {
    Q_OBJECT
public:
    // The toggle button posts the toggle command and the strip's Minimize the minimise command
    // through the sink; the strip's Close closes the window as its title bar would.
    FramelessWindow(QWidget& window, QWidget& client, std::function<void(int)> sink);

    // Cuts the buttons' images from the skin again.
    void applySkin(const Skin& skin);
    // The toggle button's tip while framed and while frameless.
    void setToolTips(const QString& hideFrame, const QString& showFrame);

    void toggle();
    void setFrameless(bool frameless);
    bool isFrameless() const { return m_frameless; }

    ImageButton* toggleButton() const { return m_toggle; }
    QWidget* captionStrip() const { return m_strip; }
    // The visible outline in window coordinates while frameless; empty while framed.
    QPolygon outline() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum CaptionButton { kMinimize, kMaximize, kClose };

    void createCaptionStrip();
    void applyShape();
    void updateToolTip();
    void maximise();
    bool handleWindowEvent(QEvent* event);

    QWidget& m_window;
    QWidget& m_client;
    std::function<void(int)> m_sink;
    ImageButton* m_toggle = nullptr;
    QWidget* m_strip = nullptr;
    std::array<ImageButton*, 3> m_caption{};
    QString m_hideTip;
    QString m_showTip;
    bool m_frameless = false;
    // Where the pointer holds the window while it is moved by hand, when the platform cannot.
    std::optional<QPoint> m_dragOffset;
};

} // namespace textowl
