#include "buddylist/buddy_list_model.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSortFilterProxyModel>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

BuddyEntry buddy(std::string id, std::string nick, std::string phone, const BuddyEntry* group) {
    BuddyEntry e;
    e.kind = EntryKind::Buddy;
    e.id = std::move(id);
    e.nickname = std::move(nick);
    e.cellPhone = std::move(phone);
    e.groupId = group ? group->groupId : "0";
    e.groupName = group ? group->groupName : "";
    return e;
}

BuddyEntry sample() {
    BuddyEntry root = BuddyEntry::makeRoot();
    BuddyEntry work = BuddyEntry::makeGroup("10", "Work");
    work.children = {buddy("3", "carl", "777", &work), buddy("5", "Ann", "", &work),
                     buddy("6", "bea", "6", &work)};
    root.children = {buddy("1", "bob", "555", nullptr), buddy("3", "carl", "777", nullptr), work,
                     BuddyEntry::makeGroup("11", "Family")};
    return root;
}

// Every row as "depth:text".
void describe(const QAbstractItemModel& model, const QModelIndex& parent, int depth,
              std::vector<std::string>& out) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        out.push_back(std::to_string(depth) + ":" + index.data().toString().toStdString());
        describe(model, index, depth + 1, out);
    }
}

std::vector<std::string> rows(const QAbstractItemModel& model) {
    std::vector<std::string> out;
    describe(model, {}, 0, out);
    return out;
}

// The tester checks every announcement against what the model then reports. A proxy knows only
// what was announced, so its rows show a change the model made silently. An index kept on a
// moved line must follow it.
TEST(BuddyListModel, AnnouncesEveryChangeOfTheListInStep) {
    BuddyList list;
    BuddyListModel model(list, QPixmap());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSortFilterProxyModel announced;
    announced.setSourceModel(&model);
    list.fill(sample());
    const QPersistentModelIndex bea = model.indexOf(list.findBuddy("6", "10"));

    const struct {
        const char* change;
        std::function<void()> apply;
        std::vector<std::string> shown;
    } steps[] = {
        {"insert at the top level",
         [&] { list.insert(buddy("7", "abe", "", nullptr), list.root()); },
         {"0:My Buddy List", "1:abe", "1:bob", "2:555", "1:carl", "2:777", "1:Work", "2:carl",
          "3:777", "2:Ann", "2:bea", "3:6", "1:Family"}},
        {"sort a group",
         [&] { list.sortGroup(*list.findGroup("10")); },
         {"0:My Buddy List", "1:abe", "1:bob", "2:555", "1:carl", "2:777", "1:Work", "2:Ann",
          "2:bea", "3:6", "2:carl", "3:777", "1:Family"}},
        {"a phone added, changed and cleared",
         [&] {
             list.updateBuddy("7", buddy("7", "abe", "+46", nullptr));
             list.updateBuddy("3", buddy("3", "carl", "", nullptr));
             list.updateBuddy("1", buddy("1", "bob", "556", nullptr));
         },
         {"0:My Buddy List", "1:abe", "2:+46", "1:bob", "2:556", "1:carl", "1:Work", "2:Ann",
          "2:bea", "3:6", "2:carl", "1:Family"}},
        {"rename, then remove a group and everywhere",
         [&] {
             list.renameGroup(*list.findGroup("11"), "Kin");
             list.removeBuddyEverywhere("3");
             list.removeGroup(*list.findGroup("10"));
         },
         {"0:My Buddy List", "1:Ann", "1:abe", "2:+46", "1:bea", "2:6", "1:bob", "2:556", "1:Kin"}},
        {"clear", [&] { list.clear(); }, {"0:My Buddy List"}},
    };
    for (const auto& step : steps) {
        step.apply();
        EXPECT_EQ(rows(model), step.shown) << step.change;
        EXPECT_EQ(rows(announced), step.shown) << step.change;
        if (const BuddyNode* shown = list.findBuddy("6", "10"))
            EXPECT_EQ(bea.row(), static_cast<int>(shown->indexInParent())) << step.change;
    }
    EXPECT_FALSE(bea.isValid()) << "gone with its group";
}

} // namespace
} // namespace textowl
