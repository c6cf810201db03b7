#include "ui/main_surface.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace textowl {

namespace {

// Posted by the forgotten-password link and by the header links.
constexpr int kForgotPasswordCommand = 32800;
constexpr std::array<int, 3> kLinkCommands{32779, 32783, 32782};
// How long a link's tip stays up, as the window's other tips do.
constexpr int kTipMs = 5000;

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
    // The fixed positions of the header and its links are made for an 11-pixel face; the desktop's
    // usual font is wide enough to push the third link past the window's edge.
    QFont normal(QStringLiteral("Arial"));
    normal.setPixelSize(11);
    setFont(normal);
    m_boldFont.setFamily(QStringLiteral("Arial"));
    m_boldFont.setPixelSize(14);
    m_boldFont.setWeight(QFont::ExtraBold);
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
    if (view != ViewKind::SignedIn)
        m_armedLink = -1;
    update();
}

void MainSurface::setHeaderTexts(const HeaderTexts& texts) {
    m_header = texts;
    update();
}

void MainSurface::setSending(bool sending) {
    m_sending = sending;
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
    else if (showsHeader())
        paintHeader(painter);
}

bool MainSurface::showsHeader() const {
    return m_view == ViewKind::SignedIn && m_hasTabs;
}

std::array<QRect, 3> MainSurface::linkRects() const {
    std::array<QRect, 3> out{};
    if (!showsHeader())
        return out;
    const QFontMetrics metrics(font());
    std::array<int, 3> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = metrics.horizontalAdvance(m_header.links[i]);
    const auto rects = headerLinkRects(height(), widths, metrics.height());
    for (std::size_t i = 0; i < rects.size(); ++i)
        out[i] = toQRect(rects[i]);
    return out;
}

void MainSurface::paintHeader(QPainter& painter) const {
    const int topLeft = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    painter.setPen(Qt::black);
    painter.setFont(m_boldFont);
    painter.drawText(QRect(kUserNamePos.x, kUserNamePos.y, width(), 40), topLeft, m_header.user);
    painter.setFont(font());
    painter.drawText(QRect(kBalanceLinePos.x, kBalanceLinePos.y, width(), 40), topLeft,
                     m_header.balanceLine);

    static const Skin kNoSkin = Skin::empty();
    const Skin& skin = m_skin != nullptr ? *m_skin : kNoSkin;
    drawFrame(painter, headerLinkBox(width(), height()), skin.frameColour(2));
    const auto links = linkRects();
    for (std::size_t i = 0; i < links.size(); ++i) {
        const QRect& r = links[i];
        if (!skin.isNull()) {
            const SkinPiece bullet = i == 2 ? SkinPiece::QuickSendBullet : SkinPiece::LinkBullet;
            painter.drawPixmap(r.left(), r.top() + 1, transparentCopy(skin.piece(bullet)));
        }
        painter.drawText(QRect(r.left() + kLinkTextIndent, r.top(), r.width(), r.height()), topLeft,
                         m_header.links[i]);
    }
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
    if (m_view == ViewKind::SignedIn) {
        if (m_sending)
            return;
        const auto links = linkRects();
        const int wasArmed = m_armedLink;
        m_armedLink = -1;
        for (std::size_t i = 0; i < links.size(); ++i) {
            if (links[i].contains(at))
                m_armedLink = static_cast<int>(i);
        }
        if (wasArmed >= 0 && m_armedLink < 0)
            QToolTip::hideText();
        setCursor(m_armedLink >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        setToolTip(m_armedLink >= 0 ? m_header.tips[static_cast<std::size_t>(m_armedLink)]
                                    : QString());
        return;
    }
    m_forgotArmed = m_view == ViewKind::SignedOut && kForgotPasswordSpot.contains(at.x(), at.y());
    setCursor(m_forgotArmed ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

bool MainSurface::event(QEvent* event) {
    // Tip requests that the pages leave unanswered come up here too, and the pointer may have
    // gone from a link straight into a page without a move over the header: only a request
    // over the armed link shows its tip.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto links = linkRects();
        const QRect armed =
            m_armedLink >= 0 ? links[static_cast<std::size_t>(m_armedLink)] : QRect();
        if (!m_sending && armed.contains(help->pos()) && !toolTip().isEmpty()) {
            QToolTip::showText(help->globalPos(), toolTip(), this, armed, kTipMs);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void MainSurface::mouseMoveEvent(QMouseEvent* event) {
    updateHover(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void MainSurface::mousePressEvent(QMouseEvent* event) {
    updateHover(event->position().toPoint());
    if (event->button() == Qt::LeftButton && m_sink) {
        if (m_forgotArmed) {
            m_sink(kForgotPasswordCommand);
            return;
        }
        // The send panel covers the page; a link armed before it opened no longer acts.
        if (m_armedLink >= 0 && !m_sending) {
            m_sink(kLinkCommands[static_cast<std::size_t>(m_armedLink)]);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

} // namespace textowl
