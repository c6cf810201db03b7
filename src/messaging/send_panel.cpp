#include "messaging/send_panel.h"

#include "messaging/limited_text_edit.h"
#include "messaging/message_log.h"
#include "messaging/panel_frame.h"
#include "messaging/schedule_picker.h"
#include "messaging/schedule_text.h"
#include "messaging/send_rules.h"
#include "messaging/sms_estimate_label.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "texts/text_format.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"
#include "ui/skin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextCursor>
#include <QValidator>
#include <algorithm>

namespace textowl {

namespace {

// The To box does not scroll sideways: typing stops when the text fills it, so that nothing typed
// is ever out of sight.
class FitsTheBox : public QValidator {
public:
    explicit FitsTheBox(QLineEdit* box) : QValidator(box), m_box(box) {}

    State validate(QString& text, int&) const override {
        return m_box->fontMetrics().horizontalAdvance(text) <= room() ? Acceptable : Invalid;
    }

private:
    // The line edit scrolls once the text and the cursor are wider than its contents less its
    // own margin of two pixels a side.
    int room() const {
        QStyleOptionFrame option;
        option.initFrom(m_box);
        option.rect = m_box->contentsRect();
        option.lineWidth =
            m_box->hasFrame()
                ? m_box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, m_box)
                : 0;
        option.features = QStyleOptionFrame::None;
        const QRect contents =
            m_box->style()->subElementRect(QStyle::SE_LineEditContents, &option, m_box);
        return contents.marginsRemoved(m_box->textMargins()).width() - 2 * 2 - 1;
    }

    QLineEdit* m_box;
};

QDateTime toQDateTime(const CivilTime& t) {
    return {QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second)};
}

Text refusalText(SendCheck check) {
    switch (check) {
    case SendCheck::NoRecipient:
        return Text::NoRecipient;
    case SendCheck::BadNumber:
        return Text::BadNumberFormat;
    case SendCheck::UnknownGroup:
        return Text::UnknownGroup;
    case SendCheck::EmptyText:
    case SendCheck::Passed:
        break;
    }
    return Text::EmptyMessage;
}

CivilTime toCivilTime(const QDateTime& t) {
    const QDate date = t.date();
    const QTime time = t.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

} // namespace

SendPanel::SendPanel(Context context, const Skin* skin, QWidget* parent)
    : QWidget(parent), m_context(context), m_sender(context.calls, context.session), m_skin(skin) {
    setAutoFillBackground(false);
    createControls();
    relocalise();
    placeControls();
    setSendViewVisible(true);
    m_message->setFocus();
}

SendPanel::~SendPanel() = default;

void SendPanel::createControls() {
    m_to = new QLineEdit(this);
    m_to->setValidator(new FitsTheBox(m_to));
    m_charset = new QComboBox(this);
    m_charset->addItems({QStringLiteral("UTF-8"), QStringLiteral("UTF-16")});
    m_message = new LimitedTextEdit(this);
    m_message->setFrameShape(QFrame::NoFrame);
    m_message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_message->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_message->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_message->setTabChangesFocus(true);
    m_message->setCharacterLimit(textLimit(false));
    m_estimate = new SmsEstimateLabel(*m_message, this);
    m_flashBox = new QCheckBox(this);
    m_scheduleBox = new QCheckBox(this);
    m_picker = new SchedulePicker(toQDateTime(m_context.clock.localNow()), this);
    m_picker->setDisplayFormat(QString::fromLatin1(
        kSchedulePickerFormat.data(), static_cast<qsizetype>(kSchedulePickerFormat.size())));
    m_picker->setCalendarPopup(true);
    m_picker->setEnabled(false);
    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    m_log->setUndoRedoEnabled(false);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_send = new QPushButton(this);
    m_logs = new QPushButton(this);
    m_return = new QPushButton(this);

    connect(m_charset, &QComboBox::currentIndexChanged, this, &SendPanel::onCharsetChanged);
    connect(m_message, &QPlainTextEdit::textChanged, this, [this] { update(); });
    connect(m_to, &QLineEdit::textChanged, this, &SendPanel::updateRecipients);
    connect(m_flashBox, &QCheckBox::toggled, this, [this](bool on) { m_flash = on; });
    connect(m_scheduleBox, &QCheckBox::toggled, this,
            [this] { m_picker->setEnabled(!m_picker->isEnabled()); });
    connect(m_send, &QPushButton::clicked, this, &SendPanel::pressSend);
    connect(m_logs, &QPushButton::clicked, this, &SendPanel::showLogView);
    connect(m_return, &QPushButton::clicked, this, &SendPanel::returnToList);
    // One message at a time, and none while any other call is on its way.
    m_send->setEnabled(!m_context.session.callPending());
    connect(&m_context.session, &Session::callPendingChanged, m_send,
            [this](bool pending) { m_send->setEnabled(!pending); });
}

void SendPanel::placeControls() {
    m_to->setGeometry(72, 13, 171, 18);
    // 60 pixels, the list's width in the fixed layout, cut "UTF-16" short with the platform's
    // arrow and margins; it takes what its longest item needs, and the counter moves aside.
    m_charset->setGeometry(91, 41, std::max(60, m_charset->sizeHint().width()), 20);
    m_message->setGeometry(16, 75, 223, 94);
    m_flashBox->setGeometry(220, 184, 13, 15);
    m_scheduleBox->setGeometry(111, 213, 13, 15);
    m_picker->setGeometry(131, 210, 112, 20);
    m_log->setGeometry(14, 33, 228, 174);
    m_send->setGeometry(13, 240, 230, 25);
    m_logs->setGeometry(13, 275, 80, 25);
    m_return->setGeometry(113, 275, 130, 25);
    m_estimate->setGeometry(13, 305, 230, 16);
}

void SendPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeControls();
}

void SendPanel::relocalise() {
    const auto text = [this](Text id) { return localised(m_context.catalogue, id); };
    m_texts = {text(Text::ToLabel),     text(Text::CharsetLabel),   text(Text::RemainingFormat),
               text(Text::SendHeading), text(Text::FlashLabel),     text(Text::ScheduleLabel),
               text(Text::SendButton),  text(Text::GotoSendButton), text(Text::ReturnButton),
               text(Text::LogsButton),  text(Text::LogTitle),       text(Text::SuccessWord),
               text(Text::FailedWord)};
    m_send->setText(m_logView ? m_texts.gotoSendButton : m_texts.sendButton);
    m_logs->setText(m_texts.logsButton);
    m_return->setText(m_texts.returnButton);
    m_estimate->relocalise(m_context.catalogue);
    update();
}

void SendPanel::setSkin(const Skin* skin) {
    m_skin = skin;
    update();
}

void SendPanel::openOnGroup(const QString& name, int recipients) {
    m_to->setText(name);
    m_to->setReadOnly(true);
    m_groupMode = true;
    m_groupRecipients = recipients;
    updateRecipients();
}

void SendPanel::openOnBuddy(const QString& cellPhone) {
    m_to->setText(cellPhone);
    m_to->setReadOnly(false);
    m_groupMode = false;
    updateRecipients();
}

void SendPanel::activate() {
    showSendView();
}

QPlainTextEdit* SendPanel::messageBox() const {
    return m_message;
}

int SendPanel::remaining() const {
    return remainingCharacters(m_message->characterCount(), m_unicode);
}

QString SendPanel::logText() const {
    return m_log->toPlainText();
}

void SendPanel::onCharsetChanged(int index) {
    m_unicode = index != 0;
    m_message->setCharacterLimit(textLimit(m_unicode));
    m_estimate->setUnicode(m_unicode);
    update();
}

// A group reaches its members' numbers; a To text of numbers reaches each of them, and at least
// one recipient while it is still being written.
void SendPanel::updateRecipients() {
    const std::vector<std::string> to{m_to->text().toStdString()};
    m_estimate->setRecipients(m_groupMode ? m_groupRecipients
                                          : std::max(1, distinctNumberCount(to)));
}

void SendPanel::setSendViewVisible(bool visible) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_to, m_charset, m_message, m_flashBox, m_scheduleBox, m_picker, m_logs, m_estimate})
        control->setVisible(visible);
    m_log->setVisible(!visible);
}

void SendPanel::showLogView() {
    setSendViewVisible(false);
    m_send->setText(m_texts.gotoSendButton);
    m_logView = true;
    update();
}

void SendPanel::showSendView() {
    setSendViewVisible(true);
    m_send->setText(m_texts.sendButton);
    m_logView = false;
    update();
    m_message->setFocus();
}

void SendPanel::returnToList() {
    m_log->hide();
    m_message->show();
    m_message->clear();
    m_to->setReadOnly(false);
    m_logView = false;
    m_groupMode = false;
    updateRecipients();
    emit returnRequested();
}

void SendPanel::pressSend() {
    if (m_logView)
        showSendView();
    else
        send();
}

void SendPanel::send() {
    const CivilTime sentAt = m_context.clock.localNow();
    const std::string to = m_to->text().toStdString();
    const std::string text = m_message->toPlainText().toStdString();
    if (const SendCheck check = checkSend(to, text, m_groupNames); check != SendCheck::Passed) {
        showMessage(refusalText(check), true);
        return;
    }
    // The value, not the shown text: the picker writes its digits in the user's script.
    std::optional<CivilTime> picked;
    if (m_picker->isEnabled())
        picked = toCivilTime(m_picker->dateTime());

    OutgoingMessage message;
    message.to = to;
    message.text = text;
    message.schedule = scheduleText(picked, m_context.clock.localNow());
    message.groupMode = m_groupMode;
    message.flash = m_flash;
    message.unicode = m_unicode;
    m_sender.send(std::move(message), this,
                  [this, sentAt, to, text](bool sent) { answered(sentAt, to, text, sent); });
}

void SendPanel::answered(const CivilTime& sentAt, const std::string& to, const std::string& text,
                         bool sent) {
    appendLog(sentAt, to, text, sent);
    // A failed send keeps the text, so the user can send it again once the service answers; a
    // text written anew while the call ran is not the one sent, and stays too.
    if (sent) {
        if (m_message->toPlainText().toStdString() == text)
            m_message->clear();
        emit messageAccepted();
    }
    update();
    // Last: exit from the tray or the end of the session may destroy the panel while it is open.
    showMessage(sent ? Text::MessageSent : Text::SendFailed, !sent);
}

void SendPanel::appendLog(const CivilTime& sentAt, const std::string& to, const std::string& text,
                          bool sent) {
    const LogEntryFields fields{sentAt, to, text, lookUp(m_context.catalogue, Text::StatusLabel),
                                (sent ? m_texts.success : m_texts.failed).toStdString()};
    // The box shows line breaks as new lines; the entry's CR LF pairs are the log's own format.
    QString entry = qs(logEntry(fields));
    entry.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor end = m_log->textCursor();
    end.movePosition(QTextCursor::End);
    m_log->setTextCursor(end);
    m_log->insertPlainText(entry);
    m_log->ensureCursorVisible();
}

void SendPanel::showMessage(Text message, bool isError) {
    m_context.prompts.message(this, localised(m_context.catalogue, message),
                              qs(m_context.catalogue.dialogTitle()),
                              isError ? Prompts::Icon::Error : Prompts::Icon::Information);
}

void SendPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor background = m_skin ? m_skin->background() : palette().window().color();
    painter.fillRect(rect(), background);
    if (m_skin != nullptr) {
        const QImage frame = m_skin->piece(SkinPiece::PanelFrame);
        const QPixmap corners = transparentCopy(frame);
        for (const FrameBlit& blit : panelFrameBlits(m_logView)) {
            if (blit.transparent)
                painter.drawPixmap(toQRect(blit.destination), corners, toQRect(blit.source));
            else
                painter.drawImage(toQRect(blit.destination), frame, toQRect(blit.source));
        }
        const auto lines = panelFrameLines(width(), height());
        for (int i = 0; i < 3; ++i) {
            painter.setPen(m_skin->frameColour(i + 1));
            const PixelRect& r = lines[static_cast<std::size_t>(i)];
            painter.drawRect(r.x, r.y, r.width - 1, r.height - 1);
        }
    }
    painter.setFont(font());
    painter.setPen(Qt::black);
    if (m_logView) {
        const PixelPoint at =
            logTitlePosition(painter.fontMetrics().horizontalAdvance(m_texts.logTitle));
        painter.drawText(QRect(at.x, at.y, width(), height()), Qt::AlignLeft | Qt::AlignTop,
                         m_texts.logTitle);
    } else {
        paintSendLabels(painter);
    }
}

void SendPanel::paintSendLabels(QPainter& painter) const {
    PanelLabelPositions at = panelLabelPositions();
    at.remaining.x = std::max(at.remaining.x, m_charset->geometry().right() + 5);
    const QString counter =
        qs(formatText(m_texts.remaining.toStdString(), {std::to_string(remaining())}));
    const std::pair<PixelPoint, const QString*> labels[] = {
        {at.to, &m_texts.to},       {at.charset, &m_texts.charset},
        {at.remaining, &counter},   {at.heading, &m_texts.heading},
        {at.flash, &m_texts.flash}, {at.schedule, &m_texts.schedule},
    };
    for (const auto& [point, label] : labels)
        painter.drawText(QRect(point.x, point.y, width(), height()), Qt::AlignLeft | Qt::AlignTop,
                         *label);
}

} // namespace textowl
