#include "ui/tab_strip.h"

#include "base/command_ids.h"
#include "ui/image_button.h"
#include "ui/skin.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace textowl {

namespace {

constexpr QSize kTabBackgroundSize{34, 57};
constexpr QSize kScrollButtonSize{17, 17};

// The skin's tab backgrounds side by side, each with magenta transparent.
std::vector<QPixmap> cutBackgrounds(const QImage& strip) {
    std::vector<QPixmap> images;
    if (strip.isNull())
        return images;
    const QPixmap transparent = transparentCopy(strip);
    for (int x = 0; x + kTabBackgroundSize.width() <= strip.width();
         x += kTabBackgroundSize.width())
        images.push_back(transparent.copy(QRect(QPoint(x, 0), kTabBackgroundSize)));
    return images;
}

} // namespace

TabStrip::TabStrip(const Skin* skin, QWidget* parent) : QWidget(parent), m_skin(skin) {
    setMouseTracking(true);
    m_up = new ImageButton(this);
    m_down = new ImageButton(this);
    for (ImageButton* button : {m_up, m_down}) {
        button->resize(kScrollButtonSize);
        button->setCursor(Qt::PointingHandCursor);
        button->hide();
    }
    connect(m_up, &ImageButton::clicked, this, [this] {
        if (m_sink)
            m_sink(kCmdScrollTabsUp);
    });
    connect(m_down, &ImageButton::clicked, this, [this] {
        if (m_sink)
            m_sink(kCmdScrollTabsDown);
    });
    loadSkinImages();
}

void TabStrip::setSkin(const Skin* skin) {
    m_skin = skin;
    loadSkinImages();
    update();
}

void TabStrip::loadSkinImages() {
    if (m_skin == nullptr)
        return;
    m_backgrounds = cutBackgrounds(m_skin->piece(SkinPiece::TabBackground));
    m_up->setImages(m_skin->piece(SkinPiece::ScrollUpButton), 4, kScrollButtonSize);
    m_down->setImages(m_skin->piece(SkinPiece::ScrollDownButton), 4, kScrollButtonSize);
}

void TabStrip::setScrollTips(const QString& up, const QString& down) {
    m_up->setToolTip(up);
    m_down->setToolTip(down);
}

void TabStrip::setTooltip(int index, const QString& tip) {
    if (index >= 0 && index < count())
        m_tabs[static_cast<std::size_t>(index)].tooltip = tip;
}

void TabStrip::setTabs(std::vector<Tab> tabs) {
    m_tabs = std::move(tabs);
    m_current = 0;
    m_hovered = -1;
    if (m_clientHeight > 0)
        layoutStrip({0, m_clientHeight});
}

void TabStrip::setCurrent(int index) {
    if (index >= 0 && index < count())
        m_current = index;
    update();
}

void TabStrip::layoutStrip(QSize client) {
    m_clientHeight = client.height();
    setGeometry(0, kTop, kWidth, std::max(0, client.height() - kTop));
    m_layout.layout(count(), client.height());
    const PixelPoint up = TabStripLayout::scrollUpButtonPos(client.height());
    const PixelPoint down = TabStripLayout::scrollDownButtonPos(client.height());
    m_up->move(up.x, up.y - kTop);
    m_down->move(down.x, down.y - kTop);
    updateScrollButtons();
    update();
}

void TabStrip::scrollUp() {
    m_layout.scrollUp();
    afterScroll();
}

void TabStrip::scrollDown() {
    m_layout.scrollDown();
    afterScroll();
}

void TabStrip::afterScroll() {
    updateScrollButtons();
    update();
}

void TabStrip::updateScrollButtons() {
    const bool shown = m_layout.scrollButtonsShown();
    m_up->setVisible(shown);
    m_down->setVisible(shown);
    m_up->setEnabled(m_layout.canScrollUp());
    m_down->setEnabled(m_layout.canScrollDown());
}

QRect TabStrip::tabRect(int index) const {
    for (const TabStripLayout::Slot& slot : m_layout.paintOrder(m_current)) {
        if (slot.index == index)
            return {slot.rect.x, slot.rect.y, slot.rect.width, slot.rect.height};
    }
    return {};
}

void TabStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.translate(0, -kTop);
    for (const TabStripLayout::Slot& slot : m_layout.paintOrder(m_current)) {
        if (slot.index >= count())
            continue;
        // The buddy-list tab always has the selected look; a web tab only while current.
        const bool selected = slot.index == 0 || slot.index == m_current;
        const std::size_t background = selected ? 0 : 1;
        if (background < m_backgrounds.size())
            painter.drawPixmap(slot.rect.x, slot.rect.y, m_backgrounds[background]);
        const IconPair& icons = m_tabs[static_cast<std::size_t>(slot.index)].icons;
        const QPixmap& icon = selected || slot.index == m_hovered ? icons.active : icons.inactive;
        if (!icon.isNull())
            painter.drawPixmap(slot.rect.x + 3, slot.rect.y + 2, icon);
    }
}

int TabStrip::tabAtLocal(QPoint local) const {
    return m_layout.tabAt({local.x(), local.y() + kTop}, m_current);
}

void TabStrip::mouseMoveEvent(QMouseEvent* event) {
    const int tab = tabAtLocal(event->position().toPoint());
    setCursor(tab >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (tab == m_hovered) {
        event->setAccepted(tab >= 0);
        return;
    }
    m_hovered = tab;
    if (tab >= 0 && tab < count()) {
        const QString& tip = m_tabs[static_cast<std::size_t>(tab)].tooltip;
        if (!tip.isEmpty())
            QToolTip::showText(event->globalPosition().toPoint(), tip, this, {}, kTooltipMs);
    } else {
        QToolTip::hideText();
    }
    update();
    event->setAccepted(tab >= 0);
}

bool TabStrip::event(QEvent* event) {
    // The tip shown as the pointer reached a tab answers the request that follows; off the tabs
    // the window behind answers it (its header links lie outside the strip, so it hides).
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int tab = tabAtLocal(help->pos());
        if (tab < 0 || tab >= count() || m_tabs[static_cast<std::size_t>(tab)].tooltip.isEmpty()) {
            event->ignore();
            return false;
        }
        QToolTip::showText(help->globalPos(), m_tabs[static_cast<std::size_t>(tab)].tooltip, this,
                           {}, kTooltipMs);
        return true;
    }
    return QWidget::event(event);
}

void TabStrip::mousePressEvent(QMouseEvent* event) {
    const int tab = tabAtLocal(event->position().toPoint());
    if (event->button() != Qt::LeftButton || tab < 0 || tab >= count()) {
        // Not a tab: the window behind handles it (a frameless window is dragged from here).
        event->ignore();
        return;
    }
    emit tabClicked(tab);
}

void TabStrip::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (m_hovered != -1) {
        m_hovered = -1;
        update();
    }
}

} // namespace textowl
