#pragma once

#include "buddylist/buddy_entry.h"
#include "buddylist/buddy_list.h"
#include "buddylist/tree_rules.h"
#include "ui/qt_text.h"

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <memory>
#include <unordered_map>

namespace textowl {

// Texts the tree shows itself; the owner passes the localised ones.
struct BuddyTreeTexts {
    QString rootLine = qs(defaultText(Text::BuddyListRoot));
};

// The buddy list as a tree: one root line, group and top-level buddy lines under it, a group's
// buddies under the group, and a phone line under every buddy that has a cell phone. Every line
// but the phone lines shows one node of the session's BuddyList, which this view follows and
// never owns: the list must outlive the view, and deleting the view leaves the data alone.
// Changes go through the list, never through the lines. Drags of buddy lines are reported, not
// carried out.
class BuddyTree : public QTreeWidget, private BuddyListObserver {
    Q_OBJECT

public:
    // imageStrip: five 16x16 pictures side by side, magenta (255, 0, 255) transparent.
    BuddyTree(BuddyList& list, const QPixmap& imageStrip, BuddyTreeTexts texts = {},
              QWidget* parent = nullptr);
    ~BuddyTree() override;

    BuddyList& list() const { return m_list; }

    void setTexts(const BuddyTreeTexts& texts);
    void setCommandSink(std::function<void(int)> sink);

    // Replaces every line by the parsed list and expands the root line. The caller selects the
    // root line afterwards, which settles the edit flags.
    void fill(BuddyEntry parsed);

    // Orders a group's lines alphabetically ignoring case; never used on the root line.
    void sortGroup(QTreeWidgetItem* groupLine);

    QTreeWidgetItem* rootLine() const;
    QTreeWidgetItem* selectedLine() const;
    void selectLine(QTreeWidgetItem* line);

    // The node a line shows, null for a phone line; nodeFor gives a phone line's buddy instead.
    BuddyNode* nodeOf(const QTreeWidgetItem* line) const;
    BuddyNode* nodeFor(const QTreeWidgetItem* line) const;
    QTreeWidgetItem* lineOf(const BuddyNode* node) const;

    // The entry a command acts on: the line's own, else its parent's (a phone line's buddy).
    const BuddyEntry* entryOf(const QTreeWidgetItem* line) const;
    LineKind selectedLineKind() const;
    QStringList groupNames() const;

    void setEditFlags(EditFlags flags);
    void setPasteEnabled(bool enabled);

signals:
    // Chosen by the selected line, not by the line under the pointer.
    void contextMenuRequested(textowl::LineKind kind, QPoint globalPos);
    void editFlagsChanged(textowl::EditFlags flags);
    // A buddy line was dragged and let go over target (null outside every line); nothing moved.
    void lineDropped(QTreeWidgetItem* dragged, QTreeWidgetItem* target);

protected:
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    class Line;

    void listReset() override;
    void nodeInserted(const BuddyNode& node, std::size_t index) override;
    void nodeRemoving(const BuddyNode& node) override;
    void nodeChanged(const BuddyNode& node, const std::string& oldCellPhone) override;
    void childrenReordered(const BuddyNode& parent) override;

    void buildImages(const QPixmap& imageStrip);
    const QIcon& icon(LineImages images);
    Line* makeLine(LineKind kind, const QString& text, BuddyNode* node);
    // The node's line with the lines of everything below it, detached.
    Line* makeLines(const BuddyNode& node);
    void forgetLines(const BuddyNode& node);
    LineKind lineKind(const QTreeWidgetItem* line) const;
    void syncPhoneLine(QTreeWidgetItem* buddyLine, const std::string& oldPhone,
                       const std::string& newPhone);
    void setDropHighlight(QTreeWidgetItem* line);
    bool ownsDrag(const QDropEvent* event) const;
    void onExpandedChanged(QTreeWidgetItem* item, bool expanded);
    void onSelectionChanged();

    BuddyList& m_list;
    std::unordered_map<const BuddyNode*, Line*> m_lines;
    QTreeWidgetItem* m_dragged = nullptr;
    QTreeWidgetItem* m_dropHighlight = nullptr;
    QTreeWidgetItem* m_dropTarget = nullptr;
    BuddyTreeTexts m_texts;
    std::function<void(int)> m_commandSink;
    std::array<QPixmap, kTreeImageCount> m_images;
    std::array<QIcon, kTreeImageCount * kTreeImageCount> m_icons;
    QFont m_boldFont;
    EditFlags m_flags;
};

} // namespace textowl

Q_DECLARE_METATYPE(textowl::LineKind)
Q_DECLARE_METATYPE(textowl::EditFlags)
