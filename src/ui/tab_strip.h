#pragma once

#include "ui/interface_icons.h"
#include "ui/tab_strip_layout.h"

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace textowl {

class ImageButton;
class Skin;

// The column of tabs at the window's left edge, painted from the skin's tab backgrounds, with
// hover tooltips and the two scroll buttons. It sits below the header, so the header's own
// buttons stay reachable, and lets presses that miss a tab through to the window.
class TabStrip : public QWidget {
    Q_OBJECT
public:
    struct Tab {
        IconPair icons;
        QString tooltip;
    };

    static constexpr int kTop = 71;
    static constexpr int kWidth = 38;
    static constexpr int kTooltipMs = 5000;

    TabStrip(const Skin* skin, QWidget* parent);

    // Tab 0 is the buddy list; the rest are web tabs in the service's order.
    void setTabs(std::vector<Tab> tabs);
    int count() const { return static_cast<int>(m_tabs.size()); }
    const Tab& tab(int index) const { return m_tabs.at(static_cast<std::size_t>(index)); }
    void setCurrent(int index);
    int current() const { return m_current; }
    int hovered() const { return m_hovered; }
    // At every window layout: follows the client height and scrolls back to the start.
    void layoutStrip(QSize client);
    void scrollUp();
    void scrollDown();
    const TabStripLayout& state() const { return m_layout; }
    void setSkin(const Skin* skin);
    void setScrollTips(const QString& up, const QString& down);
    void setTooltip(int index, const QString& tip);
    void setCommandSink(std::function<void(int)> sink) { m_sink = std::move(sink); }
    ImageButton* scrollUpButton() const { return m_up; }
    ImageButton* scrollDownButton() const { return m_down; }
    // Where a tab was painted, in the window's client coordinates; empty when off screen.
    QRect tabRect(int index) const;

signals:
    void tabClicked(int index);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int tabAtLocal(QPoint local) const;
    void afterScroll();
    void updateScrollButtons();
    void loadSkinImages();

    const Skin* m_skin = nullptr;
    std::vector<Tab> m_tabs;
    std::vector<QPixmap> m_backgrounds;
    TabStripLayout m_layout;
    int m_current = 0;
    int m_hovered = -1;
    int m_clientHeight = 0;
    ImageButton* m_up = nullptr;
    ImageButton* m_down = nullptr;
    std::function<void(int)> m_sink;
};

} // namespace textowl
