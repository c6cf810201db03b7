#include "ui/frameless_window.h"

#include "ui/image_button.h"
#include "ui/skin.h"
#include "ui/skin_layout.h"

#include <QEvent>
#include <QMouseEvent>
#include <QRegion>
#include <QWidget>
#include <QWindow>

namespace textowl {

namespace {

// Commands the window routes: the toggle button's own, and the minimise that hides to the tray.
constexpr int kToggleFrameCommand = 400;
constexpr int kMinimiseCommand = 32778;

constexpr int kCaptionButtonCount = 3;
constexpr std::array<int, kCaptionButtonCount> kCaptionImageCounts{3, 4, 4};
constexpr std::array<SkinPiece, kCaptionButtonCount> kCaptionPieces{
    SkinPiece::MinimizeButton, SkinPiece::MaximizeButton, SkinPiece::CloseButton};

QRect clientRectIn(const QWidget& window, const QWidget& client) {
    return QRect(client.mapTo(&window, QPoint(0, 0)), client.size());
}

} // namespace

FramelessWindow::FramelessWindow(QWidget& window, QWidget& client, std::function<void(int)> sink)
    : QObject(&window), m_window(window), m_client(client), m_sink(std::move(sink)) {
    m_toggle = new ImageButton(&m_client);
    m_toggle->move(kFrameToggleRect.x, kFrameToggleRect.y);
    connect(m_toggle, &ImageButton::clicked, this, [this] { m_sink(kToggleFrameCommand); });
    createCaptionStrip();
    m_window.installEventFilter(this);
    m_client.installEventFilter(this);
}

void FramelessWindow::createCaptionStrip() {
    m_strip = new QWidget(&m_client);
    m_strip->setAutoFillBackground(true);
    m_strip->setBackgroundRole(QPalette::Window);
    m_strip->setFixedSize(kCaptionButtonSize * kCaptionButtonCount, kCaptionButtonSize);
    const std::array<QString, kCaptionButtonCount> names{
        QStringLiteral("Minimize"), QStringLiteral("Maximize"), QStringLiteral("Close")};
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        auto* button = new ImageButton(m_strip);
        button->move(i * kCaptionButtonSize, 0);
        button->setToolTip(names[static_cast<std::size_t>(i)]);
        m_caption[static_cast<std::size_t>(i)] = button;
    }
    connect(m_caption[kMinimize], &ImageButton::clicked, this,
            [this] { m_sink(kMinimiseCommand); });
    connect(m_caption[kMaximize], &ImageButton::clicked, this, [this] { maximise(); });
    connect(m_caption[kClose], &ImageButton::clicked, &m_window, &QWidget::close);
    m_strip->hide();
}

void FramelessWindow::applySkin(const Skin& skin) {
    m_toggle->setImages(skin.piece(SkinPiece::FrameToggleButton), 3,
                        QSize(kFrameToggleRect.width, kFrameToggleRect.height));
    for (std::size_t i = 0; i < m_caption.size(); ++i)
        m_caption[i]->setImages(skin.piece(kCaptionPieces[i]), kCaptionImageCounts[i],
                                QSize(kCaptionButtonSize, kCaptionButtonSize));
    m_toggle->show();
}

void FramelessWindow::setToolTips(const QString& hideFrame, const QString& showFrame) {
    m_hideTip = hideFrame;
    m_showTip = showFrame;
    updateToolTip();
}

void FramelessWindow::updateToolTip() {
    m_toggle->setToolTip(m_frameless ? m_showTip : m_hideTip);
}

void FramelessWindow::toggle() {
    setFrameless(!m_frameless);
}

void FramelessWindow::setFrameless(bool frameless) {
    if (frameless == m_frameless)
        return;
    m_frameless = frameless;
    m_dragOffset.reset();
    const bool visible = m_window.isVisible();
    const QRect geometry = m_window.geometry();
    // Changing the flag recreates the native window hidden; the client area stays where it was.
    m_window.setWindowFlag(Qt::FramelessWindowHint, frameless);
    m_window.setGeometry(geometry);
    if (visible)
        m_window.show();
    applyShape();
    updateToolTip();
    m_window.update();
}

QPolygon FramelessWindow::outline() const {
    if (!m_frameless)
        return {};
    const QRect client = clientRectIn(m_window, m_client);
    QPolygon polygon;
    for (const PixelPoint& p :
         framelessOutline({client.x(), client.y(), client.width(), client.height()}))
        polygon << QPoint(p.x, p.y);
    return polygon;
}

void FramelessWindow::applyShape() {
    if (m_frameless)
        m_window.setMask(QRegion(outline(), Qt::OddEvenFill));
    else
        m_window.clearMask();
    m_strip->move(m_client.width() - kCaptionStripOffset.x, kCaptionStripOffset.y);
    m_strip->setVisible(m_frameless);
    m_strip->raise();
}

void FramelessWindow::maximise() {
    // The frame comes back first, so that a maximised window is an ordinary one.
    setFrameless(false);
    m_window.showMaximized();
}

bool FramelessWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_client && event->type() == QEvent::Resize && m_frameless)
        applyShape();
    if (watched == &m_window)
        return handleWindowEvent(event);
    return QObject::eventFilter(watched, event);
}

// Presses and moves reach the window when no control took them: that is the background.
bool FramelessWindow::handleWindowEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowStateChange:
        // Recreating the native window inside its own state change is left until it is over.
        if (m_frameless && m_window.isMaximized())
            QMetaObject::invokeMethod(this, &FramelessWindow::maximise, Qt::QueuedConnection);
        return false;
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(event);
        if (!m_frameless || press->button() != Qt::LeftButton)
            return false;
        QWindow* handle = m_window.windowHandle();
        if (handle == nullptr || !handle->startSystemMove())
            m_dragOffset = press->globalPosition().toPoint() - m_window.pos();
        press->accept();
        return true;
    }
    case QEvent::MouseMove: {
        auto* move = static_cast<QMouseEvent*>(event);
        if (!m_dragOffset || !(move->buttons() & Qt::LeftButton))
            return false;
        m_window.move(move->globalPosition().toPoint() - *m_dragOffset);
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_dragOffset.reset();
        return false;
    default:
        return false;
    }
}

} // namespace textowl
