#pragma once

#include "buddylist/buddy_list.h"
#include "buddylist/tree_rules.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <array>
#include <unordered_map>

namespace textowl {

// The session's BuddyList as rows: one top row for the list's root, then a row for every node
// under it, and a derived phone row under every buddy that has a cell phone. The model follows
// the list and never owns or changes it; the list must outlive the model.
class BuddyListModel : public QAbstractItemModel, private BuddyListObserver {
    Q_OBJECT

public:
    // The kind of line a row shows (LineKind as int).
    static constexpr int kLineKindRole = Qt::UserRole + 1;

    // imageStrip: five 16x16 pictures side by side, magenta (255, 0, 255) transparent.
    BuddyListModel(BuddyList& list, const QPixmap& imageStrip, QObject* parent = nullptr);
    ~BuddyListModel() override;

    BuddyList& list() const { return m_list; }
    void setRootText(const QString& text);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The node a row shows, null for a phone row; nodeFor gives a phone row's buddy instead.
    BuddyNode* nodeOf(const QModelIndex& index) const;
    BuddyNode* nodeFor(const QModelIndex& index) const;
    QModelIndex indexOf(const BuddyNode* node) const;
    LineKind kindOf(const QModelIndex& index) const;

    // A line shows its inserted pictures until it is first expanded or collapsed; from then on
    // both of its pictures follow that state.
    void setExpandedShown(const QModelIndex& index, bool expanded);

private:
    void listResetting() override;
    void listReset() override;
    void nodeInserting(const BuddyNode& parent, std::size_t index) override;
    void nodeInserted(const BuddyNode& node) override;
    void nodeRemoving(const BuddyNode& node) override;
    void nodeRemoved(const BuddyNode& parent, std::size_t index) override;
    void nodeChanging(const BuddyNode& node, const std::string& newCellPhone) override;
    void nodeChanged(const BuddyNode& node) override;
    void childrenReordering(const BuddyNode& parent) override;
    void childrenReordered(const BuddyNode& parent) override;

    static bool isPhoneRow(const QModelIndex& index);
    QModelIndex phoneIndexOf(const BuddyNode& buddy) const;
    void buildImages(const QPixmap& imageStrip);
    QIcon icon(LineImages images) const;
    void forgetToggles(const BuddyNode& node);

    // A change that adds or drops a phone row, announced by nodeChanging and ended by nodeChanged.
    enum class PhoneRowChange { None, Inserting, Removing };

    BuddyList& m_list;
    QString m_rootText;
    std::array<QPixmap, kTreeImageCount> m_images;
    mutable std::array<QIcon, kTreeImageCount * kTreeImageCount> m_icons;
    std::unordered_map<const BuddyNode*, bool> m_toggled;
    PhoneRowChange m_phoneRowChange = PhoneRowChange::None;
    QModelIndexList m_reorderedBefore;
};

} // namespace textowl
