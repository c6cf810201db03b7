// Contact and group editing where the service refuses, or where nothing may be asked of it: what
// the user is told, which call goes out, and that the tree stays as it was.
#include "buddylist/buddy_tree.h"
#include "scripted_replies.h"
#include "session_fixture.h"
#include "support/qt/session_state.h"
#include "support/scripted_server.h"

#include <functional>
#include <ostream>

namespace textowl::testing {
namespace {

using test::ConnectionScript;
using test::ScriptedServer;

// Alice at the top level, Family holding Dora.
const char* const kList =
    R"(<result err="0"><buddylist>)"
    R"(<buddy id="1" firstname="" lastname="" nickname="Alice" cellphone="46701234567" email="" birthday=""/>)"
    R"(<buddygroup id="4" name="Family">)"
    R"(<buddy id="2" firstname="" lastname="" nickname="Dora" cellphone="46704567890" email="" birthday=""/>)"
    R"(</buddygroup></buddylist></result>)";
const char* const kRefused = R"(<result err="1"/>)";

struct RefusalCase {
    const char* name;
    // What the user does once signed in; the tree is at hand for selecting and dropping.
    std::function<void(CommandRouter&, BuddyTree&, ScriptedPrompts&)> act;
    const char* call;    // the operation that went out and was refused, or null for none
    const char* message; // what the user is told, or null for nothing
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

QModelIndex line(BuddyTree& tree, const char* text) {
    const auto found =
        tree.model()->match(tree.rootLine(), Qt::DisplayRole, QString::fromUtf8(text), 1,
                            Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

Prompts::ContactForm contactIn(const char* group) {
    Prompts::ContactForm form;
    form.nickname = QStringLiteral("Gina");
    form.cellPhone = QStringLiteral("46709999999");
    form.groupText = QString::fromUtf8(group);
    return form;
}

const RefusalCase kCases[] = {
    {"GroupExists",
     [](CommandRouter& router, BuddyTree&, ScriptedPrompts& p) {
         p.groups.push_back(Prompts::GroupForm{{}, QStringLiteral("Family")});
         router.runCommand(kCmdAddGroup);
     },
     nullptr, "There is already a group by that name!"},
    {"DuplicatePaste",
     [](CommandRouter& router, BuddyTree& t, ScriptedPrompts&) {
         t.selectLine(line(t, "Alice"));
         router.runCommand(kCmdCopy);
         t.selectLine(t.rootLine());
         router.runCommand(kCmdPaste);
     },
     nullptr, "Cannot paste duplicate"},
    {"DuplicateDrop",
     [](CommandRouter&, BuddyTree& t, ScriptedPrompts&) {
         emit t.lineDropped(line(t, "Dora"), line(t, "Family"));
     },
     nullptr, "Cannot add duplicate"},
    {"PasteWithoutSelection",
     [](CommandRouter& router, BuddyTree& t, ScriptedPrompts&) {
         t.selectLine(line(t, "Alice"));
         router.runCommand(kCmdCopy);
         t.selectLine({});
         router.runCommand(kCmdPaste);
     },
     nullptr, "Internal Error"},
    {"CopyFails",
     [](CommandRouter& router, BuddyTree& t, ScriptedPrompts&) {
         t.selectLine(line(t, "Alice"));
         router.runCommand(kCmdCopy);
         t.selectLine(line(t, "Family"));
         router.runCommand(kCmdPaste);
     },
     "apiCopyBuddy", "Copy failed!"},
    {"MoveFails",
     [](CommandRouter&, BuddyTree& t, ScriptedPrompts&) {
         emit t.lineDropped(line(t, "Alice"), line(t, "Family"));
     },
     "apiMoveBuddy", "Unable to move buddy at this time.  Please try your request again later..."},
    {"AddContactFails",
     [](CommandRouter& router, BuddyTree& t, ScriptedPrompts& p) {
         t.selectLine(t.rootLine());
         p.contacts.push_back(contactIn(""));
         router.runCommand(kCmdAddContact);
     },
     "apiAddBuddy",
     "Unable to add a new buddy at this time.  Please try your request again later."},
    {"GroupOnTheWayFails",
     [](CommandRouter& router, BuddyTree& t, ScriptedPrompts& p) {
         t.selectLine(t.rootLine());
         p.contacts.push_back(contactIn("Club"));
         router.runCommand(kCmdAddContact);
     },
     "apiAddBuddyGroup",
     "Unable to add a new group at this time.  Please try your request again later."},
    {"RenameGroupFails",
     [](CommandRouter& router, BuddyTree& t, ScriptedPrompts& p) {
         t.selectLine(line(t, "Family"));
         p.groups.push_back(Prompts::GroupForm{{}, QStringLiteral("Clan")});
         router.runCommand(kCmdEditGroup);
     },
     "apiUpdateBuddyGroup",
     "Unable to add a new group at this time.  Please try your request again later."},
    {"DeleteGroupFails",
     [](CommandRouter& router, BuddyTree& t, ScriptedPrompts& p) {
         t.selectLine(line(t, "Family"));
         p.answers.push_back(Prompts::Answer::Yes);
         router.runCommand(kCmdDeleteGroup);
     },
     "apiDeleteBuddyGroup", nullptr},
};

// Every line with its parent, so that a moved, added or renamed line shows.
void picture(const QAbstractItemModel& model, const QModelIndex& parent, QStringList& lines) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex line = model.index(row, 0, parent);
        lines.append(parent.data().toString() + u'/' + line.data().toString());
        picture(model, line, lines);
    }
}

QStringList picture(const BuddyTree& tree) {
    QStringList lines;
    picture(*tree.model(), {}, lines);
    return lines;
}

class EditingRefusals : public SessionTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(EditingRefusals, TellTheUserAndLeaveTheTreeAsItWas) {
    const RefusalCase& c = GetParam();
    writeStrings();
    ConnectionScript script;
    // Sign-in, the list, the balance, no interface; then whatever the command asks is refused.
    for (const char* result :
         {R"(<result err="0"><ticket>T-17</ticket></result>)", kList,
          R"(<result err="0"><balance>12</balance></result>)", kRefused, kRefused, kRefused})
        script.readRequest().send(answer(result));
    ScriptedServer server({script.staySilent()});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("ann"), QStringLiteral("pw"));
    BuddyTree* tree = host().controller().buddyTree();
    ASSERT_NE(tree, nullptr);
    const QStringList before = picture(*tree);
    const std::size_t sentBefore = server.received(0).size();

    c.act(router(), *tree, *m_prompts);
    ASSERT_TRUE(waitForAnswers(host().session()));

    const std::string sent = server.received(0).substr(sentBefore);
    if (c.call != nullptr)
        EXPECT_NE(sent.find(std::string("SOAPAction: \"urn:Pagewright#") + c.call),
                  std::string::npos)
            << sent;
    else
        EXPECT_TRUE(sent.empty()) << sent;
    const auto told = messages();
    if (c.message != nullptr) {
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].text, QString::fromUtf8(c.message));
    } else {
        EXPECT_TRUE(told.empty());
    }
    EXPECT_EQ(picture(*tree), before);
}

INSTANTIATE_TEST_SUITE_P(Table, EditingRefusals, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl::testing
