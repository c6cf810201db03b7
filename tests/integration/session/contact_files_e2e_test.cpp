// Contacts > Export and Import against the service: an export carried into an empty account,
// an import cancelled midway, and a file the import refuses.
#include "buddylist/buddy_list.h"
#include "session_fixture.h"

#include <QApplication>
#include <QFile>
#include <QProgressDialog>
#include <QTimer>
#include <map>
#include <set>

namespace textowl::testing {
namespace {

// Every group with its members, and the top level, as "name|phone|e-mail|birthday": what the
// tree shows and what an export carries, whatever ids the service gave.
std::map<std::string, std::multiset<std::string>> contents(const BuddyList& list) {
    std::map<std::string, std::multiset<std::string>> groups;
    const auto describe = [](const BuddyNode& node) {
        const BuddyEntry& e = node.entry;
        return node.text + "|" + e.cellPhone + "|" + e.email + "|" + e.birthday;
    };
    for (const auto& child : list.root().children) {
        if (child->entry.isBuddy()) {
            groups[""].insert(describe(*child));
            continue;
        }
        std::multiset<std::string>& members = groups["group " + child->text];
        for (const auto& member : child->children)
            members.insert(describe(*member));
    }
    return groups;
}

class ContactFilesEndToEnd : public LiveServiceTest {
protected:
    void addAccount(const std::string& user) {
        test::ServiceProcess add(PAGEWRIGHT_SERVICE_EXE,
                                 {"add-user", "--db", data_.file("service.db").string(),
                                  "--hash-cost", "min", user, "pw", "10"});
        ASSERT_EQ(add.wait(), 0);
    }
    QString writeFile(const char* name, const QByteArray& bytes) {
        const QString path = QString::fromStdString(data_.file(name).string());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }
    const BuddyList& list(MainWindow& w) { return *w.session().buddyList(); }
};

class ExportAndImport : public ContactFilesEndToEnd,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(ExportAndImport, GiveAnEmptyAccountTheSameTree) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    ASSERT_TRUE(w.session().signedIn());
    const auto demo = contents(list(w));
    const QString path = QString::fromStdString(data_.file(GetParam()).string());
    prompts_->files.push_back(path);
    w.runCommand(kCmdExportContacts);
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(messages().back().text, QStringLiteral("Contacts exported: 6."));

    w.runCommand(kCmdSignInOut);
    addAccount("fresh");
    signIn(w, QStringLiteral("fresh"), QStringLiteral("pw"));
    ASSERT_TRUE(w.session().signedIn());
    ASSERT_TRUE(list(w).root().children.empty());
    prompts_->files.push_back(path);
    prompts_->dialogs.push_back(true);
    w.runCommand(kCmdImportContacts);
    EXPECT_EQ(messages().back().text, QStringLiteral("Added: 6. Skipped: 0. Failed: 0."));
    EXPECT_EQ(contents(list(w)), demo);

    // What the service keeps, as the next sign-in loads it.
    w.runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("fresh"), QStringLiteral("pw"));
    EXPECT_EQ(contents(list(w)), demo);
}

INSTANTIATE_TEST_SUITE_P(Session, ExportAndImport, ::testing::Values("list.vcf", "list.csv"),
                         [](const auto& info) {
                             return std::string(info.param).ends_with(".csv") ? "Csv" : "VCard";
                         });

TEST_F(ContactFilesEndToEnd, CancelStopsAfterTheContactInHand) {
    QByteArray csv = "name,phone,group\n";
    for (int i = 0; i < 8; ++i)
        csv += QByteArray("Guest ") + QByteArray::number(i) + ",+4673000000" +
               QByteArray::number(i) + ",Party\n";
    const QString path = writeFile("guests.csv", csv);
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    prompts_->files.push_back(path);
    prompts_->dialogs.push_back(true);
    // The user presses Cancel once two guests are in.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* progress = w.findChild<QProgressDialog*>();
        if (progress && progress->value() >= 2 && !progress->wasCanceled())
            progress->cancel();
    });
    watcher.start(0);
    w.runCommand(kCmdImportContacts);
    watcher.stop();

    const BuddyNode* party = list(w).root().children.empty()
                                 ? nullptr
                                 : const_cast<BuddyList&>(list(w)).findGroupByName("Party");
    ASSERT_NE(party, nullptr);
    const auto added = static_cast<int>(party->children.size());
    EXPECT_GE(added, 2);
    EXPECT_LT(added, 8);
    EXPECT_EQ(messages().back().text,
              QStringLiteral("Added: %1. Skipped: %2. Failed: 0.\n"
                             "Not imported: the import was cancelled: %2")
                  .arg(added)
                  .arg(8 - added));
    w.runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_EQ(const_cast<BuddyList&>(list(w)).findGroupByName("Party")->children.size(),
              static_cast<std::size_t>(added));
}

TEST_F(ContactFilesEndToEnd, AFileThatIsNoAddressBookIsRefusedAndNothingChanges) {
    const QString path = writeFile("photo.vcf", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const auto before = contents(list(w));
    prompts_->files.push_back(path);
    w.runCommand(kCmdImportContacts);
    ASSERT_FALSE(messages().empty());
    EXPECT_TRUE(messages().back().text.startsWith(
        QStringLiteral("This file cannot be imported: it is not a text file")))
        << messages().back().text.toStdString();
    EXPECT_EQ(messages().back().icon, Prompts::Icon::Error);
    EXPECT_TRUE(prompts_->askedOf(ScriptedPrompts::Kind::Dialog).empty());
    EXPECT_EQ(contents(list(w)), before);
}

} // namespace
} // namespace textowl::testing
