#pragma once

#include <QObject>
#include <QPointer>

namespace textowl {

class BuddyTree;
class MainWindow;
class SendPanel;

// The page area of the signed-in window: which page shows there (the buddy tree or, while
// sending, the send-message panel), where it sits, and the sending state. The session builds the
// pages after sign-in and hands them over; they live here until sign-out.
class PageHost : public QObject {
    Q_OBJECT
public:
    explicit PageHost(MainWindow& window);
    ~PageHost() override;

    // Takes the pages the load built; the tree shows first.
    void setPages(BuddyTree* tree, SendPanel* panel);
    // Sign-out: the pages go, with the buddy entries and the message log.
    void destroyPages();

    BuddyTree* buddyTree() const;
    SendPanel* sendPanel() const;
    // The buddy-list tab exists from the load on.
    bool hasTabs() const;
    bool isSending() const { return m_sending; }
    void setHasFooter(bool hasFooter);

    // Command 32782: the panel replaces the tree, set up for the selected line.
    void openSendPanel();
    // The page goes back to the buddy tree (the balance is the caller's business).
    void showBuddyList();
    void layout();
    void applyTexts();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setSending(bool sending);

    MainWindow& m_window;
    QPointer<BuddyTree> m_tree;
    QPointer<SendPanel> m_panel;
    bool m_sending = false;
    bool m_hasFooter = false;
};

} // namespace textowl
