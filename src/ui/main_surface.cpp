#include "ui/main_surface.h"

#include <QMouseEvent>
#include <QPainter>

namespace textowl {

namespace {

// Posted by the forgotten-password link.
constexpr int kForgotPasswordCommand = 32800;

QRect toQRect(const PixelRect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

void drawFrame(QPainter& painter, const PixelRect& r, const QColor& colour) {
    if (r.width <= 0 || r.height <= 0)
        return;
    painter.fillRect(r.x, r.y, r.width, 1, colour);
    painter.fillRect(r.x, r.y + r.height - 1, r.width, 1, colour);
    painter.fillRect(r.x, r.y, 1, r.height, colour);
    painter.fillRect(r.x + r.width - 1, r.y, 1, r.height, colour);
}

} // namespace

MainSurface::MainSurface(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MainSurface::setSkin(const Skin* skin) {
    m_skin = skin;
    update();
}

void MainSurface::setTitleImage(const QImage& image) {
    m_title = transparentCopy(image);
    update();
}

void MainSurface::setIcon(const QPixmap& icon) {
    m_icon = icon;
    update();
}

void MainSurface::setTexts(const Texts& texts) {
    m_texts = texts;
    update();
}

void MainSurface::setView(ViewKind view) {
    m_view = view;
    if (view != ViewKind::SignedOut)
        m_forgotArmed = false;
    update();
}

void MainSurface::setHasTabs(bool hasTabs) {
    m_hasTabs = hasTabs;
    update();
}

void MainSurface::setCommandSink(std::function<void(int)> sink) {
    m_sink = std::move(sink);
}

void MainSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintChrome(painter);
    if (m_view != ViewKind::SignedIn)
        paintSignInView(painter);
}

void MainSurface::paintChrome(QPainter& painter) const {
    const int w = width();
    const int h = height();
    static const Skin kNoSkin = Skin::empty();
    const Skin& skin = m_skin != nullptr ? *m_skin : kNoSkin;
    painter.fillRect(rect(), skin.background());
    if (!skin.isNull()) {
        for (const SkinBlit& blit : chromeBlits(w, h))
            painter.drawImage(toQRect(blit.destination), skin.piece(blit.piece));
    }
    if (!m_title.isNull())
        painter.drawPixmap(toQRect(kTitleImageRect), m_title);
    const auto frames = pageFrameRects(w, h, m_hasTabs);
    for (int i = 0; i < 3; ++i)
        drawFrame(painter, frames[static_cast<std::size_t>(i)], skin.frameColour(i + 1));
}

void MainSurface::paintSignInView(QPainter& painter) const {
    if (!m_icon.isNull()) {
        painter.drawPixmap(kSignInIconPos.x, kSignInIconPos.y, kSignInIconSize, kSignInIconSize,
                           m_icon);
    }
    painter.setFont(font());
    painter.setPen(Qt::black);
    const int w = width();
    const int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;
    if (m_view == ViewKind::SigningIn) {
        painter.drawText(toQRect(promptTextBand(w)), flags, m_texts.signingIn);
        return;
    }
    painter.drawText(toQRect(promptTextBand(w)), flags, m_texts.prompt);
    painter.drawText(toQRect(forgotPasswordTextBand(w)), flags, m_texts.forgotPassword);
}

void MainSurface::updateHover(QPoint at) {
    m_forgotArmed = m_view == ViewKind::SignedOut && kForgotPasswordSpot.contains(at.x(), at.y());
    setCursor(m_forgotArmed ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void MainSurface::mouseMoveEvent(QMouseEvent* event) {
    updateHover(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void MainSurface::mousePressEvent(QMouseEvent* event) {
    updateHover(event->position().toPoint());
    if (event->button() == Qt::LeftButton && m_forgotArmed && m_sink) {
        m_sink(kForgotPasswordCommand);
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace textowl
