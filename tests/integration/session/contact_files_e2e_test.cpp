// Contacts > Export and Import against the service: an export carried into an empty account,
// an import cancelled midway, an import cut short by sign-out, a file the import refuses, an
// Outlook file imported twice, and an export right after a group delete.
#include "buddylist/buddy_list.h"
#include "buddylist/buddy_tree.h"
#include "contacts/contact_file.h"
#include "session_fixture.h"
#include "support/qt/session_state.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
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
    // National numbers are Swedish unless the locale names a region.
    void SetUp() override {
        LiveServiceTest::SetUp();
        settings()->setValue(QStringLiteral("Preferences/importregion"), QStringLiteral("SE"));
    }
    void addAccount(const std::string& user) {
        test::ServiceProcess add(PAGEWRIGHT_SERVICE_EXE,
                                 {"add-user", "--db", m_data.file("service.db").string(),
                                  "--hash-cost", "min", user, "pw", "10"});
        ASSERT_EQ(add.wait(), 0);
    }
    QString writeFile(const char* name, const QByteArray& bytes) {
        const QString path = QString::fromStdString(m_data.file(name).string());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }
    // Eight guests, all in Party.
    QString guestsFile() {
        QByteArray csv = "name,phone,group\n";
        for (int i = 0; i < 8; ++i)
            csv += QByteArray("Guest ") + QByteArray::number(i) + ",+4673000000" +
                   QByteArray::number(i) + ",Party\n";
        return writeFile("guests.csv", csv);
    }
    // Signs in as demo and starts importing the eight guests, with the preview confirmed.
    MainWindow& startImportingGuests() {
        const QString path = guestsFile();
        MainWindow& w = open();
        w.show();
        signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
        m_prompts->files.push_back(path);
        m_prompts->dialogs.push_back(true);
        router().runCommand(kCmdImportContacts);
        return w;
    }
    const BuddyList& list(MainWindow& w) { return *host().session().buddyList(); }
};

// A name typed without a suffix, under the filter chosen for it.
struct ExportCase {
    int filter;
    const char* written;
    const char* start; // the file's first bytes
};

class ExportAndImport : public ContactFilesEndToEnd,
                        public ::testing::WithParamInterface<ExportCase> {};

TEST_P(ExportAndImport, GiveAnEmptyAccountTheSameTree) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    ASSERT_TRUE(host().session().signedIn());
    const auto demo = contents(list(w));
    const QString path = QString::fromStdString(m_data.file(GetParam().written).string());
    m_prompts->files.push_back(QFileInfo(path).path() + QStringLiteral("/familj"));
    m_prompts->fileFilters.push_back(GetParam().filter);
    router().runCommand(kCmdExportContacts);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith(GetParam().start));
    EXPECT_EQ(messages().back().text, QStringLiteral("Contacts exported: 6."));

    router().runCommand(kCmdSignInOut);
    addAccount("fresh");
    signIn(w, QStringLiteral("fresh"), QStringLiteral("pw"));
    ASSERT_TRUE(host().session().signedIn());
    ASSERT_TRUE(list(w).root().children.empty());
    m_prompts->files.push_back(path);
    m_prompts->dialogs.push_back(true);
    router().runCommand(kCmdImportContacts);
    ASSERT_TRUE(waitForAnswers(host().session()));
    EXPECT_EQ(messages().back().text, QStringLiteral("Added: 6. Skipped: 0. Failed: 0."));
    EXPECT_EQ(contents(list(w)), demo);
    // The file dialogs open at home the first time, then where the last file was.
    const auto folders = m_prompts->askedOf(ScriptedPrompts::Kind::File);
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].text, QDir::homePath());
    EXPECT_EQ(folders[1].text, QFileInfo(path).absolutePath());

    // What the service keeps, as the next sign-in loads it.
    router().runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("fresh"), QStringLiteral("pw"));
    EXPECT_EQ(contents(list(w)), demo);
}

INSTANTIATE_TEST_SUITE_P(Session, ExportAndImport,
                         ::testing::Values(ExportCase{0, "familj.vcf", "BEGIN:VCARD"},
                                           ExportCase{1, "familj.csv", "\xEF\xBB\xBFGiven Name"}),
                         [](const auto& info) { return info.param.filter ? "Csv" : "VCard"; });

TEST_F(ContactFilesEndToEnd, CancelStopsAfterTheContactInHand) {
    MainWindow& w = startImportingGuests();
    // The user presses Cancel once two guests are in.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* progress = w.findChild<QProgressDialog*>();
        if (progress && progress->value() >= 2 && !progress->wasCanceled())
            progress->cancel();
    });
    watcher.start(0);
    ASSERT_TRUE(waitForAnswers(host().session()));
    watcher.stop();

    const BuddyNode* party = list(w).root().children.empty()
                                 ? nullptr
                                 : const_cast<BuddyList&>(list(w)).findGroupByName("Party");
    ASSERT_NE(party, nullptr);
    const auto added = static_cast<int>(party->children.size());
    EXPECT_GE(added, 2);
    EXPECT_LT(added, 8);
    EXPECT_EQ(messages().back().text, QStringLiteral("Added: %1. Skipped: %2. Failed: 0.\n"
                                                     "Not imported: the import was cancelled: %2")
                                          .arg(added)
                                          .arg(8 - added));
    router().runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_EQ(const_cast<BuddyList&>(list(w)).findGroupByName("Party")->children.size(),
              static_cast<std::size_t>(added));
}

TEST_F(ContactFilesEndToEnd, SignOutHalfwayEndsTheImportQuietlyAndKeepsWhatWasAccepted) {
    MainWindow& w = startImportingGuests();
    auto* progress = w.findChild<QProgressDialog*>();
    ASSERT_NE(progress, nullptr);
    // The user signs out once two guests are in, with the third on its way.
    QObject::connect(
        progress->findChild<QProgressBar*>(), &QProgressBar::valueChanged, &w,
        [this](int value) {
            if (value == 2)
                host().controller().signOut();
        },
        Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host().session().signedIn(); }));
    ASSERT_TRUE(waitForAnswers(host().session()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.findChild<QProgressDialog*>() == nullptr; }));
    EXPECT_TRUE(messages().empty());

    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const BuddyNode* party = const_cast<BuddyList&>(list(w)).findGroupByName("Party");
    ASSERT_NE(party, nullptr);
    EXPECT_GE(party->children.size(), 2u);
    EXPECT_LE(party->children.size(), 3u);
}

TEST_F(ContactFilesEndToEnd, AFileThatIsNoAddressBookIsRefusedAndNothingChanges) {
    const QString path = writeFile("photo.vcf", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const auto before = contents(list(w));
    m_prompts->files.push_back(path);
    router().runCommand(kCmdImportContacts);
    ASSERT_FALSE(messages().empty());
    EXPECT_TRUE(messages().back().text.startsWith(
        QStringLiteral("This file cannot be imported: it is not a text file")))
        << messages().back().text.toStdString();
    EXPECT_EQ(messages().back().icon, Prompts::Icon::Error);
    EXPECT_TRUE(m_prompts->askedOf(ScriptedPrompts::Kind::Dialog).empty());
    EXPECT_EQ(contents(list(w)), before);
}

TEST_F(ContactFilesEndToEnd, AnOutlookAnsiFileImportedTwiceGivesEachContactOnce) {
    // Outlook's "Comma Separated Values" in Windows-1252; one mobile is a drama number, one
    // contact has a landline alone, one no number in use at all.
    const QString path = writeFile(
        "outlook.csv", "First Name,Last Name,Company,Business Phone,Mobile Phone,Categories\r\n"
                       "\xC5sa,\xD6hman,,,+46 70-111 22 33,Kunder\r\n"
                       "Bo,\xC5gren,,+46 73-765 43 21,+44 7700 900461,\r\n"
                       ",,R\xF6rmokar'n i Solna AB,+46 8-123 456 78,,Kunder\r\n"
                       "Cy,Ek,,,(555) 010-0123,\r\n");
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    for (int round = 0; round < 2; ++round) {
        m_prompts->files.push_back(path);
        m_prompts->dialogs.push_back(true);
        router().runCommand(kCmdImportContacts);
        ASSERT_TRUE(waitForAnswers(host().session()));
    }
    const std::vector<ScriptedPrompts::Asked> said = messages();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_TRUE(said[0].text.startsWith(QStringLiteral("Added: 2. Skipped: 2. Failed: 0.\n"
                                                       "Skip: a landline cannot receive texts: 1")))
        << said[0].text.toStdString();
    EXPECT_TRUE(said[1].text.startsWith(QStringLiteral("Added: 0. Skipped: 4. Failed: 0.\n"
                                                       "Skip: a landline cannot receive texts: 1\n"
                                                       "Skip: already in the list: 2")))
        << said[1].text.toStdString();
    auto shown = contents(list(w));
    EXPECT_EQ(shown["group Kunder"], (std::multiset<std::string>{"\u00c5sa|46701112233||0-00-00"}));
    EXPECT_EQ(shown[""].count("Bo|46737654321||0-00-00"), 1u);
    const BuddyNode* kunder = const_cast<BuddyList&>(list(w)).findGroupByName("Kunder");
    ASSERT_NE(kunder, nullptr);
    EXPECT_TRUE(std::any_of(kunder->children.begin(), kunder->children.end(),
                            [](const auto& b) { return b->entry.lastName == "\u00d6hman"; }));

    router().runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_EQ(contents(list(w)), shown);
}

TEST_F(ContactFilesEndToEnd, AnExportRightAfterAGroupDeleteHoldsWhatTheServiceHolds) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    BuddyTree& tree = *host().controller().buddyTree();
    // Mum and Erik are only in Family.
    tree.selectLine(tree.lineOf(const_cast<BuddyList&>(list(w)).findGroupByName("Family")));
    m_prompts->answers.push_back(Prompts::Answer::Yes);
    router().runCommand(kCmdDeleteGroup);
    ASSERT_TRUE(waitForAnswers(host().session()));
    const auto shown = contents(list(w));
    EXPECT_EQ(shown.count("group Family"), 0u);

    tree.selectLine(tree.rootLine());
    const QString path = QString::fromStdString(m_data.file("after-delete.vcf").string());
    m_prompts->files.push_back(path);
    router().runCommand(kCmdExportContacts);
    EXPECT_EQ(messages().back().text, QStringLiteral("Contacts exported: 6."));
    const ContactRead exported = readContactFile(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(exported.ok());
    std::multiset<std::string> topLevel;
    for (const Contact& c : exported.book.contacts) {
        if (c.groups.empty() || c.topLevel)
            topLevel.insert(c.nickname.empty() ? c.firstName : c.nickname);
    }
    EXPECT_EQ(topLevel, (std::multiset<std::string>{"Alice", "Bobby", "Carl", "Mum", "Erik"}));

    router().runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_EQ(contents(list(w)), shown);
}

} // namespace
} // namespace textowl::testing
