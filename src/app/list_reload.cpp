#include "app/list_reload.h"

#include "buddylist/buddy_operation.h"
#include "buddylist/buddy_tree.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "session/service_calls.h"
#include "session/session.h"

#include <QApplication>

namespace textowl {

namespace {

// What identifies a line across a reload, where the nodes themselves are all new.
struct LineAddress {
    EntryKind kind = EntryKind::Root;
    std::string id;
    std::string groupId;
    bool phone = false;
};

LineAddress addressOf(const BuddyTree& tree) {
    const QModelIndex line = tree.selectedLine();
    const BuddyNode* node = tree.nodeFor(line);
    if (!node)
        return {};
    return {node->entry.kind, node->entry.id, node->entry.groupId, tree.nodeOf(line) == nullptr};
}

QModelIndex lineAt(const BuddyTree& tree, const LineAddress& address) {
    BuddyList& list = tree.list();
    const BuddyNode* node = nullptr;
    if (address.kind == EntryKind::Group)
        node = list.findGroup(address.groupId);
    else if (address.kind == EntryKind::Buddy)
        node = list.findBuddy(address.id, address.groupId);
    if (!node)
        return tree.rootLine();
    const QModelIndex line = tree.lineOf(node);
    if (address.phone && tree.model()->hasChildren(line))
        return tree.model()->index(0, 0, line);
    return line;
}

} // namespace

ListReload::ListReload(const SessionContext& context, std::function<BuddyTree*()> tree,
                       QObject* parent)
    : QObject(parent), m_context(context), m_tree(std::move(tree)) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &ListReload::ask);
    // A new session loads its own list.
    connect(&m_context.session, &Session::stageChanged, this, [this] { m_retry.stop(); });
}

void ListReload::listInDoubt() {
    if (underWay() || !m_context.session.signedIn())
        return;
    m_confirming = false;
    m_retry.start();
}

void ListReload::ask() {
    if (!m_context.session.signedIn())
        return;
    m_underWay = true;
    m_asked.start();
    // Asked as the user's own call: the commands wait for the list they act on.
    m_context.calls.call<Loaded>(
        [ticket = m_context.session.ticket()](ServiceProxy& proxy) {
            Loaded loaded;
            ServiceText result;
            const Status status = proxy.apiGetBuddyList(utf8ToUtf16(ticket), &result);
            loaded.answered = !answerMissing(status, result);
            loaded.status = buddyListOutcome(ticket, status, result, loaded.root);
            return loaded;
        },
        this, [this](Loaded& loaded) { answered(loaded); });
}

void ListReload::answered(Loaded& loaded) {
    m_underWay = false;
    if (!loaded.answered) {
        m_retry.start();
        return;
    }
    // One more look after a slow answer, not an endless round on a service that is just slow.
    m_confirming = m_asked.elapsed() > kPromptMs && !m_confirming;
    if (m_confirming)
        m_retry.start();
    BuddyTree* tree = m_tree();
    if (failed(loaded.status) || tree == nullptr)
        return; // refused: the list stays as it is, as after any refused change
    // A command waiting on its dialog holds lines of the list: replacing them under it would
    // leave it acting on lines gone. Asked for again once the dialog had time to close.
    if (QApplication::activeModalWidget() != nullptr) {
        m_retry.start();
        return;
    }
    const LineAddress selected = addressOf(*tree);
    // The list, not the tree, is refilled: the clipboard and the edit flags stay as they are.
    tree->list().fill(std::move(loaded.root));
    tree->selectLine(lineAt(*tree, selected));
    emit reloaded();
}

} // namespace textowl
