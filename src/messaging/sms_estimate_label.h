#pragma once

#include "smsparts/sms_parts.h"

#include <QLabel>
#include <QString>

class QPlainTextEdit;

namespace textowl {

class StringCatalogue;

// What the message being written will really cost, as the service charges it: "GSM" or "Unicode",
// the parts and the credits (parts for every recipient). It follows the message box as the user
// types, names in its tooltip the characters that force Unicode and marks them in the box.
class SmsEstimateLabel : public QLabel {
    Q_OBJECT
public:
    SmsEstimateLabel(QPlainTextEdit& message, QWidget* parent = nullptr);

    void relocalise(const StringCatalogue& catalogue);
    // The UTF-16 character set: every text is sent as Unicode.
    void setUnicode(bool unicode);
    void setRecipients(int recipients);

    const SmsSize& size() const { return m_size; }
    int credits() const { return m_size.parts * m_recipients; }

private:
    struct Texts {
        QString gsm, unicode, part, parts, credit, credits, gsmTip, unicodeTip, forcedTip;
    };

    void refresh();

    QPlainTextEdit& m_message;
    Texts m_texts;
    bool m_unicode = false;
    int m_recipients = 1;
    SmsSize m_size;
};

} // namespace textowl
