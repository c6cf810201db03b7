#include "app/page_host.h"

#include "app/main_window.h"
#include "app/session_rules.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "ui/main_surface.h"

#include <QApplication>
#include <QEvent>

namespace textowl {

PageHost::PageHost(MainWindow& window) : m_window(window) {
    m_window.surface()->installEventFilter(this);
}

PageHost::~PageHost() {
    m_window.surface()->removeEventFilter(this);
    destroyPages();
}

BuddyTree* PageHost::buddyTree() const {
    return m_tree.data();
}

SendPanel* PageHost::sendPanel() const {
    return m_panel.data();
}

bool PageHost::hasTabs() const {
    return m_tree != nullptr;
}

void PageHost::setPages(BuddyTree* tree, SendPanel* panel) {
    m_tree = tree;
    m_panel = panel;
    m_panel->hide();
    setSending(false);
    layout();
    m_tree->show();
}

void PageHost::destroyPages() {
    // The tree's lines own their entries, so deleting it releases the whole list.
    delete m_panel.data();
    delete m_tree.data();
    m_panel = nullptr;
    m_tree = nullptr;
    m_hasFooter = false;
    m_sending = false;
}

void PageHost::setHasFooter(bool hasFooter) {
    m_hasFooter = hasFooter;
    layout();
}

void PageHost::openSendPanel() {
    if (m_tree == nullptr || m_panel == nullptr) {
        QApplication::beep();
        return;
    }
    // A phone line stands for its buddy; the root line (or none) keeps the last recipient.
    const QTreeWidgetItem* line = m_tree->selectedLine();
    const BuddyEntry* entry = line != nullptr ? m_tree->entryOf(line) : nullptr;
    if (entry != nullptr && entry->isGroup())
        m_panel->openOnGroup(QString::fromStdString(entry->groupName));
    else if (entry != nullptr && entry->isBuddy())
        m_panel->openOnBuddy(QString::fromStdString(entry->cellPhone));
    if (const QTreeWidgetItem* root = m_tree->rootLine(); root && root->childCount() > 0) {
        std::vector<std::string> names;
        for (const QString& name : m_tree->groupNames())
            names.push_back(name.toStdString());
        m_panel->setGroupNames(std::move(names));
    }
    m_tree->hide();
    setSending(true);
    layout();
    m_panel->show();
    m_panel->activate();
}

void PageHost::showBuddyList() {
    if (m_tree == nullptr)
        return;
    if (m_panel != nullptr)
        m_panel->hide();
    setSending(false);
    layout();
    m_tree->show();
    m_tree->setFocus();
}

void PageHost::setSending(bool sending) {
    m_sending = sending;
    WindowState state = m_window.commandState();
    state.sending = sending;
    m_window.setCommandState(state);
    m_window.surface()->setSending(sending);
}

void PageHost::layout() {
    const QSize client = m_window.surface()->size();
    if (m_sending && m_panel != nullptr) {
        const PageArea area = sendingPageArea(client.width(), client.height());
        m_panel->setGeometry(area.x, area.y, area.width, area.height);
    } else if (m_tree != nullptr) {
        const PageArea area = pageArea(client.width(), client.height(), m_hasFooter);
        m_tree->setGeometry(area.x, area.y, area.width, area.height);
    }
}

void PageHost::applyTexts() {
    if (m_panel != nullptr)
        m_panel->relocalise();
}

bool PageHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window.surface() && event->type() == QEvent::Resize)
        layout();
    return QObject::eventFilter(watched, event);
}

} // namespace textowl
