#include "buddylist/buddy_tree.h"

#include <QBitmap>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <memory>
#include <vector>

namespace textowl {

namespace {

constexpr int kLineType = QTreeWidgetItem::UserType + 1;
constexpr QRgb kTransparent = qRgb(255, 0, 255);

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

} // namespace

// A tree line owning its entry (none for a phone line); deleting the line destroys the entries
// of its whole subtree with it.
class BuddyTree::Line : public QTreeWidgetItem {
public:
    Line(LineKind kind, std::unique_ptr<BuddyEntry> entry)
        : QTreeWidgetItem(kLineType), m_kind(kind), m_entry(std::move(entry)) {}

    LineKind kind() const { return m_kind; }
    BuddyEntry* entry() const { return m_entry.get(); }
    LineImages images() const { return m_images; }
    void setImages(LineImages images) { m_images = images; }

    // Group lines sort the way the tree control always has: alphabetically, ignoring case.
    bool operator<(const QTreeWidgetItem& other) const override {
        return QString::compare(text(0), other.text(0), Qt::CaseInsensitive) < 0;
    }

private:
    LineKind m_kind;
    std::unique_ptr<BuddyEntry> m_entry;
    LineImages m_images{TreeImage::Person, TreeImage::Person};
};

BuddyTree::BuddyTree(const QPixmap& imageStrip, BuddyTreeTexts texts, QWidget* parent)
    : QTreeWidget(parent), m_texts(std::move(texts)) {
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
    m_boldFont = font();
    m_boldFont.setBold(true);
    buildImages(imageStrip);

    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { onExpandedChanged(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { onExpandedChanged(item, false); });
    connect(this, &QTreeWidget::itemSelectionChanged, this, &BuddyTree::onSelectionChanged);
}

BuddyTree::~BuddyTree() = default;

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

QPixmap BuddyTree::treeImage(TreeImage image) const {
    return m_images[static_cast<std::size_t>(image)];
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

void BuddyTree::setImages(Line* line, LineImages images) {
    line->setImages(images);
    line->setIcon(0, icon(images));
}

BuddyTree::Line* BuddyTree::makeLine(LineKind kind, const QString& text,
                                     std::unique_ptr<BuddyEntry> entry) {
    auto* line = new Line(kind, std::move(entry));
    line->setText(0, text);
    setImages(line, insertedImages(kind));
    if (kind == LineKind::Root || kind == LineKind::Group)
        line->setFont(0, m_boldFont);
    return line;
}

BuddyTree::Line* BuddyTree::makeGroupLine(BuddyEntry entry) {
    const QString text = fromUtf8(entry.groupName);
    return makeLine(LineKind::Group, text,
                    std::make_unique<BuddyEntry>(BuddyEntry::makeGroup(
                        std::move(entry.groupId), std::move(entry.groupName))));
}

BuddyTree::Line* BuddyTree::makeBuddyLine(BuddyEntry entry) {
    const std::string_view name = displayName(entry);
    if (name.empty())
        return nullptr;
    const QString text = fromUtf8(name);
    entry.children.clear();
    entry.kind = EntryKind::Buddy;
    const bool hasPhone = !entry.cellPhone.empty();
    const QString phone = fromUtf8(entry.cellPhone);
    Line* line = makeLine(LineKind::Buddy, text, std::make_unique<BuddyEntry>(std::move(entry)));
    if (hasPhone)
        line->addChild(makeLine(LineKind::Phone, phone, nullptr));
    return line;
}

void BuddyTree::fill(BuddyEntry parsed) {
    clearLines();
    setUpdatesEnabled(false);
    Line* root = makeLine(LineKind::Root, m_texts.rootLine,
                          std::make_unique<BuddyEntry>(BuddyEntry::makeRoot()));

    // Lines are built detached and handed to the view in one go per level: a 10,000-buddy list
    // must not pay for a model notification, or a sorted-place scan, per line.
    std::vector<BuddyEntry*> buddies;
    std::vector<std::string> texts;
    for (BuddyEntry& child : parsed.children) {
        if (child.isBuddy() && !displayName(child).empty()) {
            buddies.push_back(&child);
            texts.emplace_back(displayName(child));
        }
    }
    QList<QTreeWidgetItem*> topLevel;
    topLevel.reserve(static_cast<qsizetype>(parsed.children.size()));
    for (std::size_t index : topLevelFillOrder(texts))
        topLevel.append(makeBuddyLine(std::move(*buddies[index])));
    for (BuddyEntry& child : parsed.children) {
        if (!child.isGroup())
            continue;
        std::vector<BuddyEntry> members = std::move(child.children);
        Line* group = makeGroupLine(std::move(child));
        QList<QTreeWidgetItem*> lines;
        lines.reserve(static_cast<qsizetype>(members.size()));
        for (BuddyEntry& member : members) {
            if (member.isBuddy())
                if (Line* line = makeBuddyLine(std::move(member)))
                    lines.append(line);
        }
        group->addChildren(lines);
        topLevel.append(group);
    }
    root->addChildren(topLevel);
    addTopLevelItem(root);
    expandItem(root);
    setUpdatesEnabled(true);
    setEditFlags({true, true, false, false});
}

void BuddyTree::clearLines() {
    clear();
    onSelectionChanged();
}

int BuddyTree::topLevelIndexFor(const QString& text) const {
    const QTreeWidgetItem* root = rootLine();
    const auto count = static_cast<std::size_t>(root->childCount());
    const auto lineAt = [&](std::size_t i) {
        const QTreeWidgetItem* child = root->child(static_cast<int>(i));
        const BuddyEntry* entry = ownEntry(child);
        return TopLevelLine{entry ? entry->kind : EntryKind::None, toUtf8(child->text(0))};
    };
    return static_cast<int>(topLevelInsertIndex(count, lineAt, toUtf8(text)));
}

QTreeWidgetItem* BuddyTree::insertLine(const BuddyEntry& fields, QTreeWidgetItem* parent) {
    if (!parent || parent->treeWidget() != this)
        return nullptr;
    Line* line = nullptr;
    if (fields.isGroup())
        line = makeGroupLine(fields);
    else if (fields.isBuddy())
        line = makeBuddyLine(fields);
    if (!line)
        return nullptr;
    int index = parent->childCount();
    if (line->kind() == LineKind::Buddy && parent == rootLine())
        index = topLevelIndexFor(line->text(0));
    parent->insertChild(index, line);
    return line;
}

void BuddyTree::removeLine(QTreeWidgetItem* line) {
    if (!line || line->treeWidget() != this)
        return;
    delete line;
    onSelectionChanged();
}

void BuddyTree::sortGroup(QTreeWidgetItem* groupLine) {
    if (groupLine && groupLine != rootLine())
        groupLine->sortChildren(0, Qt::AscendingOrder);
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

const BuddyEntry* BuddyTree::ownEntry(const QTreeWidgetItem* line) const {
    if (!line || line->type() != kLineType)
        return nullptr;
    return static_cast<const Line*>(line)->entry();
}

BuddyEntry* BuddyTree::ownEntry(QTreeWidgetItem* line) {
    if (!line || line->type() != kLineType)
        return nullptr;
    return static_cast<Line*>(line)->entry();
}

const BuddyEntry* BuddyTree::entryOf(const QTreeWidgetItem* line) const {
    if (!line)
        return nullptr;
    if (const BuddyEntry* own = ownEntry(line))
        return own;
    return ownEntry(line->parent());
}

LineKind BuddyTree::lineKind(const QTreeWidgetItem* line) const {
    if (!line || line->type() != kLineType)
        return LineKind::None;
    return static_cast<const Line*>(line)->kind();
}

LineKind BuddyTree::selectedLineKind() const {
    return lineKind(selectedLine());
}

LineImages BuddyTree::lineImages(const QTreeWidgetItem* line) const {
    if (!line || line->type() != kLineType)
        return insertedImages(LineKind::None);
    return static_cast<const Line*>(line)->images();
}

template <class Visit> void BuddyTree::forEachLine(Visit&& visit) const {
    const QTreeWidgetItem* root = rootLine();
    if (!root)
        return;
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem* child = root->child(i);
        visit(child);
        for (int j = 0; j < child->childCount(); ++j)
            visit(child->child(j));
    }
}

QTreeWidgetItem* BuddyTree::findBuddyLine(std::string_view bid, std::string_view bgid) const {
    QTreeWidgetItem* found = nullptr;
    forEachLine([&](QTreeWidgetItem* line) {
        const BuddyEntry* entry = ownEntry(line);
        if (!found && entry && entry->isBuddy() && entry->id == bid && entry->groupId == bgid)
            found = line;
    });
    return found;
}

QList<QTreeWidgetItem*> BuddyTree::buddyLines(std::string_view bid) const {
    QList<QTreeWidgetItem*> lines;
    forEachLine([&](QTreeWidgetItem* line) {
        const BuddyEntry* entry = ownEntry(line);
        if (entry && entry->isBuddy() && entry->id == bid)
            lines.append(line);
    });
    return lines;
}

QTreeWidgetItem* BuddyTree::findGroupLine(std::string_view bgid) const {
    const QTreeWidgetItem* root = rootLine();
    for (int i = 0; root && i < root->childCount(); ++i) {
        const BuddyEntry* entry = ownEntry(root->child(i));
        if (entry && entry->isGroup() && entry->groupId == bgid)
            return root->child(i);
    }
    return nullptr;
}

QTreeWidgetItem* BuddyTree::findGroupLineByName(const QString& name) const {
    const QTreeWidgetItem* root = rootLine();
    for (int i = 0; root && i < root->childCount(); ++i) {
        QTreeWidgetItem* child = root->child(i);
        if (lineKind(child) == LineKind::Group && child->text(0) == name)
            return child;
    }
    return nullptr;
}

QStringList BuddyTree::groupNames() const {
    QStringList names;
    const QTreeWidgetItem* root = rootLine();
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (const BuddyEntry* entry = ownEntry(root->child(i)); entry && entry->isGroup())
            names.append(fromUtf8(entry->groupName));
    }
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
        phone->setText(0, fromUtf8(newPhone));
    else
        buddyLine->addChild(makeLine(LineKind::Phone, fromUtf8(newPhone), nullptr));
}

int BuddyTree::updateBuddyLines(std::string_view bid, const BuddyEntry& values) {
    const QList<QTreeWidgetItem*> lines = buddyLines(bid);
    const std::string_view name = displayName(values);
    for (QTreeWidgetItem* line : lines) {
        BuddyEntry* entry = ownEntry(line);
        if (!name.empty())
            line->setText(0, fromUtf8(name));
        syncPhoneLine(line, entry->cellPhone, values.cellPhone);
        entry->firstName = values.firstName;
        entry->lastName = values.lastName;
        entry->nickname = values.nickname;
        entry->cellPhone = values.cellPhone;
        entry->email = values.email;
        entry->birthday = values.birthday;
    }
    return static_cast<int>(lines.size());
}

int BuddyTree::removeBuddyLines(std::string_view bid) {
    const QList<QTreeWidgetItem*> lines = buddyLines(bid);
    qDeleteAll(lines);
    if (!lines.isEmpty())
        onSelectionChanged();
    return static_cast<int>(lines.size());
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
        auto* line = static_cast<Line*>(item);
        setImages(line, toggledImages(line->kind(), expanded));
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
            m_commandSink(kSendMessageCommand);
    });
}

} // namespace textowl
