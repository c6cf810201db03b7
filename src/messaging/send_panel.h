#pragma once

#include "base/clock.h"
#include "messaging/message_sender.h"
#include "texts/text_table.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace textowl {

class LimitedTextEdit;
class Prompts;
class ServiceCalls;
class Session;
class Skin;
class SmsEstimateLabel;
class StringCatalogue;

// Where the user writes one SMS, picks its recipient, character set, flash flag and send time,
// and sends it; its second view is the log of this session's sends. It lives from the load after
// sign-in until sign-out, so its settings and log outlast each opening.
class SendPanel : public QWidget {
    Q_OBJECT
public:
    // What the panel works with; all of it outlives the panel.
    struct Context {
        const Session& session;
        ServiceCalls& calls;
        Prompts& prompts;
        const StringCatalogue& catalogue;
        const Clock& clock = systemClock();
    };

    SendPanel(Context context, const Skin* skin, QWidget* parent = nullptr);
    ~SendPanel() override;

    // Opening on a group: the To box takes the name, read-only, and sends go to the group, which
    // reaches `recipients` distinct numbers as the buddy list knows them.
    void openOnGroup(const QString& name, int recipients = 1);
    // Opening on a buddy: the To box takes the number and is writable again.
    void openOnBuddy(const QString& cellPhone);
    // The names a To text starting with a letter must match; replaced at each opening.
    void setGroupNames(std::vector<std::string> names) { m_groupNames = std::move(names); }
    // Shows the send view with the message box focused; settings and texts stay.
    void activate();
    // Reloads every text after a language change.
    void relocalise();
    // The skin the frame and colours are painted from; the panel repaints.
    void setSkin(const Skin* skin);

    // The send button: sends in the send view, goes back to it in the log view.
    void pressSend();
    void showLogView();
    void showSendView();

    bool isLogView() const { return m_logView; }
    bool isGroupMode() const { return m_groupMode; }
    bool isUnicode() const { return m_unicode; }
    bool isFlash() const { return m_flash; }
    const std::vector<std::string>& groupNames() const { return m_groupNames; }
    int remaining() const;
    QString logText() const;

    QLineEdit* toBox() const { return m_to; }
    QComboBox* charsetList() const { return m_charset; }
    QPlainTextEdit* messageBox() const;
    QCheckBox* flashBox() const { return m_flashBox; }
    QCheckBox* scheduleBox() const { return m_scheduleBox; }
    QDateTimeEdit* schedulePicker() const { return m_picker; }
    QPlainTextEdit* logBox() const { return m_log; }
    QPushButton* sendButton() const { return m_send; }
    QPushButton* logsButton() const { return m_logs; }
    QPushButton* returnButton() const { return m_return; }
    SmsEstimateLabel* estimateLabel() const { return m_estimate; }

signals:
    // The return button: the main window gives the page back to the buddy tree.
    void returnRequested();
    // The service accepted a message: how it fares is for the service to tell later.
    void messageAccepted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Texts {
        QString to, charset, remaining, heading, flash, schedule;
        QString sendButton, gotoSendButton, returnButton, logsButton, logTitle;
        QString success, failed;
    };

    void createControls();
    void placeControls();
    void setSendViewVisible(bool visible);
    void onCharsetChanged(int index);
    void updateRecipients();
    void returnToList();
    void send();
    // The service's answer to a send of `text` to `to`, asked at `sentAt`.
    void answered(const CivilTime& sentAt, const std::string& to, const std::string& text,
                  bool sent);
    void appendLog(const CivilTime& sentAt, const std::string& to, const std::string& text,
                   bool sent);
    void showMessage(Text message, bool isError);
    void paintSendLabels(QPainter& painter) const;

    Context m_context;
    MessageSender m_sender;
    const Skin* m_skin = nullptr;
    Texts m_texts;
    std::vector<std::string> m_groupNames;
    bool m_logView = false;
    bool m_unicode = false;
    bool m_flash = false;
    bool m_groupMode = false;
    int m_groupRecipients = 1;

    QLineEdit* m_to = nullptr;
    QComboBox* m_charset = nullptr;
    LimitedTextEdit* m_message = nullptr;
    QCheckBox* m_flashBox = nullptr;
    QCheckBox* m_scheduleBox = nullptr;
    QDateTimeEdit* m_picker = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_logs = nullptr;
    QPushButton* m_return = nullptr;
    SmsEstimateLabel* m_estimate = nullptr;
};

} // namespace textowl
