#include "messaging/send_panel.h"
#include "messaging/sms_estimate_label.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "support/qt/scripted_prompts.h"
#include "support/qt/session_state.h"
#include "texts/string_catalogue.h"
#include "ui/skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// Readable failures: QString as its text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace textowl::testing {
namespace {

using Kind = ScriptedPrompts::Kind;

// A panel on its own: no strings file (every text its default), a session with no ticket, and a
// clock that reads 7 March 2006, 14:05:09.
class SendPanelTest : public ::testing::Test {
protected:
    SendPanelTest()
        : catalogue_("no-such-strings.xml", "English"),
          calls_(std::make_unique<ServiceProxy>("http://127.0.0.1:9/soap"), session_),
          clock_({2006, 3, 7, 14, 5, 9}),
          panel_({session_, calls_, prompts_, catalogue_, clock_}, &skin_) {
        panel_.resize(265, 361);
        panel_.show();
        panel_.setGroupNames({"Family", "Work"});
    }

    std::vector<ScriptedPrompts::Asked> messages() const { return prompts_.askedOf(Kind::Message); }

    void write(const QString& to, const QString& text) {
        panel_.toBox()->setText(to);
        panel_.messageBox()->setPlainText(text);
    }

    StringCatalogue catalogue_;
    Session session_;
    ServiceCalls calls_;
    FixedClock clock_;
    ScriptedPrompts prompts_;
    Skin skin_;
    SendPanel panel_;
};

TEST_F(SendPanelTest, SwitchesBetweenTheSendAndLogViewsKeepingWhatWasWritten) {
    QWidget* sendOnly[] = {panel_.toBox(),     panel_.charsetList(), panel_.messageBox(),
                           panel_.flashBox(),  panel_.scheduleBox(), panel_.schedulePicker(),
                           panel_.logsButton()};
    for (QWidget* w : sendOnly)
        EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(panel_.logBox()->isVisible());
    EXPECT_FALSE(panel_.schedulePicker()->isEnabled());
    EXPECT_EQ(panel_.schedulePicker()->displayFormat(), QStringLiteral("MM/dd/yyyy HH:mm"));
    EXPECT_EQ(panel_.sendButton()->text(), QStringLiteral("&Send Message"));
    write(QStringLiteral("4670123"), QStringLiteral("half-written"));

    QTest::mouseClick(panel_.logsButton(), Qt::LeftButton);
    EXPECT_TRUE(panel_.isLogView());
    for (QWidget* w : sendOnly)
        EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(panel_.logBox()->isVisible());
    EXPECT_TRUE(panel_.returnButton()->isVisible());
    EXPECT_EQ(panel_.sendButton()->text(), QStringLiteral("&Goto Send"));

    QTest::mouseClick(panel_.sendButton(), Qt::LeftButton);
    EXPECT_FALSE(panel_.isLogView());
    EXPECT_EQ(panel_.messageBox()->toPlainText(), QStringLiteral("half-written"));
    EXPECT_EQ(panel_.toBox()->text(), QStringLiteral("4670123"));
    EXPECT_TRUE(messages().empty()) << "switching views sends nothing";

    panel_.scheduleBox()->click();
    EXPECT_TRUE(panel_.schedulePicker()->isEnabled());
    panel_.scheduleBox()->click();
    EXPECT_FALSE(panel_.schedulePicker()->isEnabled());
}

TEST_F(SendPanelTest, RefusalsLogNothingAndAFailedSendIsLoggedAndAnnounced) {
    const struct {
        QString to, text;
        QString message;
    } refusals[] = {
        {{}, {}, QStringLiteral("Please specify a number or numbers to call")},
        {QStringLiteral("family"), QStringLiteral("Hi"),
         QStringLiteral(
             "The 'To' value you have entered does not appear to be a valid group name.")},
        {QStringLiteral("4670123"), {}, QStringLiteral("The message text is empty")},
    };
    for (const auto& r : refusals) {
        prompts_.asked.clear();
        write(r.to, r.text);
        panel_.pressSend();
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].text, r.message);
        EXPECT_EQ(messages()[0].icon, Prompts::Icon::Error);
        EXPECT_EQ(panel_.messageBox()->toPlainText(), r.text) << "a refusal keeps the text";
    }
    EXPECT_TRUE(panel_.logText().isEmpty());

    // No session: nothing can be sent, and the user is told so like any other failure.
    prompts_.asked.clear();
    write(QStringLiteral("4670123"), QStringLiteral("Hello"));
    panel_.pressSend();
    EXPECT_FALSE(panel_.sendButton()->isEnabled()) << "no second send while the first is out";
    ASSERT_TRUE(waitForAnswers(session_));
    EXPECT_EQ(panel_.logText(),
              QStringLiteral("03/07/06 14:05:09, 4670123\nHello\nStatus: Failed\n\n"));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, QStringLiteral("Send message failed!"));
    EXPECT_EQ(messages()[0].icon, Prompts::Icon::Error);
    EXPECT_EQ(panel_.messageBox()->toPlainText(), QStringLiteral("Hello"))
        << "a failed send keeps the text for another try";
    EXPECT_EQ(panel_.toBox()->text(), QStringLiteral("4670123"));
    EXPECT_TRUE(panel_.sendButton()->isEnabled());

    // A stopped service: the call is made and fails, and the text is still there to send again.
    session_.begin("demo", "ticket");
    panel_.pressSend();
    ASSERT_TRUE(waitForAnswers(session_));
    EXPECT_TRUE(panel_.logText().endsWith(QStringLiteral("Hello\nStatus: Failed\n\n")));
    EXPECT_EQ(messages().back().text, QStringLiteral("Send message failed!"));
    EXPECT_EQ(panel_.messageBox()->toPlainText(), QStringLiteral("Hello"));
}

TEST_F(SendPanelTest, TheLimitCountsVisibleCharactersAndASwitchToUtf16KeepsTheText) {
    // Each thumb with its skin tone is one character the user sees, though four UTF-16 units.
    const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");
    panel_.messageBox()->insertPlainText(thumb.repeated(100));
    EXPECT_EQ(panel_.remaining(), 60);
    panel_.charsetList()->setCurrentIndex(1);
    EXPECT_TRUE(panel_.isUnicode());
    EXPECT_EQ(panel_.messageBox()->toPlainText(), thumb.repeated(100));
    EXPECT_EQ(panel_.remaining(), -20);

    QTest::keyClicks(panel_.messageBox(), QStringLiteral("x"));
    EXPECT_EQ(panel_.remaining(), -20) << "no typing past the limit";

    panel_.messageBox()->clear();
    QTest::keyClicks(panel_.messageBox(), QStringLiteral("a").repeated(78));
    QApplication::clipboard()->setText(QStringLiteral("bcdef"));
    panel_.messageBox()->paste();
    EXPECT_EQ(panel_.messageBox()->toPlainText(), QStringLiteral("a").repeated(78) + u"bc");
}

TEST_F(SendPanelTest, AGroupOpeningLocksTheRecipientUntilTheReturnButton) {
    QSignalSpy returned(&panel_, &SendPanel::returnRequested);
    panel_.openOnGroup(QStringLiteral("Work"));
    EXPECT_TRUE(panel_.isGroupMode());
    EXPECT_TRUE(panel_.toBox()->isReadOnly());
    panel_.showLogView();

    QTest::mouseClick(panel_.returnButton(), Qt::LeftButton);
    EXPECT_EQ(returned.count(), 1);
    EXPECT_FALSE(panel_.isGroupMode());
    EXPECT_FALSE(panel_.isLogView());
    EXPECT_FALSE(panel_.toBox()->isReadOnly());
    EXPECT_EQ(panel_.toBox()->text(), QStringLiteral("Work"));

    panel_.openOnBuddy(QStringLiteral("46701234567"));
    EXPECT_FALSE(panel_.isGroupMode());
    EXPECT_EQ(panel_.toBox()->text(), QStringLiteral("46701234567"));
}

TEST_F(SendPanelTest, TheEstimateShowsUnicodeOnceAnEmojiIsTypedAndMarksIt) {
    const SmsEstimateLabel* estimate = panel_.estimateLabel();
    QTest::keyClicks(panel_.messageBox(), QStringLiteral("Hej då "));
    EXPECT_EQ(estimate->text(), QStringLiteral("GSM · 1 part · 1 credit"));
    EXPECT_TRUE(panel_.messageBox()->extraSelections().isEmpty());

    // An emoji arrives as one key event with both halves of its surrogate pair.
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::sendKeyEvent(QTest::Click, panel_.messageBox(), Qt::Key_unknown, grin, Qt::NoModifier);
    QTest::keyClicks(panel_.messageBox(), QStringLiteral(" owl"));
    EXPECT_EQ(estimate->text(), QStringLiteral("Unicode · 1 part · 1 credit"));
    EXPECT_TRUE(estimate->toolTip().contains(grin + QStringLiteral(" (U+1F600)")))
        << estimate->toolTip().toStdString();
    const auto marks = panel_.messageBox()->extraSelections();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks[0].cursor.selectedText(), grin);
    EXPECT_EQ(marks[0].format.underlineStyle(), QTextCharFormat::WaveUnderline);

    // Every member of a group pays for every part.
    panel_.openOnGroup(QStringLiteral("Work"), 3);
    panel_.messageBox()->setPlainText(QStringLiteral("a").repeated(100));
    EXPECT_EQ(estimate->text(), QStringLiteral("GSM · 1 part · 3 credits"));
    EXPECT_TRUE(panel_.messageBox()->extraSelections().isEmpty());
}

TEST_F(SendPanelTest, TheToBoxStopsTakingTextWhenFullInsteadOfScrolling) {
    QLineEdit* to = panel_.toBox();
    const QString typed = QStringLiteral("4670123456,").repeated(6);
    QTest::keyClicks(to, typed);
    EXPECT_LT(to->text().size(), typed.size());
    EXPECT_LT(to->fontMetrics().horizontalAdvance(to->text()), to->width());
    EXPECT_EQ(to->cursorPositionAt(QPoint(5, to->height() / 2)), 0)
        << "the first character is still in sight";
    QTest::keyClick(to, Qt::Key_Backspace);
    QTest::keyClicks(to, QStringLiteral("1"));
    EXPECT_EQ(to->cursorPositionAt(QPoint(5, to->height() / 2)), 0);
}

TEST_F(SendPanelTest, AWhiteSkinPaintsThePanelWhite) {
    QTemporaryDir dir;
    QImage white(150, 125, QImage::Format_RGB32);
    white.fill(Qt::white);
    const QString path = dir.filePath(QStringLiteral("white.bmp"));
    ASSERT_TRUE(white.save(path));
    skin_.load(path);
    panel_.setSkin(&skin_);
    EXPECT_EQ(panel_.grab().toImage().pixelColor(250, 330), QColor(Qt::white));
}

} // namespace
} // namespace textowl::testing
