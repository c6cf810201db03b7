#pragma once

#include "app/session_context.h"
#include "buddylist/buddy_entry.h"
#include "service/status.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace textowl {

class BuddyTree;

// Brings the buddy list back in line with the service after a change whose answer never came
// (a time-out, a dropped connection): the service may have made it anyway, and a list that
// thinks otherwise refuses or repeats every retry. The list is asked for again, a little later so
// that a service waking up has done what it was sent, until it answers promptly: a slow answer
// may have been read side by side with the lost change, so it is asked for once more. The tree
// keeps the line the user had selected.
class ListReload : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 5000;
    // An answer slower than this came from a service that was not answering when asked.
    static constexpr int kPromptMs = 1000;

    ListReload(const SessionContext& context, std::function<BuddyTree*()> tree,
               QObject* parent = nullptr);

    // A change went unanswered; one reload at a time, however many changes did.
    void listInDoubt();
    bool underWay() const { return m_underWay || m_retry.isActive(); }

signals:
    // The list was replaced by the service's.
    void reloaded();

private:
    struct Loaded {
        Status status = E_FAIL;
        bool answered = false;
        BuddyEntry root = BuddyEntry::makeRoot();
    };

    void ask();
    void answered(Loaded& loaded);

    SessionContext m_context;
    std::function<BuddyTree*()> m_tree;
    QTimer m_retry;
    QElapsedTimer m_asked;
    bool m_underWay = false;
    bool m_confirming = false;
};

} // namespace textowl
