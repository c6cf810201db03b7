#include "buddylist/buddy_list_model.h"

#include "ui/qt_text.h"

#include <QBitmap>
#include <QFont>
#include <utility>

namespace textowl {

namespace {

constexpr QRgb kTransparent = qRgb(255, 0, 255);
// A phone row is named by its buddy's address with the low bit set: nodes are aligned, so the
// id never equals a node's own, and the row needs no storage of its own.
constexpr quintptr kPhoneTag = 1;

} // namespace

BuddyListModel::BuddyListModel(BuddyList& list, const QPixmap& imageStrip, QObject* parent)
    : QAbstractItemModel(parent), m_list(list), m_rootText(qs(defaultText(Text::BuddyListRoot))) {
    buildImages(imageStrip);
    m_list.addObserver(this);
}

BuddyListModel::~BuddyListModel() {
    m_list.removeObserver(this);
}

void BuddyListModel::setRootText(const QString& text) {
    m_rootText = text;
    const QModelIndex root = indexOf(&m_list.root());
    emit dataChanged(root, root, {Qt::DisplayRole});
}

void BuddyListModel::buildImages(const QPixmap& imageStrip) {
    for (int i = 0; i < kTreeImageCount; ++i) {
        QPixmap image = imageStrip.copy(i * kTreeImageSize, 0, kTreeImageSize, kTreeImageSize);
        if (!image.isNull())
            image.setMask(image.createMaskFromColor(QColor(kTransparent), Qt::MaskInColor));
        m_images[static_cast<std::size_t>(i)] = image;
    }
}

QIcon BuddyListModel::icon(LineImages images) const {
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

bool BuddyListModel::isPhoneRow(const QModelIndex& index) {
    return index.isValid() && (index.internalId() & kPhoneTag) != 0;
}

BuddyNode* BuddyListModel::nodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || isPhoneRow(index))
        return nullptr;
    return static_cast<BuddyNode*>(index.internalPointer());
}

BuddyNode* BuddyListModel::nodeFor(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    if (isPhoneRow(index))
        return reinterpret_cast<BuddyNode*>(index.internalId() & ~kPhoneTag);
    return nodeOf(index);
}

QModelIndex BuddyListModel::indexOf(const BuddyNode* node) const {
    if (!node)
        return {};
    const int row = node->parent ? static_cast<int>(node->indexInParent()) : 0;
    return createIndex(row, 0, const_cast<BuddyNode*>(node));
}

QModelIndex BuddyListModel::phoneIndexOf(const BuddyNode& buddy) const {
    return createIndex(0, 0, reinterpret_cast<quintptr>(&buddy) | kPhoneTag);
}

LineKind BuddyListModel::kindOf(const QModelIndex& index) const {
    if (isPhoneRow(index))
        return index.model() == this ? LineKind::Phone : LineKind::None;
    const BuddyNode* node = nodeOf(index);
    if (!node)
        return LineKind::None;
    if (node->entry.isRoot())
        return LineKind::Root;
    return node->entry.isGroup() ? LineKind::Group : LineKind::Buddy;
}

QModelIndex BuddyListModel::index(int row, int column, const QModelIndex& parent) const {
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return indexOf(&m_list.root());
    const BuddyNode* node = nodeOf(parent);
    if (node->entry.isBuddy())
        return phoneIndexOf(*node);
    return createIndex(row, 0, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex BuddyListModel::parent(const QModelIndex& child) const {
    if (isPhoneRow(child))
        return indexOf(nodeFor(child));
    const BuddyNode* node = nodeOf(child);
    return node ? indexOf(node->parent) : QModelIndex();
}

int BuddyListModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return 1;
    const BuddyNode* node = nodeOf(parent);
    if (!node || parent.column() != 0)
        return 0;
    if (node->entry.isBuddy())
        return node->entry.cellPhone.empty() ? 0 : 1;
    return static_cast<int>(node->children.size());
}

int BuddyListModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant BuddyListModel::data(const QModelIndex& index, int role) const {
    const LineKind kind = kindOf(index);
    if (kind == LineKind::None)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (kind == LineKind::Root)
            return m_rootText;
        return kind == LineKind::Phone ? qs(nodeFor(index)->entry.cellPhone)
                                       : qs(nodeOf(index)->text);
    case Qt::DecorationRole: {
        const auto toggled = m_toggled.find(nodeOf(index));
        return icon(toggled == m_toggled.end() ? insertedImages(kind)
                                               : toggledImages(kind, toggled->second));
    }
    case Qt::FontRole:
        if (kind == LineKind::Root || kind == LineKind::Group) {
            QFont bold; // only the weight is set, the rest comes from the view
            bold.setBold(true);
            return bold;
        }
        return {};
    case kLineKindRole:
        return static_cast<int>(kind);
    default:
        return {};
    }
}

Qt::ItemFlags BuddyListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (isPhoneRow(index))
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

void BuddyListModel::setExpandedShown(const QModelIndex& index, bool expanded) {
    const BuddyNode* node = nodeOf(index);
    if (!node)
        return;
    m_toggled[node] = expanded;
    emit dataChanged(index, index, {Qt::DecorationRole});
}

void BuddyListModel::forgetToggles(const BuddyNode& node) {
    m_toggled.erase(&node);
    for (const auto& child : node.children)
        forgetToggles(*child);
}

void BuddyListModel::listResetting() {
    beginResetModel();
}

void BuddyListModel::listReset() {
    m_toggled.clear();
    endResetModel();
}

void BuddyListModel::nodeInserting(const BuddyNode& parent, std::size_t index) {
    const int row = static_cast<int>(index);
    beginInsertRows(indexOf(&parent), row, row);
}

void BuddyListModel::nodeInserted(const BuddyNode&) {
    endInsertRows();
}

void BuddyListModel::nodeRemoving(const BuddyNode& node) {
    const QModelIndex index = indexOf(&node);
    beginRemoveRows(index.parent(), index.row(), index.row());
    forgetToggles(node);
}

void BuddyListModel::nodeRemoved(const BuddyNode&, std::size_t) {
    endRemoveRows();
}

void BuddyListModel::nodeChanging(const BuddyNode& node, const std::string& newCellPhone) {
    m_phoneRowChange = PhoneRowChange::None;
    if (!node.entry.isBuddy())
        return;
    // A number added or cleared by an edit gains or loses its row, so the tree never shows a
    // stale or empty number.
    const bool had = !node.entry.cellPhone.empty();
    const bool will = !newCellPhone.empty();
    if (had == will)
        return;
    const QModelIndex buddy = indexOf(&node);
    if (will) {
        m_phoneRowChange = PhoneRowChange::Inserting;
        beginInsertRows(buddy, 0, 0);
    } else {
        m_phoneRowChange = PhoneRowChange::Removing;
        beginRemoveRows(buddy, 0, 0);
    }
}

void BuddyListModel::nodeChanged(const BuddyNode& node) {
    const PhoneRowChange change = std::exchange(m_phoneRowChange, PhoneRowChange::None);
    if (change == PhoneRowChange::Inserting)
        endInsertRows();
    else if (change == PhoneRowChange::Removing)
        endRemoveRows();
    const QModelIndex index = indexOf(&node);
    emit dataChanged(index, index);
    if (change == PhoneRowChange::None && node.entry.isBuddy() && !node.entry.cellPhone.empty()) {
        const QModelIndex phone = phoneIndexOf(node);
        emit dataChanged(phone, phone);
    }
}

void BuddyListModel::childrenReordering(const BuddyNode& parent) {
    emit layoutAboutToBeChanged({QPersistentModelIndex(indexOf(&parent))},
                                QAbstractItemModel::VerticalSortHint);
    m_reorderedBefore = persistentIndexList();
}

void BuddyListModel::childrenReordered(const BuddyNode& parent) {
    // Nodes keep their addresses when they move, so every kept index finds its row again.
    QModelIndexList after;
    after.reserve(m_reorderedBefore.size());
    for (const QModelIndex& before : m_reorderedBefore)
        after.append(isPhoneRow(before) ? phoneIndexOf(*nodeFor(before)) : indexOf(nodeOf(before)));
    changePersistentIndexList(m_reorderedBefore, after);
    m_reorderedBefore.clear();
    emit layoutChanged({QPersistentModelIndex(indexOf(&parent))},
                       QAbstractItemModel::VerticalSortHint);
}

} // namespace textowl
