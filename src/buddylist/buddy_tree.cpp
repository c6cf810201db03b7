#include "buddylist/buddy_tree.h"

#include "base/command_ids.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>

namespace textowl {

namespace {

// Carries nothing: a drop is accepted only from a drag this tree started.
const QString kLineDragFormat = QStringLiteral("application/x-textowl-buddy-line");

} // namespace

BuddyTree::BuddyTree(BuddyList& list, const QPixmap& imageStrip, BuddyTreeTexts texts,
                     QWidget* parent)
    : QTreeView(parent), m_model(new BuddyListModel(list, imageStrip, this)) {
    setObjectName(QStringLiteral("buddyTree"));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setIndentation(kTreeImageSize);
    setIconSize(QSize(kTreeImageSize, kTreeImageSize));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    m_model->setRootText(texts.rootLine);
    setModel(m_model);

    connect(this, &QTreeView::expanded, m_model,
            [this](const QModelIndex& line) { m_model->setExpandedShown(line, true); });
    connect(this, &QTreeView::collapsed, m_model,
            [this](const QModelIndex& line) { m_model->setExpandedShown(line, false); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BuddyTree::onSelectionChanged);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &BuddyTree::onSelectionChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &BuddyTree::onListReset);
    onListReset();
}

void BuddyTree::setTexts(const BuddyTreeTexts& texts) {
    m_model->setRootText(texts.rootLine);
}

void BuddyTree::setCommandSink(std::function<void(int)> sink) {
    m_commandSink = std::move(sink);
}

void BuddyTree::fill(BuddyEntry parsed) {
    list().fill(std::move(parsed));
    setEditFlags({true, true, false, false});
}

void BuddyTree::onListReset() {
    expand(rootLine());
    onSelectionChanged();
}

void BuddyTree::sortGroup(const QModelIndex& groupLine) {
    if (BuddyNode* node = nodeOf(groupLine))
        list().sortGroup(*node);
}

QModelIndex BuddyTree::rootLine() const {
    return m_model->index(0, 0);
}

QModelIndex BuddyTree::selectedLine() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

void BuddyTree::selectLine(const QModelIndex& line) {
    if (!line.isValid()) {
        clearSelection();
        return;
    }
    setCurrentIndex(line);
    selectionModel()->select(line, QItemSelectionModel::ClearAndSelect);
}

const BuddyEntry* BuddyTree::entryOf(const QModelIndex& line) const {
    const BuddyNode* node = nodeFor(line);
    return node ? &node->entry : nullptr;
}

LineKind BuddyTree::selectedLineKind() const {
    return m_model->kindOf(selectedLine());
}

QStringList BuddyTree::groupNames() const {
    QStringList names;
    for (const std::string& name : list().groupNames())
        names.append(qs(name));
    return names;
}

void BuddyTree::setEditFlags(EditFlags flags) {
    if (flags == m_flags)
        return;
    m_flags = flags;
    emit editFlagsChanged(m_flags);
}

void BuddyTree::setPasteEnabled(bool enabled) {
    EditFlags flags = m_flags;
    flags.paste = enabled;
    setEditFlags(flags);
}

void BuddyTree::onSelectionChanged() {
    setEditFlags(flagsForSelection(selectedLineKind(), m_flags));
}

void BuddyTree::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard)
        requestMenuAtSelection();
    else
        emit contextMenuRequested(selectedLineKind(), event->globalPos());
    event->accept();
}

void BuddyTree::requestMenuAtSelection() {
    const QRect line = visualRect(selectedLine());
    const QPoint at = line.isValid() ? line.bottomLeft() + QPoint(line.height(), 0) : QPoint();
    emit contextMenuRequested(selectedLineKind(), viewport()->mapToGlobal(at));
}

void BuddyTree::mousePressEvent(QMouseEvent* event) {
    // A right click on a line selects it first, so the menu acts on the line pointed at; on
    // empty space it leaves the selection alone. It starts no drag and no rubber band.
    if (event->button() == Qt::RightButton) {
        const QModelIndex pointed = indexAt(event->position().toPoint());
        if (pointed.isValid())
            selectLine(pointed);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

bool BuddyTree::viewportEvent(QEvent* event) {
    // As the platform's tree view does: a line cut off at the edge (there is no horizontal scroll
    // bar) shows its whole text as a tip; any other line shows none.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QRect line = visualRect(index);
        if (index.isValid() && line.left() + sizeHintForIndex(index).width() > viewport()->width())
            QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), line);
        else
            QToolTip::hideText();
        return true;
    }
    return QTreeView::viewportEvent(event);
}

void BuddyTree::keyPressEvent(QKeyEvent* event) {
    // Editing keys act only through the window's shortcuts, which know the edit flags; the view
    // must not, for instance, put a line's text on the system clipboard on its own.
    const bool editingKey =
        event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Delete) ||
        event->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_P);
    if (editingKey) {
        event->ignore();
        return;
    }
    const QKeyCombination key = event->keyCombination();
    if (key == QKeyCombination(Qt::SHIFT, Qt::Key_F10) || key.key() == Qt::Key_Menu) {
        requestMenuAtSelection();
        return;
    }
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
        key.keyboardModifiers() == Qt::NoModifier && selectedLine().isValid()) {
        postCommand(kCmdSendMessage);
        return;
    }
    QTreeView::keyPressEvent(event);
}

void BuddyTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    postCommand(kCmdSendMessage);
}

void BuddyTree::postCommand(int id) {
    // Posted, not called: the handler may replace the page this tree sits on.
    QTimer::singleShot(0, this, [this, id] {
        if (m_commandSink)
            m_commandSink(id);
    });
}

void BuddyTree::startDrag(Qt::DropActions) {
    QModelIndex line = currentIndex();
    if (line.isValid() && !nodeOf(line))
        line = line.parent(); // a phone line drags its buddy
    if (!canDragLine(m_model->kindOf(line)))
        return;
    QPixmap image = viewport()->grab(visualRect(line));
    m_dragged = line;
    m_dropTarget = QModelIndex();
    // No line is selected while dragging, so nothing else acts on the dragged buddy meanwhile.
    clearSelection();
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kLineDragFormat, {});
    drag->setMimeData(data);
    drag->setPixmap(image);
    drag->setHotSpot(QPoint(0, 0));
    drag->exec(Qt::MoveAction);
    const QModelIndex dragged = m_dragged;
    const QModelIndex target = m_dropTarget;
    m_dragged = m_dropTarget = QModelIndex();
    setDropHighlight({});
    // Reported after the drag has ended, so that the handler may ask the user or the service.
    if (dragged.isValid())
        emit lineDropped(dragged, target);
}

bool BuddyTree::ownsDrag(const QDropEvent* event) const {
    return m_dragged.isValid() && event->mimeData() &&
           event->mimeData()->hasFormat(kLineDragFormat);
}

void BuddyTree::dragEnterEvent(QDragEnterEvent* event) {
    if (ownsDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void BuddyTree::dragMoveEvent(QDragMoveEvent* event) {
    if (!ownsDrag(event)) {
        event->ignore();
        return;
    }
    clearSelection();
    const QModelIndex under = indexAt(event->position().toPoint());
    setDropHighlight(isDropTarget(m_model->kindOf(under)) ? under : QModelIndex());
    // Every line takes the drop: the handler explains why one cannot hold the buddy.
    event->acceptProposedAction();
}

void BuddyTree::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropHighlight({});
    event->accept();
}

void BuddyTree::dropEvent(QDropEvent* event) {
    if (!ownsDrag(event)) {
        event->ignore();
        return;
    }
    m_dropTarget = indexAt(event->position().toPoint());
    setDropHighlight({});
    // The list, not the view, moves the line once the service agreed.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
}

void BuddyTree::setDropHighlight(const QModelIndex& line) {
    if (m_dropHighlight == line)
        return;
    m_dropHighlight = line;
    viewport()->update();
}

void BuddyTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    if (!m_dropHighlight.isValid() || m_dropHighlight != index) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem highlighted(option);
    highlighted.state |= QStyle::State_Selected;
    QTreeView::drawRow(painter, highlighted, index);
}

} // namespace textowl
