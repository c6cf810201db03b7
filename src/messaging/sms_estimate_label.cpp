#include "messaging/sms_estimate_label.h"

#include "texts/text_format.h"
#include "ui/qt_text.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <array>

namespace textowl {

namespace {

QString counted(const QString& one, const QString& many, int n) {
    return QString::fromStdString(
        formatText((n == 1 ? one : many).toStdString(), {std::to_string(n)}));
}

// The characters as the tooltip names them: each once, with its code point, since some (a
// zero-width space, a Cyrillic "а" among Latin letters) cannot be told apart by eye.
QString characterList(const QString& text, const std::vector<Ucs2Character>& characters) {
    constexpr int kShown = 6;
    QStringList names;
    std::vector<char32_t> seen;
    for (const Ucs2Character& c : characters) {
        if (std::find(seen.begin(), seen.end(), c.codePoint) != seen.end())
            continue;
        seen.push_back(c.codePoint);
        if (names.size() == kShown) {
            names.append(QStringLiteral("…"));
            break;
        }
        const QString hex = QString::number(static_cast<uint>(c.codePoint), 16).toUpper();
        names.append(text.mid(c.utf16Offset, c.utf16Length) + QStringLiteral(" (U+") +
                     hex.rightJustified(4, QLatin1Char('0')) + QLatin1Char(')'));
    }
    return names.join(QStringLiteral(", "));
}

QList<QTextEdit::ExtraSelection> marks(QPlainTextEdit& box,
                                       const std::vector<Ucs2Character>& characters) {
    QTextCharFormat wavy;
    wavy.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    wavy.setUnderlineColor(QColor(224, 96, 0));
    QList<QTextEdit::ExtraSelection> selections;
    for (const Ucs2Character& c : characters) {
        QTextCursor cursor(box.document());
        cursor.setPosition(c.utf16Offset);
        cursor.setPosition(c.utf16Offset + c.utf16Length, QTextCursor::KeepAnchor);
        selections.append({cursor, wavy});
    }
    return selections;
}

} // namespace

SmsEstimateLabel::SmsEstimateLabel(QPlainTextEdit& message, QWidget* parent)
    : QLabel(parent), m_message(message) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(&m_message, &QPlainTextEdit::textChanged, this, &SmsEstimateLabel::refresh);
}

void SmsEstimateLabel::relocalise(const StringCatalogue& catalogue) {
    const auto text = [&catalogue](Text id) { return localised(catalogue, id); };
    m_texts = {
        text(Text::EstimateGsm),    text(Text::EstimateUnicode),    text(Text::EstimatePart),
        text(Text::EstimateParts),  text(Text::EstimateCredit),     text(Text::EstimateCredits),
        text(Text::EstimateGsmTip), text(Text::EstimateUnicodeTip), text(Text::EstimateForcedTip)};
    refresh();
}

void SmsEstimateLabel::setUnicode(bool unicode) {
    m_unicode = unicode;
    refresh();
}

void SmsEstimateLabel::setRecipients(int recipients) {
    m_recipients = recipients;
    refresh();
}

// The box's plain text is exactly what a send hands to the service, so it is counted as such.
void SmsEstimateLabel::refresh() {
    const QString text = m_message.toPlainText();
    const std::string utf8 = text.toStdString();
    m_size = countSmsParts(utf8, m_unicode);
    const std::vector<Ucs2Character> forcing = charactersForcingUcs2(utf8);
    const bool gsm = m_size.encoding == SmsEncoding::Gsm7;
    setText((gsm ? m_texts.gsm : m_texts.unicode) + QStringLiteral(" · ") +
            counted(m_texts.part, m_texts.parts, m_size.parts) + QStringLiteral(" · ") +
            counted(m_texts.credit, m_texts.credits, credits()));
    if (!forcing.empty())
        setToolTip(QString::fromStdString(formatText(
            m_texts.unicodeTip.toStdString(), {characterList(text, forcing).toStdString()})));
    else
        setToolTip(gsm ? m_texts.gsmTip : m_texts.forcedTip);
    m_message.setExtraSelections(marks(m_message, forcing));
}

} // namespace textowl
