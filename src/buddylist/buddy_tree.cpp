#include "buddylist/buddy_tree.h"

#include "base/command_ids.h"

#include <QBitmap>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <memory>
#include <vector>

namespace textowl {

namespace {

constexpr int kLineType = QTreeWidgetItem::UserType + 1;
constexpr QRgb kTransparent = qRgb(255, 0, 255);
// Carries nothing: a drop is accepted only from a drag this tree started.
const QString kLineDragFormat = QStringLiteral("application/x-textowl-buddy-line");

} // namespace

// A tree line showing one node of the list (none for a phone line).
class BuddyTree::Line : public QTreeWidgetItem {
public:
    Line(LineKind kind, BuddyNode* node) : QTreeWidgetItem(kLineType), m_kind(kind), m_node(node) {}

    LineKind kind() const { return m_kind; }
    BuddyNode* node() const { return m_node; }

private:
    LineKind m_kind;
    BuddyNode* m_node;
};

BuddyTree::BuddyTree(BuddyList& list, const QPixmap& imageStrip, BuddyTreeTexts texts,
                     QWidget* parent)
    : QTreeWidget(parent), m_list(list), m_texts(std::move(texts)) {
    setObjectName(QStringLiteral("buddyTree"));
    setColumnCount(1);
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
    m_boldFont = font();
    m_boldFont.setBold(true);
    buildImages(imageStrip);
    m_list.setObserver(this);
    listReset();

    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { onExpandedChanged(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { onExpandedChanged(item, false); });
    connect(this, &QTreeWidget::itemSelectionChanged, this, &BuddyTree::onSelectionChanged);
}

BuddyTree::~BuddyTree() {
    m_list.setObserver(nullptr);
}

void BuddyTree::setTexts(const BuddyTreeTexts& texts) {
    m_texts = texts;
    if (QTreeWidgetItem* root = rootLine())
        root->setText(0, m_texts.rootLine);
}

void BuddyTree::setCommandSink(std::function<void(int)> sink) {
    m_commandSink = std::move(sink);
}

void BuddyTree::buildImages(const QPixmap& imageStrip) {
    for (int i = 0; i < kTreeImageCount; ++i) {
        QPixmap image = imageStrip.copy(i * kTreeImageSize, 0, kTreeImageSize, kTreeImageSize);
        if (!image.isNull())
            image.setMask(image.createMaskFromColor(QColor(kTransparent), Qt::MaskInColor));
        m_images[static_cast<std::size_t>(i)] = image;
    }
}

const QIcon& BuddyTree::icon(LineImages images) {
    const auto normal = static_cast<std::size_t>(images.normal);
    const auto selected = static_cast<std::size_t>(images.selected);
    QIcon& icon = m_icons[normal * kTreeImageCount + selected];
    if (icon.isNull() && !m_images[normal].isNull()) {
        // Both modes given explicitly, or the style would tint the selected picture.
        icon.addPixmap(m_images[normal], QIcon::Normal);
        icon.addPixmap(m_images[selected], QIcon::Selected);
    }
    return icon;
}

BuddyTree::Line* BuddyTree::makeLine(LineKind kind, const QString& text, BuddyNode* node) {
    auto* line = new Line(kind, node);
    line->setText(0, text);
    line->setIcon(0, icon(insertedImages(kind)));
    if (kind == LineKind::Root || kind == LineKind::Group)
        line->setFont(0, m_boldFont);
    if (node)
        m_lines[node] = line;
    return line;
}

BuddyTree::Line* BuddyTree::makeLines(const BuddyNode& node) {
    auto* own = const_cast<BuddyNode*>(&node);
    if (node.entry.isRoot())
        return makeLine(LineKind::Root, m_texts.rootLine, own);
    if (node.entry.isGroup()) {
        Line* group = makeLine(LineKind::Group, qs(node.text), own);
        QList<QTreeWidgetItem*> members;
        members.reserve(static_cast<qsizetype>(node.children.size()));
        for (const auto& child : node.children)
            members.append(makeLines(*child));
        group->addChildren(members);
        return group;
    }
    Line* buddy = makeLine(LineKind::Buddy, qs(node.text), own);
    if (!node.entry.cellPhone.empty())
        buddy->addChild(makeLine(LineKind::Phone, qs(node.entry.cellPhone), nullptr));
    return buddy;
}

void BuddyTree::forgetLines(const BuddyNode& node) {
    m_lines.erase(&node);
    for (const auto& child : node.children)
        forgetLines(*child);
}

void BuddyTree::fill(BuddyEntry parsed) {
    m_list.fill(std::move(parsed));
    setEditFlags({true, true, false, false});
}

void BuddyTree::listReset() {
    m_dragged = m_dropHighlight = m_dropTarget = nullptr;
    clear();
    m_lines.clear();
    // Lines are built detached and handed to the view in one go per level: a 10,000-buddy list
    // must not pay for a model notification per line.
    setUpdatesEnabled(false);
    const BuddyNode& rootNode = m_list.root();
    Line* root = makeLines(rootNode);
    QList<QTreeWidgetItem*> topLevel;
    topLevel.reserve(static_cast<qsizetype>(rootNode.children.size()));
    for (const auto& child : rootNode.children)
        topLevel.append(makeLines(*child));
    root->addChildren(topLevel);
    addTopLevelItem(root);
    expandItem(root);
    setUpdatesEnabled(true);
    onSelectionChanged();
}

void BuddyTree::nodeInserted(const BuddyNode& node, std::size_t index) {
    if (QTreeWidgetItem* parent = lineOf(node.parent))
        parent->insertChild(static_cast<int>(index), makeLines(node));
}

void BuddyTree::nodeRemoving(const BuddyNode& node) {
    QTreeWidgetItem* line = lineOf(&node);
    forgetLines(node);
    for (QTreeWidgetItem** kept : {&m_dragged, &m_dropHighlight, &m_dropTarget}) {
        for (QTreeWidgetItem* at = *kept; at; at = at->parent())
            if (at == line)
                *kept = nullptr;
    }
    delete line;
    onSelectionChanged();
}

void BuddyTree::nodeChanged(const BuddyNode& node, const std::string& oldCellPhone) {
    QTreeWidgetItem* line = lineOf(&node);
    if (!line)
        return;
    line->setText(0, qs(node.text));
    if (node.entry.isBuddy())
        syncPhoneLine(line, oldCellPhone, node.entry.cellPhone);
}

void BuddyTree::childrenReordered(const BuddyNode& parent) {
    QTreeWidgetItem* parentLine = lineOf(&parent);
    if (!parentLine)
        return;
    std::vector<const BuddyNode*> expanded;
    for (const auto& child : parent.children) {
        if (QTreeWidgetItem* line = lineOf(child.get()); line && line->isExpanded())
            expanded.push_back(child.get());
    }
    const QTreeWidgetItem* current = currentItem();
    const bool wasSelected = current && current->isSelected();
    parentLine->takeChildren();
    QList<QTreeWidgetItem*> ordered;
    for (const auto& child : parent.children)
        ordered.append(lineOf(child.get()));
    parentLine->addChildren(ordered);
    for (const BuddyNode* node : expanded)
        lineOf(node)->setExpanded(true);
    if (wasSelected)
        selectLine(const_cast<QTreeWidgetItem*>(current));
}

void BuddyTree::sortGroup(QTreeWidgetItem* groupLine) {
    if (BuddyNode* node = nodeOf(groupLine))
        m_list.sortGroup(*node);
}

QTreeWidgetItem* BuddyTree::rootLine() const {
    return topLevelItem(0);
}

QTreeWidgetItem* BuddyTree::selectedLine() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void BuddyTree::selectLine(QTreeWidgetItem* line) {
    if (!line) {
        clearSelection();
        return;
    }
    setCurrentItem(line);
    line->setSelected(true);
}

BuddyNode* BuddyTree::nodeOf(const QTreeWidgetItem* line) const {
    if (!line || line->type() != kLineType)
        return nullptr;
    return static_cast<const Line*>(line)->node();
}

BuddyNode* BuddyTree::nodeFor(const QTreeWidgetItem* line) const {
    if (!line)
        return nullptr;
    if (BuddyNode* own = nodeOf(line))
        return own;
    return nodeOf(line->parent());
}

QTreeWidgetItem* BuddyTree::lineOf(const BuddyNode* node) const {
    const auto it = m_lines.find(node);
    return it == m_lines.end() ? nullptr : it->second;
}

const BuddyEntry* BuddyTree::entryOf(const QTreeWidgetItem* line) const {
    const BuddyNode* node = nodeFor(line);
    return node ? &node->entry : nullptr;
}

LineKind BuddyTree::lineKind(const QTreeWidgetItem* line) const {
    if (!line || line->type() != kLineType)
        return LineKind::None;
    return static_cast<const Line*>(line)->kind();
}

LineKind BuddyTree::selectedLineKind() const {
    return lineKind(selectedLine());
}

QStringList BuddyTree::groupNames() const {
    QStringList names;
    for (const std::string& name : m_list.groupNames())
        names.append(qs(name));
    return names;
}

void BuddyTree::syncPhoneLine(QTreeWidgetItem* buddyLine, const std::string& oldPhone,
                              const std::string& newPhone) {
    if (oldPhone == newPhone)
        return;
    QTreeWidgetItem* phone = buddyLine->child(0);
    // A number added or cleared by an edit gains or loses its line, so the tree never shows a
    // stale or empty number.
    if (newPhone.empty())
        delete phone;
    else if (phone)
        phone->setText(0, qs(newPhone));
    else
        buddyLine->addChild(makeLine(LineKind::Phone, qs(newPhone), nullptr));
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

void BuddyTree::onExpandedChanged(QTreeWidgetItem* item, bool expanded) {
    if (item && item->type() == kLineType) {
        const auto* line = static_cast<const Line*>(item);
        item->setIcon(0, icon(toggledImages(line->kind(), expanded)));
    }
}

void BuddyTree::onSelectionChanged() {
    setEditFlags(flagsForSelection(selectedLineKind(), m_flags));
}

void BuddyTree::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuRequested(selectedLineKind(), event->globalPos());
    event->accept();
}

void BuddyTree::mousePressEvent(QMouseEvent* event) {
    // A right click leaves the selection alone: the menu follows the selected line.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
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
    return QTreeWidget::viewportEvent(event);
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
    QTreeWidget::keyPressEvent(event);
}

void BuddyTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // Posted, not called: the handler may replace the page this tree sits on.
    QTimer::singleShot(0, this, [this] {
        if (m_commandSink)
            m_commandSink(kCmdSendMessage);
    });
}

void BuddyTree::startDrag(Qt::DropActions) {
    QTreeWidgetItem* line = currentItem();
    if (line && !nodeOf(line))
        line = line->parent(); // a phone line drags its buddy
    if (!canDragLine(lineKind(line)))
        return;
    QPixmap image = viewport()->grab(visualItemRect(line));
    m_dragged = line;
    m_dropTarget = nullptr;
    // No line is selected while dragging, so nothing else acts on the dragged buddy meanwhile.
    clearSelection();
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kLineDragFormat, {});
    drag->setMimeData(data);
    drag->setPixmap(image);
    drag->setHotSpot(QPoint(0, 0));
    drag->exec(Qt::MoveAction);
    QTreeWidgetItem* dragged = m_dragged;
    QTreeWidgetItem* target = m_dropTarget;
    m_dragged = m_dropTarget = nullptr;
    setDropHighlight(nullptr);
    // Reported after the drag has ended, so that the handler may ask the user or the service.
    if (dragged)
        emit lineDropped(dragged, target);
}

bool BuddyTree::ownsDrag(const QDropEvent* event) const {
    return m_dragged && event->mimeData() && event->mimeData()->hasFormat(kLineDragFormat);
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
    QTreeWidgetItem* under = itemAt(event->position().toPoint());
    setDropHighlight(isDropTarget(lineKind(under)) ? under : nullptr);
    // Every line takes the drop: the handler explains why one cannot hold the buddy.
    event->acceptProposedAction();
}

void BuddyTree::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropHighlight(nullptr);
    event->accept();
}

void BuddyTree::dropEvent(QDropEvent* event) {
    if (!ownsDrag(event)) {
        event->ignore();
        return;
    }
    m_dropTarget = itemAt(event->position().toPoint());
    setDropHighlight(nullptr);
    // The list, not the view, moves the line once the service agreed.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
}

void BuddyTree::setDropHighlight(QTreeWidgetItem* line) {
    if (line == m_dropHighlight)
        return;
    m_dropHighlight = line;
    viewport()->update();
}

void BuddyTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    if (!m_dropHighlight || itemFromIndex(index) != m_dropHighlight) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem highlighted(option);
    highlighted.state |= QStyle::State_Selected;
    QTreeWidget::drawRow(painter, highlighted, index);
}

} // namespace textowl
