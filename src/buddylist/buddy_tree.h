#pragma once

#include "buddylist/buddy_entry.h"
#include "buddylist/buddy_list.h"
#include "buddylist/buddy_list_model.h"
#include "buddylist/tree_rules.h"
#include "ui/qt_text.h"

#include <QPersistentModelIndex>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <functional>

namespace textowl {

// Texts the tree shows itself; the owner passes the localised ones.
struct BuddyTreeTexts {
    QString rootLine = qs(defaultText(Text::BuddyListRoot));
};

// The buddy list as a tree: one root line, group and top-level buddy lines under it, a group's
// buddies under the group, and a phone line under every buddy that has a cell phone. It shows a
// BuddyListModel over the session's BuddyList, which it never owns: the list must outlive the
// view, and deleting the view leaves the data alone. Changes go through the list, never through
// the lines. Drags of buddy lines are reported, not carried out.
class BuddyTree : public QTreeView {
    Q_OBJECT

public:
    // imageStrip: five 16x16 pictures side by side, magenta (255, 0, 255) transparent.
    BuddyTree(BuddyList& list, const QPixmap& imageStrip, BuddyTreeTexts texts = {},
              QWidget* parent = nullptr);

    BuddyList& list() const { return m_model->list(); }
    BuddyListModel& buddyModel() const { return *m_model; }

    void setTexts(const BuddyTreeTexts& texts);
    void setCommandSink(std::function<void(int)> sink);

    // Replaces every line by the parsed list and expands the root line. The caller selects the
    // root line afterwards, which settles the edit flags.
    void fill(BuddyEntry parsed);

    // Orders a group's lines alphabetically ignoring case; never used on the root line.
    void sortGroup(const QModelIndex& groupLine);

    QModelIndex rootLine() const;
    QModelIndex selectedLine() const;
    // An invalid line clears the selection.
    void selectLine(const QModelIndex& line);

    // The node a line shows, null for a phone line; nodeFor gives a phone line's buddy instead.
    BuddyNode* nodeOf(const QModelIndex& line) const { return m_model->nodeOf(line); }
    BuddyNode* nodeFor(const QModelIndex& line) const { return m_model->nodeFor(line); }
    QModelIndex lineOf(const BuddyNode* node) const { return m_model->indexOf(node); }
    // The node the selected line stands for (a phone line's buddy), null when none is selected.
    BuddyNode* selectedNode() const { return nodeFor(selectedLine()); }

    // The entry a command acts on: the line's own, else its parent's (a phone line's buddy).
    const BuddyEntry* entryOf(const QModelIndex& line) const;
    LineKind selectedLineKind() const;
    QStringList groupNames() const;

    void setEditFlags(EditFlags flags);
    void setPasteEnabled(bool enabled);

signals:
    // Chosen by the selected line; a right click on a line selects that line first.
    void contextMenuRequested(textowl::LineKind kind, QPoint globalPos);
    void editFlagsChanged(textowl::EditFlags flags);
    // A buddy line was dragged and let go over target (invalid outside every line); nothing
    // moved.
    void lineDropped(const QModelIndex& dragged, const QModelIndex& target);

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
    void onListReset();
    void setDropHighlight(const QModelIndex& line);
    bool ownsDrag(const QDropEvent* event) const;
    void onSelectionChanged();
    // The menu key and Shift+F10 open the selected line's menu at that line.
    void requestMenuAtSelection();
    void postCommand(int id);

    BuddyListModel* m_model;
    // Persistent, so that a line removed while dragging is forgotten rather than left dangling.
    QPersistentModelIndex m_dragged;
    QPersistentModelIndex m_dropHighlight;
    QPersistentModelIndex m_dropTarget;
    std::function<void(int)> m_commandSink;
    EditFlags m_flags;
};

} // namespace textowl

Q_DECLARE_METATYPE(textowl::LineKind)
Q_DECLARE_METATYPE(textowl::EditFlags)
