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
        : m_catalogue("no-such-strings.xml", "English"),
          m_calls(std::make_unique<ServiceProxy>("http://127.0.0.1:9/soap"), m_session),
          m_clock({2006, 3, 7, 14, 5, 9}),
          m_panel({m_session, m_calls, m_prompts, m_catalogue, m_clock}, &m_skin) {
        m_panel.resize(265, 361);
        m_panel.show();
        m_panel.setGroupNames({"Family", "Work"});
    }

    std::vector<ScriptedPrompts::Asked> messages() const {
        return m_prompts.askedOf(Kind::Message);
    }

    void write(const QString& to, const QString& text) {
        m_panel.toBox()->setText(to);
        m_panel.messageBox()->setPlainText(text);
    }

    StringCatalogue m_catalogue;
    Session m_session;
    ServiceCalls m_calls;
    FixedClock m_clock;
    ScriptedPrompts m_prompts;
    Skin m_skin;
    SendPanel m_panel;
};

TEST_F(SendPanelTest, SwitchesBetweenTheSendAndLogViewsKeepingWhatWasWritten) {
    QWidget* sendOnly[] = {m_panel.toBox(),     m_panel.charsetList(), m_panel.messageBox(),
                           m_panel.flashBox(),  m_panel.scheduleBox(), m_panel.schedulePicker(),
                           m_panel.logsButton()};
    for (QWidget* w : sendOnly)
        EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(m_panel.logBox()->isVisible());
    EXPECT_FALSE(m_panel.schedulePicker()->isEnabled());
    EXPECT_EQ(m_panel.schedulePicker()->displayFormat(), QStringLiteral("MM/dd/yyyy HH:mm"));
    EXPECT_EQ(m_panel.sendButton()->text(), QStringLiteral("&Send Message"));
    write(QStringLiteral("4670123"), QStringLiteral("half-written"));

    QTest::mouseClick(m_panel.logsButton(), Qt::LeftButton);
    EXPECT_TRUE(m_panel.isLogView());
    for (QWidget* w : sendOnly)
        EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(m_panel.logBox()->isVisible());
    EXPECT_TRUE(m_panel.returnButton()->isVisible());
    EXPECT_EQ(m_panel.sendButton()->text(), QStringLiteral("&Goto Send"));

    QTest::mouseClick(m_panel.sendButton(), Qt::LeftButton);
    EXPECT_FALSE(m_panel.isLogView());
    EXPECT_EQ(m_panel.messageBox()->toPlainText(), QStringLiteral("half-written"));
    EXPECT_EQ(m_panel.toBox()->text(), QStringLiteral("4670123"));
    EXPECT_TRUE(messages().empty()) << "switching views sends nothing";

    m_panel.scheduleBox()->click();
    EXPECT_TRUE(m_panel.schedulePicker()->isEnabled());
    m_panel.scheduleBox()->click();
    EXPECT_FALSE(m_panel.schedulePicker()->isEnabled());
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
        m_prompts.asked.clear();
        write(r.to, r.text);
        m_panel.pressSend();
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].text, r.message);
        EXPECT_EQ(messages()[0].icon, Prompts::Icon::Error);
        EXPECT_EQ(m_panel.messageBox()->toPlainText(), r.text) << "a refusal keeps the text";
    }
    EXPECT_TRUE(m_panel.logText().isEmpty());

    // No session: nothing can be sent, and the user is told so like any other failure.
    m_prompts.asked.clear();
    write(QStringLiteral("4670123"), QStringLiteral("Hello"));
    m_panel.pressSend();
    EXPECT_FALSE(m_panel.sendButton()->isEnabled()) << "no second send while the first is out";
    ASSERT_TRUE(waitForAnswers(m_session));
    EXPECT_EQ(m_panel.logText(),
              QStringLiteral("03/07/06 14:05:09, 4670123\nHello\nStatus: Failed\n\n"));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, QStringLiteral("Send message failed!"));
    EXPECT_EQ(messages()[0].icon, Prompts::Icon::Error);
    EXPECT_EQ(m_panel.messageBox()->toPlainText(), QStringLiteral("Hello"))
        << "a failed send keeps the text for another try";
    EXPECT_EQ(m_panel.toBox()->text(), QStringLiteral("4670123"));
    EXPECT_TRUE(m_panel.sendButton()->isEnabled());

    // A stopped service: the call is made and fails, and the text is still there to send again.
    m_session.begin("demo", "ticket");
    m_panel.pressSend();
    ASSERT_TRUE(waitForAnswers(m_session));
    EXPECT_TRUE(m_panel.logText().endsWith(QStringLiteral("Hello\nStatus: Failed\n\n")));
    EXPECT_EQ(messages().back().text, QStringLiteral("Send message failed!"));
    EXPECT_EQ(m_panel.messageBox()->toPlainText(), QStringLiteral("Hello"));
}

TEST_F(SendPanelTest, TheLimitCountsVisibleCharactersAndASwitchToUtf16KeepsTheText) {
    // Each thumb with its skin tone is one character the user sees, though four UTF-16 units.
    const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");
    m_panel.messageBox()->insertPlainText(thumb.repeated(100));
    EXPECT_EQ(m_panel.remaining(), 60);
    m_panel.charsetList()->setCurrentIndex(1);
    EXPECT_TRUE(m_panel.isUnicode());
    EXPECT_EQ(m_panel.messageBox()->toPlainText(), thumb.repeated(100));
    EXPECT_EQ(m_panel.remaining(), -20);

    QTest::keyClicks(m_panel.messageBox(), QStringLiteral("x"));
    EXPECT_EQ(m_panel.remaining(), -20) << "no typing past the limit";

    m_panel.messageBox()->clear();
    QTest::keyClicks(m_panel.messageBox(), QStringLiteral("a").repeated(78));
    QApplication::clipboard()->setText(QStringLiteral("bcdef"));
    m_panel.messageBox()->paste();
    EXPECT_EQ(m_panel.messageBox()->toPlainText(), QStringLiteral("a").repeated(78) + u"bc");
}

TEST_F(SendPanelTest, AGroupOpeningLocksTheRecipientUntilTheReturnButton) {
    QSignalSpy returned(&m_panel, &SendPanel::returnRequested);
    m_panel.openOnGroup(QStringLiteral("Work"));
    EXPECT_TRUE(m_panel.isGroupMode());
    EXPECT_TRUE(m_panel.toBox()->isReadOnly());
    m_panel.showLogView();

    QTest::mouseClick(m_panel.returnButton(), Qt::LeftButton);
    EXPECT_EQ(returned.count(), 1);
    EXPECT_FALSE(m_panel.isGroupMode());
    EXPECT_FALSE(m_panel.isLogView());
    EXPECT_FALSE(m_panel.toBox()->isReadOnly());
    EXPECT_EQ(m_panel.toBox()->text(), QStringLiteral("Work"));

    m_panel.openOnBuddy(QStringLiteral("46701234567"));
    EXPECT_FALSE(m_panel.isGroupMode());
    EXPECT_EQ(m_panel.toBox()->text(), QStringLiteral("46701234567"));
}

TEST_F(SendPanelTest, TheEstimateShowsUnicodeOnceAnEmojiIsTypedAndMarksIt) {
    const SmsEstimateLabel* estimate = m_panel.estimateLabel();
    QTest::keyClicks(m_panel.messageBox(), QStringLiteral("Hej då "));
    EXPECT_EQ(estimate->text(), QStringLiteral("GSM · 1 part · 1 credit"));
    EXPECT_TRUE(m_panel.messageBox()->extraSelections().isEmpty());

    // An emoji arrives as one key event with both halves of its surrogate pair.
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::sendKeyEvent(QTest::Click, m_panel.messageBox(), Qt::Key_unknown, grin, Qt::NoModifier);
    QTest::keyClicks(m_panel.messageBox(), QStringLiteral(" owl"));
    EXPECT_EQ(estimate->text(), QStringLiteral("Unicode · 1 part · 1 credit"));
    EXPECT_TRUE(estimate->toolTip().contains(grin + QStringLiteral(" (U+1F600)")))
        << estimate->toolTip().toStdString();
    const auto marks = m_panel.messageBox()->extraSelections();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks[0].cursor.selectedText(), grin);
    EXPECT_EQ(marks[0].format.underlineStyle(), QTextCharFormat::WaveUnderline);

    // Every member of a group pays for every part.
    m_panel.openOnGroup(QStringLiteral("Work"), 3);
    m_panel.messageBox()->setPlainText(QStringLiteral("a").repeated(100));
    EXPECT_EQ(estimate->text(), QStringLiteral("GSM · 1 part · 3 credits"));
    EXPECT_TRUE(m_panel.messageBox()->extraSelections().isEmpty());
}

TEST_F(SendPanelTest, TheToBoxStopsTakingTextWhenFullInsteadOfScrolling) {
    QLineEdit* to = m_panel.toBox();
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
    m_skin.load(path);
    m_panel.setSkin(&m_skin);
    EXPECT_EQ(m_panel.grab().toImage().pixelColor(250, 330), QColor(Qt::white));
}

// As the platform's date-and-time field: a click takes the section it lands in, digits typed
// there set it, and a complete section passes the typing on.
TEST_F(SendPanelTest, DigitsTypedIntoThePickerSetItsSections) {
    m_panel.scheduleBox()->click();
    QDateTimeEdit& picker = *m_panel.schedulePicker();
    picker.setFocus();
    auto* field = picker.findChild<QLineEdit*>();
    const auto clickAt = [&](const QString& before) {
        const int x = field->fontMetrics().horizontalAdvance(before) + 6;
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(x, field->height() / 2));
        QCoreApplication::processEvents();
    };
    clickAt({});
    QTest::keyClicks(&picker, QStringLiteral("122520070930"));
    EXPECT_EQ(picker.text(), QStringLiteral("12/25/2007 09:30"));
    clickAt(QStringLiteral("12/25/"));
    QTest::keyClicks(&picker, QStringLiteral("2031"));
    clickAt({});
    QTest::keyClicks(&picker, QStringLiteral("4"));
    EXPECT_EQ(picker.text(), QStringLiteral("04/25/2031 09:30"));
}

} // namespace
} // namespace textowl::testing
